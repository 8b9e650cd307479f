// The command loop's thread: a large reserved stack (touched pages only cost
// memory), and the only thread that receives SIGINT and SIGALRM, so their
// handlers interrupt its reads.
#include "support/bigstack.h"

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <exception>

namespace support {

namespace {

struct Job {
  const std::function<int()>* body;
  int result = 2;
};

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

extern "C" void* thread_main(void* arg) {
  auto* job = static_cast<Job*>(arg);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGALRM);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  job->result = run_guarded(*job->body);
  return nullptr;
}

}  // namespace

int run_with_big_stack(const std::function<int()>& body) {
  sigset_t set, saved;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &set, &saved);

  Job job{&body};
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  bool started = false;
  pthread_t tid;
  for (std::size_t size : {1024 * kMiB, 256 * kMiB, 64 * kMiB}) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) break;
    bool ok = pthread_attr_setstacksize(&attr, size) == 0 &&
              pthread_create(&tid, &attr, thread_main, &job) == 0;
    pthread_attr_destroy(&attr);
    if (ok) {
      started = true;
      break;
    }
  }
  if (started) {
    pthread_join(tid, nullptr);
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    return job.result;
  }
  // No thread could be made: run here, on the ordinary stack.
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  return run_guarded(body);
}

}  // namespace support
