// The command grammar of the three programs, read by recursive descent with
// one token of look-ahead. Tokens are pulled from the lexer only when the
// grammar needs them, so a lexer error to the right of a syntax error is
// never reached.
//
// `Lang` builds one program's values from what the grammar read:
//   Formula, Hyp, Command;
//   nothing(), init(), exit(), help() (only where the program has "help"),
//   hyp(formula, weight, index), axiom(hyp), prove(mode, hyps, formula),
//   set_int(setting, n), set_bool(setting, b);
//   and, where the program has commands of its own,
//   other(first, parser): the command that the keyword `first` starts, read
//   with parser.expect(kind); nullopt when `first` starts none.
//
//   Command c = cmdlang::Parser<Lang>::main(lexer);   // throws CommandError, FormulaError, Failure
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/cmdlex.h"
#include "support/cmdsettings.h"

namespace support::cmdlang {

template <class Lang>
class Parser {
  using F = typename Lang::Formula;
  using Hyp = typename Lang::Hyp;
  using Command = typename Lang::Command;

 public:
  static Command main(Lexer<F>& lex) { return Parser(lex).parse_main(); }

  // The next token, which must be of this kind.
  Token<F> expect(Tok kind) {
    Token<F> t = next();
    if (t.kind != kind) throw CommandError{};
    return t;
  }

 private:
  explicit Parser(Lexer<F>& lex) : lex_(lex) {}

  Token<F>& peek() {
    if (!ahead_) ahead_ = lex_.token();
    return *ahead_;
  }
  Token<F> next() {
    Token<F> t = std::move(peek());
    ahead_.reset();
    return t;
  }
  // main: command FIN | FIN
  Command parse_main() {
    if (peek().kind == Tok::FIN) return Lang::nothing();
    Command c = command();
    expect(Tok::FIN);
    return c;
  }

  Command command() {
    const Tok first = next().kind;
    switch (first) {
      case Tok::AXIOM:
        return Lang::axiom(hyp());
      case Tok::INIT:
        return Lang::init();
      case Tok::PROVE:
        return prove_arg();
      case Tok::SET:
        return set_arg();
      case Tok::EXIT:
        return Lang::exit();
      case Tok::HELP:
        if constexpr (requires { Lang::help(); }) return Lang::help();
        throw CommandError{};
      default:
        if constexpr (requires { Lang::other(first, *this); })
          if (std::optional<Command> c = Lang::other(first, *this)) return std::move(*c);
        throw CommandError{};
    }
  }

  // prove_arg: [mode] CG hyps CD FORMULA | [mode] FORMULA
  Command prove_arg() {
    std::optional<ResolutionMethod> mode;
    if (peek().kind == Tok::NHR || peek().kind == Tok::PHR)
      mode = next().kind == Tok::NHR ? ResolutionMethod::Nhr : ResolutionMethod::Phr;
    std::vector<Hyp> hs;
    if (peek().kind == Tok::CG) {
      next();
      hs = hyps();
      expect(Tok::CD);
    }
    F f = std::move(*expect(Tok::FORMULA).formula);
    return Lang::prove(std::move(mode), std::move(hs), std::move(f));
  }

  // hyps: hyp | hyp PVIRG hyps (never empty, order kept)
  std::vector<Hyp> hyps() {
    std::vector<Hyp> hs;
    hs.push_back(hyp());
    while (peek().kind == Tok::PVIRG) {
      next();
      hs.push_back(hyp());
    }
    return hs;
  }

  // hyp: FORMULA [DZ INT] [IND INT]
  Hyp hyp() {
    F f = std::move(*expect(Tok::FORMULA).formula);
    std::optional<int> poids;
    int indice = 1;
    if (peek().kind == Tok::DZ) {
      next();
      poids = expect(Tok::INT).int_value;
    }
    if (peek().kind == Tok::IND) {
      next();
      indice = expect(Tok::INT).int_value;
    }
    return Lang::hyp(std::move(f), poids, indice);
  }

  Command set_arg() {
    switch (next().kind) {
      case Tok::VERBOSE:
        return Lang::set_int(IntSetting::verbose, expect(Tok::INT).int_value);
      case Tok::MAXCNDTS:
        return Lang::set_int(IntSetting::maxcndts, expect(Tok::INT).int_value);
      case Tok::PDSMAXGLOBAL:
        return Lang::set_int(IntSetting::pdsmax_global, expect(Tok::INT).int_value);
      case Tok::TIMEMAX:
        return Lang::set_int(IntSetting::timemax, expect(Tok::INT).int_value);
      case Tok::SPLITTING:
        return Lang::set_bool(BoolSetting::splitting, expect(Tok::BOOL).bool_value);
      case Tok::CHECKSUBCASE:
        return Lang::set_bool(BoolSetting::check_subcase, expect(Tok::BOOL).bool_value);
      case Tok::TRACEPROOF:
        return Lang::set_bool(BoolSetting::trace_proof, expect(Tok::BOOL).bool_value);
      default:
        throw CommandError{};
    }
  }

  Lexer<F>& lex_;
  std::optional<Token<F>> ahead_;  // the look-ahead token, once read
};

}  // namespace support::cmdlang
