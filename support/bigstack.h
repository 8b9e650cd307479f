// Runs a program's command loop on a large reserved stack, on the calling
// (main) thread, so that deep but legitimate formulas and long derivations
// never overflow it. Pages cost nothing until touched. Returns the
// function's exit status. Called from main before any thread is started, it
// leaves the program single-threaded, which keeps malloc on one arena.
#pragma once

#include <functional>

namespace support {

constexpr long kMaxNesting = 100000;  // deeper input is refused by the readers

int run_with_big_stack(const std::function<int()>& body);

}  // namespace support
