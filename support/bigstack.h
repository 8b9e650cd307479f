// Runs a program's command loop on a thread with a large reserved stack, so
// that deep but legitimate formulas and long derivations never overflow it.
// Pages cost nothing until touched. Returns the function's exit status.
#pragma once

#include <functional>

namespace support {

constexpr long kMaxNesting = 100000;  // deeper input is refused by the readers

int run_with_big_stack(const std::function<int()>& body);

}  // namespace support
