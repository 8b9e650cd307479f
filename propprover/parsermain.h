// The command grammar of prop_prover: one line gives one command.
#pragma once

#include <string_view>

#include "propprover/command.h"
#include "support/cmdparse.h"

namespace prop {

// Reads one line. Throws support::CommandError, or what the lexer throws
// (FormulaError, Failure); tokens are read only as the grammar needs them, so the first
// fault from the left is the one reported.
Command parse_command(std::string_view line);

}  // namespace prop
