#include "assistant/main.h"

namespace assistant {

Main::Main() : prover(logic) {}

std::string Main::next_number() { return std::to_string(++number_counter_); }

std::string Main::next_hyp_name() { return "#" + std::to_string(++hyp_name_counter_); }

engine::ProveSettings Main::settings() const {
  return {resolution_method, lazy_decomposition, verbose,     step_prompt, maxcndts,
          splitting,         check_subcase,      trace_proof, timemax,     pdsmax_global};
}

}  // namespace assistant
