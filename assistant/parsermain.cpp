#include "assistant/parsermain.h"

#include <optional>
#include <utility>

#include "support/errors.h"

namespace assistant::parsermain {
namespace {

using lexermain::Tok;
using lexermain::Token;

// Recursive descent with one token of look-ahead, read only when needed,
// so the first error from the left is the one raised.
class Parser {
 public:
  explicit Parser(lexermain::Lexer& lx) : lx_(lx) {}

  Command line() {
    if (peek().kind == Tok::FIN) return Nothing{};
    Command c = command();
    expect(Tok::FIN);
    return c;
  }

 private:
  const Token& peek() {
    if (!la_) la_ = lx_.token();
    return *la_;
  }
  Token take() {
    peek();
    Token t = std::move(*la_);
    la_.reset();
    return t;
  }
  Token expect(Tok k) {
    if (peek().kind != k) throw support::CommandError{};
    return take();
  }

  Command command() {
    switch (take().kind) {
      case Tok::AXIOM:
        return Axiom{hyp()};
      case Tok::INIT:
        return Init{};
      case Tok::PROVE:
        return prove_arg();
      case Tok::GOAL:
        return Goal{expect(Tok::FORMULA).formula};
      case Tok::SET:
        return set_arg();
      case Tok::UNDO:
        return Undo{};
      case Tok::ABORT:
        return Abort{};
      case Tok::EXIT:
        return Exit{};
      case Tok::HELP:
        return Help{};
      case Tok::SELECT:
        return Select{expect(Tok::HYPNAME).text};
      default:
        throw support::CommandError{};
    }
  }

  Command prove_arg() {
    std::optional<support::cmdlang::ResolutionMethod> method;
    if (peek().kind == Tok::NHR || peek().kind == Tok::PHR)
      method = take().kind == Tok::NHR ? support::cmdlang::ResolutionMethod::Nhr : support::cmdlang::ResolutionMethod::Phr;
    std::vector<Hypothesis> hyps;
    if (peek().kind == Tok::CG) {
      take();
      hyps.push_back(hyp());
      while (peek().kind == Tok::PVIRG) {
        take();
        hyps.push_back(hyp());
      }
      expect(Tok::CD);
    }
    fol::KFormula f = expect(Tok::FORMULA).formula;
    if (method) return Prove_mode{*method, std::move(hyps), std::move(f)};
    return Prove{std::move(hyps), std::move(f)};
  }

  // FORMULA ["#" INT] ["%" INT]
  Hypothesis hyp() {
    Hypothesis h{expect(Tok::FORMULA).formula, std::nullopt, fol::Constraints{}, 1};
    if (peek().kind == Tok::DZ) {
      take();
      h.poids = expect(Tok::INT).number;
    }
    if (peek().kind == Tok::IND) {
      take();
      h.indice = expect(Tok::INT).number;
    }
    return h;
  }

  Command set_arg() {
    switch (take().kind) {
      case Tok::VERBOSE:
        return Set_int{IntSetting::verbose, expect(Tok::INT).number};
      case Tok::MAXCNDTS:
        return Set_int{IntSetting::maxcndts, expect(Tok::INT).number};
      case Tok::PDSMAXGLOBAL:
        return Set_int{IntSetting::pdsmax_global, expect(Tok::INT).number};
      case Tok::TIMEMAX:
        return Set_int{IntSetting::timemax, expect(Tok::INT).number};
      case Tok::SPLITTING:
        return Set_bool{BoolSetting::splitting, expect(Tok::BOOL).boolean};
      case Tok::CHECKSUBCASE:
        return Set_bool{BoolSetting::check_subcase, expect(Tok::BOOL).boolean};
      case Tok::TRACEPROOF:
        return Set_bool{BoolSetting::trace_proof, expect(Tok::BOOL).boolean};
      default:
        throw support::CommandError{};
    }
  }

  lexermain::Lexer& lx_;
  std::optional<Token> la_;
};

}  // namespace

Command main(lexermain::Lexer& lexer) { return Parser(lexer).line(); }

}  // namespace assistant::parsermain
