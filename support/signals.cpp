// Signal handlers that only set flags; everything else happens at the
// search's safe points (see poll()).
#include "support/signals.h"

#include <unistd.h>

#include <climits>
#include <csignal>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace support {

namespace {

volatile std::sig_atomic_t g_alarm = 0;
volatile std::sig_atomic_t g_interrupt = 0;
bool g_interrupt_installed = false;

// glibc keeps freed small blocks aside (its fastbins) and merges them all
// in its next large allocation: after a search frees a million clauses,
// that one allocation takes tens of milliseconds wherever it comes, and a
// stop request waits for it. Without fastbins a free merges its block at
// once; small blocks still go through the per-thread cache.
[[maybe_unused]] const bool g_prompt_frees = [] {
#if defined(__GLIBC__)
  mallopt(M_MXFAST, 0);
#endif
  return true;
}();

extern "C" void on_alarm(int) { g_alarm = 1; }
extern "C" void on_interrupt(int) { g_interrupt = 1; }

// SA_RESTART keeps an output write from failing halfway with EINTR; line
// input waits in ppoll(), which a signal always interrupts.
void install(int sig, void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(sig, &sa, nullptr);
}

}  // namespace

void catch_interrupt() {
  install(SIGINT, on_interrupt);
  g_interrupt_installed = true;
}

bool interrupt_caught() { return g_interrupt_installed; }

void clear_interrupt() { g_interrupt = 0; }

bool interrupt_flag() { return g_interrupt != 0; }

void arm_alarm(long long seconds) {
  // alarm() takes an unsigned int and the kernel's interval timer a signed
  // 32-bit count on some targets: clamp rather than wrap. Zero or less sets
  // no alarm at all, as alarm(0) does.
  unsigned int s = 0;
  if (seconds > 0) s = seconds > INT_MAX ? INT_MAX : static_cast<unsigned int>(seconds);
  g_alarm = 0;
  install(SIGALRM, on_alarm);
  alarm(s);
}

void ignore_alarm() {
  signal(SIGALRM, SIG_IGN);
  g_alarm = 0;
}

namespace detail {
unsigned stop_ticks = 0;
}

namespace {
bool g_stop_points = false;
}

void enable_stop_points(bool on) { g_stop_points = on; }

void stop_point() {
  if (!g_stop_points) return;
  if (g_alarm) throw TimeOut{};
  if (g_interrupt) {
    g_interrupt = 0;
    throw Interrupted{};
  }
}

Stop poll() {
  if (g_alarm) return Stop::Alarm;
  if (g_interrupt) return Stop::Interrupt;
  return Stop::None;
}

}  // namespace support
