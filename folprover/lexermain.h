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

inline constexpr support::cmdlang::Keyword kKeywords[] = {
    {"axiom", Tok::AXIOM},
    {"init", Tok::INIT},
    {"prove", Tok::PROVE},
    {"nhr", Tok::NHR},
    {"phr", Tok::PHR},
    {"set", Tok::SET},
    {"verbose", Tok::VERBOSE},
    {"maxcndts", Tok::MAXCNDTS},
    {"pdsmax_global", Tok::PDSMAXGLOBAL},
    {"timemax", Tok::TIMEMAX},
    {"splitting", Tok::SPLITTING},
    {"check_subcase", Tok::CHECKSUBCASE},
    {"trace_proof", Tok::TRACEPROOF},
    {"exit", Tok::EXIT},
    {"Exit", Tok::EXIT},
    {"quit", Tok::EXIT},
    {"Quit", Tok::EXIT},
    {"sortie", Tok::EXIT},
    {"Sortie", Tok::EXIT},
    {"help", Tok::HELP},
    {"true", Tok::BOOL, true},
    {"false", Tok::BOOL, false},
};

template <class F>
class Lexermain : public support::cmdlang::Lexer<F> {
 public:
  using Reader = typename support::cmdlang::Lexer<F>::Reader;

  Lexermain(std::string line, Reader reader)
      : support::cmdlang::Lexer<F>(std::move(line), kKeywords, support::cmdlang::is_ascii_letter,
                                   std::move(reader)) {}
};

}  // namespace folprover
