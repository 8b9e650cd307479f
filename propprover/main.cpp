#include "propprover/main.h"

#include <optional>
#include <string>

#include "engine/prover.h"
#include "engine/ptypes.h"
#include "propprover/parsermain.h"
#include "support/cmdloop.h"
#include "support/verdict.h"

namespace prop {

std::optional<int> Main::execute_line(const std::string& line) {
  return support::cmdloop::run_line([&] { return dispatch(parse_command(line)); });
}

std::optional<int> Main::dispatch(const Command& c) {
  switch (c.kind) {
    case Command::Kind::Init:
      support::cmdloop::answer("Liste des axiomes videe");
      prover_.init();
      break;
    case Command::Kind::Exit:
      return support::cmdloop::farewell();
    case Command::Kind::Nothing:
      break;
    case Command::Kind::Axiom:
      support::verdict::answer_axiom(prover_.axiom(c.hyps.front()));
      break;
    case Command::Kind::Prove_mode:
      // The method stays in force for later proves that name none.
      cells_.resolution_method = c.mode;
      support::verdict::prove(prover_, cells_, c.hyps, c.formula);
      break;
    case Command::Kind::Prove:
      support::verdict::prove(prover_, cells_, c.hyps, c.formula);
      break;
    case Command::Kind::Set_int:
      support::cmdlang::set(cells_, c.int_setting, c.int_value);
      break;
    case Command::Kind::Set_bool:
      support::cmdlang::set(cells_, c.bool_setting, c.bool_value);
      break;
  }
  return std::nullopt;
}

int run_prop_prover() {
  return support::cmdloop::guarded("prop_prover", [] {
    Main m;
    return support::cmdloop::boucle("prop_prover", m);
  });
}

}  // namespace prop
