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

}  // namespace support
