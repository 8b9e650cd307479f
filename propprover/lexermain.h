// The command lexer of prop_prover: the shared command lexer with this
// program's keywords (no "help", no "timemax"), the accented Latin-1 letters
// that formulas accept in words, and the propositional formula reader.
// Tokens are read one at a time, when the parser asks.
#pragma once

#include <string_view>

#include "propprover/prop.h"
#include "support/cmdlex.h"

namespace prop {

using support::cmdlang::Tok;
using Token = support::cmdlang::Token<Formula>;

class Lexermain : public support::cmdlang::Lexer<Formula> {
 public:
  explicit Lexermain(std::string_view line);
};

}  // namespace prop
