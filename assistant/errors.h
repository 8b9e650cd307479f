// Errors shared by the two readers of fol_assistant.
//
// A reader fails in one of three ways, which the command loop reports
// differently: a token sequence outside the grammar (`ParseError`), a formula
// between dollars that does not parse (the reader's own `ErrForm`), or a
// failure with a message (`fol::Failure`: "lexing: empty token",
// "int_of_string").
#pragma once

#include <string_view>

#include "fol/lib.h"

namespace assistant {

// The grammar's syntax error.
struct ParseError {};

// A decimal integer of a command or a phrase; "int_of_string" when it does
// not fit an int.
int int_of_string(std::string_view digits);

}  // namespace assistant
