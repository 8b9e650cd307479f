// The assistant's free-mode prove reads goal variables as arbitrary
// individuals and hypothesis variables universally, like fol_prover.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "assistant/main.h"
#include "support/bigstack.h"
#include "support/printer.h"
#include "tests/fol/random_goals.h"

namespace {

TEST(AssistantFreeVariables, GoalVariablesAreRigid) {
  support::run_with_big_stack([] {
    std::ostringstream out;
    support::pp().set_output(&out);
    assistant::Main m;
    for (const char* s : {"pset verbose 0", "pset maxcndts 20", "pset timemax 2"})
      m.execute_line(s);
    auto proves = [&](const std::string& line) {
      out.str("");
      m.execute_line(line);
      support::pp().print_flush();
      return out.str().find("La formule est vraie") != std::string::npos;
    };
    EXPECT_FALSE(proves("prove $r(x,y) -> r(y,x)$"));
    EXPECT_FALSE(proves("prove $p(x) -> forall y. p(y)$"));
    EXPECT_TRUE(proves("prove {$p(x)$} $p(x)$"));
    EXPECT_TRUE(proves("prove {$forall x. p(x)$} $p(y)$"));
    std::mt19937 rng(7);
    int refuted = 0;
    for (int i = 0; i < 5000 && refuted < 100; ++i) {
      randgoals::FP goal = randgoals::gen(rng, 3, false);
      randgoals::FP hyp = rng() % 3 == 0 ? randgoals::gen(rng, 2, false) : nullptr;
      if (!randgoals::has_countermodel(hyp, goal, rng)) continue;
      ++refuted;
      const std::string line = "prove " +
                               (hyp ? "{$" + randgoals::text(hyp) + "$} " : std::string()) + "$" +
                               randgoals::text(goal) + "$";
      EXPECT_FALSE(proves(line)) << "proved, with a countermodel: " << line;
    }
    support::pp().set_output(&std::cout);
    return 0;
  });
}

}  // namespace
