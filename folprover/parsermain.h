// The command grammar of fol_prover: the shared grammar building this
// program's commands (with "help" and the timemax setting).
//
//   Command<F> c = Parsermain<F>::main(lexer);   // throws CommandError, FormulaError, Failure
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "folprover/command.h"
#include "folprover/lexermain.h"
#include "support/cmdparse.h"

namespace folprover {

template <class F>
struct Grammar {
  using Formula = F;
  using Hyp = folprover::Hyp<F>;
  using Command = folprover::Command<F>;

  static Command nothing() { return Nothing{}; }
  static Command init() { return Init{}; }
  static Command exit() { return Exit{}; }
  static Command help() { return Help{}; }
  static Hyp hyp(F f, std::optional<int> poids, int indice) {
    return {std::move(f), poids, indice};
  }
  static Command axiom(Hyp h) { return Axiom<F>{std::move(h)}; }
  static Command prove(std::optional<support::cmdlang::ResolutionMethod> mode,
                       std::vector<Hyp> hyps, F f) {
    if (mode) return Prove_mode<F>{*mode, std::move(hyps), std::move(f)};
    return Prove<F>{std::move(hyps), std::move(f)};
  }
  static Command set_int(IntSetting s, int n) { return Set_int{s, n}; }
  static Command set_bool(BoolSetting s, bool b) { return Set_bool{s, b}; }
};

template <class F>
struct Parsermain {
  static Command<F> main(Lexermain<F>& lex) {
    return support::cmdlang::Parser<Grammar<F>>::main(lex);
  }
};

}  // namespace folprover
