#include "assistant/main.h"

namespace assistant {

Main::Main() : prover(logic) {}

engine::ProveSettings Main::settings() const {
  return {resolution_method, lazy_decomposition, verbose,     step_prompt, maxcndts,
          splitting,         check_subcase,      trace_proof, timemax,     pdsmax_global};
}

CheckContext Main::check_context() { return {prover, settings(), logic.session(), next_number}; }

}  // namespace assistant
