#include "propprover/parsermain.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "propprover/lexermain.h"

namespace prop {

namespace {

// The shared grammar, building this program's commands. It has no "help":
// the lexer never gives HELP or TIMEMAX here.
struct Grammar {
  using Formula = prop::Formula;
  using Hyp = prop::Hyp;
  using Command = prop::Command;

  static Command of_kind(Command::Kind k) {
    Command c;
    c.kind = k;
    return c;
  }
  static Command nothing() { return of_kind(Command::Kind::Nothing); }
  static Command init() { return of_kind(Command::Kind::Init); }
  static Command exit() { return of_kind(Command::Kind::Exit); }
  // The weight hint stays absent without "#"; the index is 1 without "%".
  // A propositional hypothesis has no constraints.
  static Hyp hyp(Formula f, std::optional<int> poids, int indice) {
    return Hyp{std::move(f), poids, Constraints{}, indice};
  }
  static Command axiom(Hyp h) {
    Command c = of_kind(Command::Kind::Axiom);
    c.hyps.push_back(std::move(h));
    return c;
  }
  // "prove nhr ..." or "prove phr ..." names a method (Prove_mode, which the
  // loop keeps for later proves); a bare "prove" leaves it as it is.
  static Command prove(std::optional<support::cmdlang::ResolutionMethod> mode,
                       std::vector<Hyp> hyps, Formula f) {
    Command c = of_kind(mode ? Command::Kind::Prove_mode : Command::Kind::Prove);
    if (mode) c.mode = *mode;
    c.hyps = std::move(hyps);
    c.formula = std::move(f);
    return c;
  }
  static Command set_int(Command::IntSetting s, int n) {
    Command c = of_kind(Command::Kind::Set_int);
    c.int_setting = s;
    c.int_value = n;
    return c;
  }
  static Command set_bool(Command::BoolSetting s, bool b) {
    Command c = of_kind(Command::Kind::Set_bool);
    c.bool_setting = s;
    c.bool_value = b;
    return c;
  }
};

}  // namespace

// The formula reader runs inside the lexer, on the text of each formula
// token as the grammar reaches it.
Command parse_command(std::string_view line) {
  Lexermain lex(line);
  return support::cmdlang::Parser<Grammar>::main(lex);
}

}  // namespace prop
