// The command lexer of fol_prover: the shared command lexer with this
// program's keywords, ASCII letters only, and the formula reader given at
// construction (the first-order reader, or a stand-in in tests).
//
//   Lexermain<F> lex(line, analyse_proposition);
//   Token<F> t = lex.token();   // may throw FormulaError or Failure
#pragma once

#include <string>
#include <utility>

#include "support/cmdlex.h"

namespace folprover {

using support::cmdlang::Tok;
template <class F>
using Token = support::cmdlang::Token<F>;

inline constexpr support::cmdlang::Keyword kOwnWords[] = {
    {"set", Tok::SET},
    {"timemax", Tok::TIMEMAX},
    {"help", Tok::HELP},
};
inline constexpr auto kKeywords = support::cmdlang::with_own_words(kOwnWords);

template <class F>
class Lexermain : public support::cmdlang::Lexer<F> {
 public:
  using Reader = typename support::cmdlang::Lexer<F>::Reader;

  Lexermain(std::string line, Reader reader)
      : support::cmdlang::Lexer<F>(std::move(line), kKeywords, support::cmdlang::is_ascii_letter,
                                   std::move(reader)) {}
};

}  // namespace folprover
