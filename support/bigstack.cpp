// The command loop's stack: a large reserved mapping (touched pages only
// cost memory) that the main thread switches to with makecontext and
// setcontext. No second thread, so malloc serves everything from its main
// arena, libstdc++ keeps shared_ptr counts unlocked while the process is
// single-threaded, and SIGINT and SIGALRM reach the loop without any
// masking between threads.
#include "support/bigstack.h"

#include <sys/mman.h>
#include <ucontext.h>

#include <csignal>
#include <cstdio>
#include <exception>

#if defined(__SANITIZE_ADDRESS__)
#define PROVER_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PROVER_ASAN_FIBERS 1
#endif
#endif
#ifdef PROVER_ASAN_FIBERS
#include <sanitizer/common_interface_defs.h>
#endif

namespace support {

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
// Below the stack: an overflow faults here instead of writing over whatever
// lies below. Larger than a page, since a frame may step over one page.
constexpr std::size_t kGuard = kMiB;

int run_guarded(const std::function<int()>& body) {
  try {
    return body();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "erreur interne : %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "erreur interne\n");
  }
  return 2;
}

struct Loop {
  const std::function<int()>* body;
  int result = 2;
  volatile bool entered = false;  // set on the big stack: `caller` then resumes the second time
  ucontext_t caller{};            // the main thread's own stack, resumed when the body returns
  ucontext_t loop{};
  void* asan_fake_stack = nullptr;  // the caller's, kept across the switch
  const void* caller_bottom = nullptr;
  std::size_t caller_size = 0;
};

thread_local Loop* g_loop = nullptr;  // makecontext passes only int arguments

// The body's frame on the big stack; its return resumes `caller`.
extern "C" void loop_main() {
  Loop& l = *g_loop;
#ifdef PROVER_ASAN_FIBERS
  __sanitizer_finish_switch_fiber(nullptr, &l.caller_bottom, &l.caller_size);
#endif
  l.result = run_guarded(*l.body);
#ifdef PROVER_ASAN_FIBERS
  // nullptr: this stack is left for good.
  __sanitizer_start_switch_fiber(nullptr, l.caller_bottom, l.caller_size);
#endif
}

// Reserves `size` bytes of stack above the guard; nullptr if refused
// (address space limits, or strict overcommit).
char* map_stack(std::size_t size) {
  void* p = mmap(nullptr, kGuard + size, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  if (mprotect(p, kGuard, PROT_NONE) != 0) {
    munmap(p, kGuard + size);
    return nullptr;
  }
  return static_cast<char*>(p);
}

}  // namespace

int run_with_big_stack(const std::function<int()>& body) {
  // The loop takes the interrupt key and the alarm even when started with
  // them blocked.
  sigset_t set, saved;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGALRM);
  sigprocmask(SIG_UNBLOCK, &set, &saved);

  char* base = nullptr;
  std::size_t size = 0;
  for (std::size_t s : {1024 * kMiB, 256 * kMiB, 64 * kMiB}) {
    if ((base = map_stack(s)) != nullptr) {
      size = s;
      break;
    }
  }
  // getcontext and setcontext rather than swapcontext: AddressSanitizer
  // intercepts swapcontext only to warn on standard error, and the switch is
  // annotated for it below.
  int result = 2;
  bool switched = false;
  Loop l{&body};
  if (base != nullptr && getcontext(&l.loop) == 0) {
    l.loop.uc_stack.ss_sp = base + kGuard;
    l.loop.uc_stack.ss_size = size;
    l.loop.uc_link = &l.caller;
    makecontext(&l.loop, loop_main, 0);
    g_loop = &l;
#ifdef PROVER_ASAN_FIBERS
    __sanitizer_start_switch_fiber(&l.asan_fake_stack, base + kGuard, size);
#endif
    if (getcontext(&l.caller) == 0) {
      if (!l.entered) {
        l.entered = true;
        setcontext(&l.loop);  // returns only if it failed
      } else {
        switched = true;
        result = l.result;
      }
    }
#ifdef PROVER_ASAN_FIBERS
    __sanitizer_finish_switch_fiber(l.asan_fake_stack, nullptr, nullptr);
#endif
    g_loop = nullptr;
  }
  // Without a big stack, the body runs here, on the ordinary stack.
  if (!switched) result = run_guarded(body);
  if (base != nullptr) munmap(base, kGuard + size);
  sigprocmask(SIG_SETMASK, &saved, nullptr);
  return result;
}

}  // namespace support
