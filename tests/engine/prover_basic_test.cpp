// The engine on the propositional logic: theorems, non-theorems, the
// outcomes of an attempt and their messages.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/prover_impl.h"
#include "propprover/asynt.h"
#include "propprover/prop.h"
#include "support/printer.h"

namespace {

using engine::ProveSettings;
using Hyp = engine::Hypothesis<prop::PropLogic>;

prop::Formula parse(const std::string& s) {
  auto f = prop::analyse_proposition(s);
  EXPECT_TRUE(f.has_value()) << s;
  return f ? *f : prop::true_();
}

// One engine with its output captured.
struct Engine {
  prop::PropLogic logic;
  engine::Prover<prop::PropLogic> prover{logic};
  std::ostringstream out;

  Engine() { support::pp().set_output(&out); }
  ~Engine() { support::pp().set_output(&std::cout); }

  // True when prove returned normally; the output of this call goes to `text`.
  bool prove(const std::string& goal, ProveSettings s = {}, const std::vector<std::string>& hyps = {}) {
    std::vector<Hyp> hs;
    for (const auto& h : hyps) hs.push_back(Hyp{parse(h), std::nullopt, {}, 1});
    out.str("");
    bool ok = true;
    try {
      prover.prove(s, hs, parse(goal));
    } catch (const engine::ProveFails&) {
      ok = false;
    }
    support::pp().print_flush();
    text = out.str();
    return ok;
  }
  std::string text;
};

ProveSettings quiet() {
  ProveSettings s;
  s.verbose = 0;
  return s;
}

}  // namespace

TEST(ProverBasic, ProvesIdentity) {
  Engine e;
  EXPECT_TRUE(e.prove("p -> p"));
  EXPECT_EQ(e.text.rfind("La formule est vraie\nVoici la preuve :\n", 0), 0u) << e.text;
}
