// Tokens of fol_assistant's command language: the shared command lexer with
// this program's keywords ("pset", "goal", "undo", "abort", "select"),
// formulas between dollars read by the first-order reader, hypotheses
// between braces and "[name]" hypothesis names. A formula comes out as one
// FORMULA token carrying the keyed formula (formula, key 0).
//
//   lexermain::Lexer lx("prove {$p$ #2} $p$");
//   lexermain::Token t = lx.token();   // PROVE, CG, FORMULA, DZ, INT, CD, FORMULA, FIN
#pragma once

#include <string_view>

#include "fol/fol.h"
#include "support/cmdlex.h"

namespace assistant::lexermain {

using Tok = support::cmdlang::Tok;
using Token = support::cmdlang::Token<fol::KFormula>;

class Lexer : public support::cmdlang::Lexer<fol::KFormula> {
 public:
  // token() throws support::Failure("lexing: empty token") on text that
  // starts no token, support::Failure("int_of_string") on an integer beyond
  // the int range, and support::FormulaError on a formula that does not read.
  explicit Lexer(std::string_view line);
};

}  // namespace assistant::lexermain
