// Tokens of the proof language of fol_assistant.
//
// The lexer works on one phrase (one input line) and hands out one token per
// call, so a reader that pulls tokens as its grammar asks meets the first
// error from the left. Formulas between dollars are read by the first-order
// reader; a definition "{x=t}" reads t as the atom Term(t).
//
//   lexernc::Lexer lx("assume $A$ [h]");
//   lexernc::Token t = lx.token();   // ASSUME, then FORMULA, HYPNAME, FIN
#pragma once

#include <string>
#include <string_view>

#include "fol/fol.h"

namespace assistant::lexernc {

enum class Tok {
  EQUAL,    // {x=t}: name and the atom Term(t)
  FORMULA,  // $...$
  NAME,     // identifier that is no keyword
  HYPNAME,  // [...]
  STAR,     // *n (no production uses it)
  FIN,
  LABEL,
  MYLET,
  SEARCH,
  ASSUME,
  DEDUCE,
  TRIVIAL,
  PROVE,
  SET,
  BYABSURD,
  SHOW,
  SHOWN,
  PROOF,
  ENDPROOF,
  PBEGIN,
  PEND,
  MYTHEN,
  BY,
  MYWITH,
  MYAND,
  VIRG,
  MYIN,  // "in" (no production uses it)
};

struct Token {
  Tok kind = Tok::FIN;
  std::string text;      // NAME, HYPNAME, and the name of EQUAL
  fol::Formula formula;  // FORMULA, and the term formula of EQUAL
  int number = 0;        // STAR
};

class Lexer {
 public:
  explicit Lexer(std::string_view phrase) : s_(phrase) {}

  // The next token. Throws support::Failure("lexing: empty token") on text that
  // starts no token, support::Failure("int_of_string") on a star number beyond
  // the int range, support::FormulaError on a formula that does not parse,
  // and the first-order reader's own errors (or support::CommandError) on a
  // bad definition.
  Token token();

 private:
  Token definition(std::size_t close);

  std::string_view s_;
  std::size_t pos_ = 0;
};

}  // namespace assistant::lexernc
