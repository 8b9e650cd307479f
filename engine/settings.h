// What a proof attempt is asked to do, and what the search asks back: the
// settings of one attempt, the engine's cells for them, and the answers to
// the question between steps. The front ends' command languages build these
// values; the engine reads them.
#pragma once

#include <functional>
#include <optional>

namespace engine {

// Which resolutions an attempt allows: all of them, only those whose second
// clause has no positive literal (nhr), or only those whose first clause has
// no negative literal (phr).
enum class ResolutionMethod { All, Nhr, Phr };

// The ten optional settings of one attempt. Absent means the engine's
// default, except `pdsmax_global`: absent leaves the current limit as it is.
struct ProveSettings {
  std::optional<ResolutionMethod> resolution_method;
  std::optional<bool> lazy_decomposition;
  std::optional<int> verbose;
  std::optional<int> step_prompt;
  std::optional<int> maxcndts;
  std::optional<bool> splitting;
  std::optional<bool> check_subcase;
  std::optional<bool> trace_proof;
  std::optional<int> timemax;
  std::optional<int> pdsmax_global;
};

// The engine's cells: one for the defaults, one for the current attempt.
struct Settings {
  ResolutionMethod resolution_method = ResolutionMethod::All;
  bool lazy_decomposition = true;
  int verbose = 1;
  int step_prompt = 1;  // not 0: the question comes between steps (from verbose 2)
  int maxcndts = 40;
  bool splitting = true;
  bool check_subcase = true;
  bool trace_proof = true;
  int timemax = 30;  // seconds; 0 or less: no limit
};

// The answer to the question between two steps.
enum class StepAnswer {
  GoOn,         // the next step
  NoMoreStops,  // no more traces or questions in this attempt ("c")
  Exit,         // stop the search ("Calcul arrete")
  EndOfInput,   // nothing more to read: the attempt ends without a verdict
};
// Asks the question and reads the answer; the front end supplies it.
using StepQuestion = std::function<StepAnswer()>;

}  // namespace engine
