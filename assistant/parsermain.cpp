#include "assistant/parsermain.h"

#include <optional>
#include <utility>

#include "support/cmdparse.h"

namespace assistant::parsermain {
namespace {

using lexermain::Tok;
using support::cmdlang::ResolutionMethod;

// The shared grammar, building this program's commands, with the commands
// that only the assistant has: goal, undo, abort and select.
struct Grammar {
  using Formula = fol::KFormula;
  using Hyp = Hypothesis;
  using Command = parsermain::Command;

  static Command nothing() { return Nothing{}; }
  static Command init() { return Init{}; }
  static Command exit() { return Exit{}; }
  static Command help() { return Help{}; }
  static Hyp hyp(Formula f, std::optional<int> poids, int indice) {
    return Hyp{std::move(f), poids, fol::Constraints{}, indice};
  }
  static Command axiom(Hyp h) { return Axiom{std::move(h)}; }
  static Command prove(std::optional<ResolutionMethod> method, std::vector<Hyp> hyps, Formula f) {
    if (method) return Prove_mode{*method, std::move(hyps), std::move(f)};
    return Prove{std::move(hyps), std::move(f)};
  }
  static Command set_int(IntSetting s, int n) { return Set_int{s, n}; }
  static Command set_bool(BoolSetting s, bool b) { return Set_bool{s, b}; }

  template <class Parser>
  static std::optional<Command> other(Tok first, Parser& in) {
    switch (first) {
      case Tok::GOAL:
        return Goal{std::move(*in.expect(Tok::FORMULA).formula)};
      case Tok::UNDO:
        return Undo{};
      case Tok::ABORT:
        return Abort{};
      case Tok::SELECT:
        return Select{std::move(in.expect(Tok::HYPNAME).text)};
      default:
        return std::nullopt;
    }
  }
};

}  // namespace

Command main(lexermain::Lexer& lexer) { return support::cmdlang::Parser<Grammar>::main(lexer); }

}  // namespace assistant::parsermain
