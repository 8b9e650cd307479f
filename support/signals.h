// The one-shot alarm and the interrupt key. Handlers only set flags
// (volatile std::sig_atomic_t); the search polls them at safe points and
// raises its own exceptions. Arming resets the alarm flag, so an old expiry
// never ends a later attempt.
#pragma once

namespace support {

enum class Stop { None, Alarm, Interrupt };

// Interrupt key: from the first call on, SIGINT sets a flag instead of
// ending the process. Reading a line then reports it (see lineinput.h).
void catch_interrupt();
bool interrupt_caught();  // catch_interrupt() has been called
void clear_interrupt();
bool interrupt_flag();  // a SIGINT has arrived since the last clear_interrupt()

// One-shot alarm of `seconds` (clamped to the timer's largest value).
void arm_alarm(long long seconds);
void ignore_alarm();  // a later expiry has no effect

// What, if anything, asks the search to stop now. Cheap: two flag reads.
Stop poll();

// Stop points: the places, in the engine's loop and inside long operations
// of a logic (substitution or unification of formulas with thousands of
// nodes), where a proof attempt notices the time limit or the interrupt
// key. While they are enabled (the engine enables them for an attempt), a
// pending alarm leaves through TimeOut, an interrupt through Interrupted
// (the request cleared); both end the attempt. Otherwise a stop point does
// nothing.
struct StopRequested {};                // either of the two below
struct TimeOut : StopRequested {};      // the time limit expired
struct Interrupted : StopRequested {};  // the interrupt key
void enable_stop_points(bool on);
void stop_point();
namespace detail {
extern unsigned stop_ticks;
}
// A stop point every 1024 calls: cheap enough for a per-node walk.
inline void stop_tick() {
  if ((++detail::stop_ticks & 1023u) == 0) stop_point();
}

}  // namespace support
