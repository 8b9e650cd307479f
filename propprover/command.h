// One command line of prop_prover, as the parser builds it.
#pragma once

#include <string>
#include <vector>

#include "engine/prover.h"
#include "propprover/prop.h"
#include "support/cmdsettings.h"

namespace prop {

using Hyp = engine::Hypothesis<PropLogic>;

struct Command {
  enum class Kind { Init, Exit, Nothing, Axiom, Prove_mode, Prove, Set_int, Set_bool };
  // No command of this program names timemax (it is no keyword here).
  using IntSetting = support::cmdlang::IntSetting;
  using BoolSetting = support::cmdlang::BoolSetting;

  Kind kind = Kind::Nothing;
  support::cmdlang::ResolutionMethod mode{};  // Prove_mode: Nhr or Phr
  std::vector<Hyp> hyps;  // Prove_mode, Prove; Axiom holds its one hypothesis here
  Formula formula;        // Prove_mode, Prove
  IntSetting int_setting = IntSetting::verbose;
  int int_value = 0;
  BoolSetting bool_setting = BoolSetting::splitting;
  bool bool_value = false;
};

}  // namespace prop
