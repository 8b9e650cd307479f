// The command language of fol_assistant: the command values, read by the
// shared command grammar (support/cmdparse.h) with the assistant's own
// commands added.
//
//   parsermain::Command c = parsermain::parse_line("prove nhr {$p$ #3 %2; $q$} $p & q$");
//   // Prove_mode{Nhr, {{p, 3, {}, 2}, {q, -, {}, 1}}, p & q}
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "assistant/lexermain.h"
#include "engine/prover.h"
#include "fol/fol.h"
#include "support/cmdsettings.h"

namespace assistant::parsermain {

// A formula with its hints: weight after "#", index after "%" (1 when
// absent); the constraints are always empty. Also the argument of `axiom`.
using Hypothesis = engine::Hypothesis<fol::FolLogic>;

using IntSetting = support::cmdlang::IntSetting;
using BoolSetting = support::cmdlang::BoolSetting;

struct Init {};
struct Undo {};
struct Abort {};
struct Exit {};
struct Help {};
struct Nothing {};  // the empty line
struct Axiom {
  Hypothesis hyp;
};
struct Prove_mode {
  support::cmdlang::ResolutionMethod method;  // Nhr or Phr
  std::vector<Hypothesis> hyps;
  fol::KFormula formula;
};
struct Prove {
  std::vector<Hypothesis> hyps;  // written order; empty without braces
  fol::KFormula formula;
};
struct Goal {
  fol::KFormula formula;
};
struct Set_int {
  IntSetting setting;
  int value;
};
struct Set_bool {
  BoolSetting setting;
  bool value;
};
struct Select {
  std::string name;
};

using Command = std::variant<Init, Undo, Abort, Exit, Help, Nothing, Axiom, Prove_mode, Prove, Goal,
                             Set_int, Set_bool, Select>;

// Reads one whole line, pulling tokens one at a time as the grammar asks.
// Throws support::CommandError on a syntax error, and whatever the lexer throws.
Command main(lexermain::Lexer& lexer);
inline Command parse_line(std::string_view line) {
  lexermain::Lexer lexer(line);
  return main(lexer);
}

}  // namespace assistant::parsermain
