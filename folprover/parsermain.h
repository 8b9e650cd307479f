// The command grammar of fol_prover, read by recursive descent with one
// token of look-ahead. Tokens are pulled from the lexer only when the
// grammar needs them, so a lexer error to the right of a syntax error is
// never reached.
//
//   Command<F> c = Parsermain<F>::main(lexer);   // throws ParseError, ErrForm, Failure
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "folprover/command.h"
#include "folprover/lexermain.h"

namespace folprover {

// The line is outside the grammar ("Erreur de commande").
struct ParseError {};

template <class F>
class Parsermain {
 public:
  static Command<F> main(Lexermain<F>& lex) { return Parsermain(lex).parse_main(); }

 private:
  explicit Parsermain(Lexermain<F>& lex) : lex_(lex) {}

  Token<F>& peek() {
    if (!ahead_) ahead_ = lex_.token();
    return *ahead_;
  }
  Token<F> next() {
    Token<F> t = std::move(peek());
    ahead_.reset();
    return t;
  }
  Token<F> expect(Tok kind) {
    Token<F> t = next();
    if (t.kind != kind) throw ParseError{};
    return t;
  }

  // main: command FIN | FIN
  Command<F> parse_main() {
    if (peek().kind == Tok::FIN) return Nothing{};
    Command<F> c = command();
    expect(Tok::FIN);
    return c;
  }

  Command<F> command() {
    switch (next().kind) {
      case Tok::AXIOM:
        return Axiom<F>{hyp()};
      case Tok::INIT:
        return Init{};
      case Tok::PROVE:
        return prove_arg();
      case Tok::SET:
        return set_arg();
      case Tok::EXIT:
        return Exit{};
      case Tok::HELP:
        return Help{};
      default:
        throw ParseError{};
    }
  }

  // prove_arg: [mode] CG hyps CD FORMULA | [mode] FORMULA
  Command<F> prove_arg() {
    std::optional<std::string> mode;
    if (peek().kind == Tok::NHR || peek().kind == Tok::PHR) {
      mode = next().kind == Tok::NHR ? "nhr" : "phr";
    }
    std::vector<Hyp<F>> hs;
    if (peek().kind == Tok::CG) {
      next();
      hs = hyps();
      expect(Tok::CD);
    }
    F f = std::move(*expect(Tok::FORMULA).formula);
    if (mode) return Prove_mode<F>{*mode, std::move(hs), std::move(f)};
    return Prove<F>{std::move(hs), std::move(f)};
  }

  // hyps: hyp | hyp PVIRG hyps (never empty, order kept)
  std::vector<Hyp<F>> hyps() {
    std::vector<Hyp<F>> hs;
    hs.push_back(hyp());
    while (peek().kind == Tok::PVIRG) {
      next();
      hs.push_back(hyp());
    }
    return hs;
  }

  // hyp: FORMULA [DZ INT] [IND INT]
  Hyp<F> hyp() {
    Hyp<F> h{std::move(*expect(Tok::FORMULA).formula), std::nullopt, 1};
    if (peek().kind == Tok::DZ) {
      next();
      h.poids = expect(Tok::INT).int_value;
    }
    if (peek().kind == Tok::IND) {
      next();
      h.indice = expect(Tok::INT).int_value;
    }
    return h;
  }

  Command<F> set_arg() {
    switch (next().kind) {
      case Tok::VERBOSE:
        return Set_int{IntSetting::verbose, expect(Tok::INT).int_value};
      case Tok::MAXCNDTS:
        return Set_int{IntSetting::maxcndts, expect(Tok::INT).int_value};
      case Tok::PDSMAXGLOBAL:
        return Set_int{IntSetting::pdsmax_global, expect(Tok::INT).int_value};
      case Tok::TIMEMAX:
        return Set_int{IntSetting::timemax, expect(Tok::INT).int_value};
      case Tok::SPLITTING:
        return Set_bool{BoolSetting::splitting, expect(Tok::BOOL).bool_value};
      case Tok::CHECKSUBCASE:
        return Set_bool{BoolSetting::check_subcase, expect(Tok::BOOL).bool_value};
      case Tok::TRACEPROOF:
        return Set_bool{BoolSetting::trace_proof, expect(Tok::BOOL).bool_value};
      default:
        throw ParseError{};
    }
  }

  Lexermain<F>& lex_;
  std::optional<Token<F>> ahead_;  // the look-ahead token, once read
};

}  // namespace folprover
