// Tokens of fol_assistant's command language.
//
// One command line is cut into tokens one call at a time, so the grammar
// that pulls them meets the first error from the left. A formula is written
// between dollars and read by the first-order reader; it comes out as one
// FORMULA token carrying the keyed formula (formula, key 0).
//
//   lexermain::Lexer lx("prove {$p$ #2} $p$");
#pragma once

#include <string>
#include <string_view>

#include "fol/fol.h"

namespace assistant::lexermain {

enum class Tok {
  // The first six carry a value.
  FORMULA,
  HYPNAME,
  ID,
  INT,
  FLT,
  BOOL,
  FIN,
  INIT,
  AXIOM,
  PROVE,
  GOAL,
  SET,
  EXIT,
  HELP,
  NHR,
  PHR,
  CG,     // "{"
  DZ,     // "#"
  IND,    // "%"
  PVIRG,  // ";"
  CD,     // "}"
  VERBOSE,
  MAXCNDTS,
  PDSMAXGLOBAL,
  TIMEMAX,
  SPLITTING,
  CHECKSUBCASE,
  TRACEPROOF,
  SELECT,
  UNDO,
  ABORT,
};

struct Token {
  Tok kind = Tok::FIN;
  fol::KFormula formula;  // FORMULA
  std::string text;       // HYPNAME, ID
  int number = 0;         // INT
  double real = 0;        // FLT
  bool boolean = false;   // BOOL
};

class Lexer {
 public:
  explicit Lexer(std::string_view line) : s_(line) {}

  // The next token (blanks and comments skipped). Throws
  // support::Failure("lexing: empty token") on text that starts no token,
  // support::Failure("int_of_string") on an integer beyond the int range, and
  // support::FormulaError on a formula that does not parse.
  Token token();

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

}  // namespace assistant::lexermain
