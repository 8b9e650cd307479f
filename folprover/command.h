// The command values of fol_prover: one input line reads as one command.
// The formula type is a parameter so that the command language can be read
// and tested without the first-order logic behind it.
//
//   Command<F> c = Parsermain<F>::main(lexer);
//   if (auto* p = std::get_if<Prove<F>>(&c)) ...
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "support/cmdsettings.h"

namespace folprover {

// A hypothesis as written: formula, weight after "#", index after "%".
// Its constraints are always empty, so the loop adds them.
template <class F>
struct Hyp {
  F formula;
  std::optional<int> poids;  // absent when no "#"
  int indice = 1;            // 1 when no "%"
};

using IntSetting = support::cmdlang::IntSetting;
using BoolSetting = support::cmdlang::BoolSetting;

struct Init {};
struct Exit {};
struct Help {};
struct Nothing {};
template <class F>
struct Axiom {
  Hyp<F> hyp;
};
template <class F>
struct Prove_mode {
  support::cmdlang::ResolutionMethod mode;  // Nhr or Phr
  std::vector<Hyp<F>> hyps;
  F formula;
};
template <class F>
struct Prove {
  std::vector<Hyp<F>> hyps;
  F formula;
};
struct Set_int {
  IntSetting setting;
  int value;
};
struct Set_bool {
  BoolSetting setting;
  bool value;
};

template <class F>
using Command =
    std::variant<Init, Exit, Help, Nothing, Axiom<F>, Prove_mode<F>, Prove<F>, Set_int, Set_bool>;

}  // namespace folprover
