// Shared helpers of the engine's tests on the propositional logic: an engine
// whose output is captured, and formula parsing.
#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/prover_impl.h"
#include "engine/test_access.h"
#include "propprover/asynt.h"
#include "propprover/prop.h"
#include "support/printer.h"
#include "support/verdict.h"

namespace prover_test {

using engine::ProveSettings;
using Hyp = engine::Hypothesis<prop::PropLogic>;

inline prop::Formula parse(const std::string& s) {
  auto f = prop::analyse_proposition(s);
  EXPECT_TRUE(f.has_value()) << "unreadable: " << s;
  return f ? *f : prop::true_();
}

inline Hyp hyp(const prop::Formula& f) { return Hyp{f, std::nullopt, prop::Constraints{}, 1}; }

// One engine with its output captured; `text` holds the output of the last call.
struct Engine {
  prop::PropLogic logic;
  engine::Prover<prop::PropLogic> prover{logic};
  std::ostringstream out;
  std::string text;

  Engine() { support::pp().set_output(&out); }
  ~Engine() {
    support::pp().print_flush();
    support::pp().set_output(&std::cout);
  }

  // True when the goal was proved (shown or not).
  bool prove(const prop::Formula& goal, const ProveSettings& s = {},
             const std::vector<Hyp>& hyps = {}) {
    out.str("");
    const bool ok = engine::proved(support::verdict::prove(prover, s, hyps, goal));
    support::pp().print_flush();
    text = out.str();
    return ok;
  }
  bool prove(const std::string& goal, const ProveSettings& s = {},
             const std::vector<std::string>& hyps = {}) {
    std::vector<Hyp> hs;
    for (const auto& h : hyps) hs.push_back(hyp(parse(h)));
    return prove(parse(goal), s, hs);
  }
  std::string axiom(const std::string& f) {
    out.str("");
    support::verdict::answer_axiom(prover.axiom(hyp(parse(f))));
    support::pp().print_flush();
    return out.str();
  }
};

inline ProveSettings with_verbose(int v) {
  ProveSettings s;
  s.verbose = v;
  return s;
}

}  // namespace prover_test
