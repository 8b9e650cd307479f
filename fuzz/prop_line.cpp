// Fuzz entry: one line through prop_prover's command reader and, for an
// axiom or a prove request, through the engine. The search is kept to
// milliseconds by the settings a user could give ("set maxcndts",
// "set pdsmax_global"); no time limit is armed, because libFuzzer owns the
// alarm signal and catches a hang itself.
#include <string>

#include "engine/prover.h"
#include "fuzz/common.h"
#include "propprover/command.h"
#include "propprover/lexermain.h"
#include "propprover/parsermain.h"
#include "propprover/prop.h"
#include "support/errors.h"
#include "support/verdict.h"

namespace {

constexpr int kMaxCandidates = 8;
constexpr int kWeightLimit = 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::discard_output();
  std::string line = fuzz::first_line(data, size);
  fuzz::SignalGuard guard;
  prop::PropLogic logic;
  engine::Prover<prop::PropLogic> prover(logic);
  engine::ProveSettings cells;
  cells.maxcndts = kMaxCandidates;
  cells.pdsmax_global = kWeightLimit;
  cells.timemax = 0;
  try {
    prop::Command c = prop::parse_command(line);
    switch (c.kind) {
      case prop::Command::Kind::Axiom:
        support::verdict::answer_axiom(prover.axiom(c.hyps.front()));
        break;
      case prop::Command::Kind::Prove_mode:
        cells.resolution_method = c.mode;
        support::verdict::prove(prover, cells, c.hyps, c.formula);
        break;
      case prop::Command::Kind::Prove:
        support::verdict::prove(prover, cells, c.hyps, c.formula);
        break;
      case prop::Command::Kind::Init:
        prover.init();
        break;
      default:
        break;
    }
  } catch (const support::Refusal&) {
  }
  support::pp().print_flush();
  return 0;
}
