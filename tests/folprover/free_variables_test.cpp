// The free variables of a prove goal stand for arbitrary individuals, those
// of hypotheses and axioms for every individual: random goals against a
// countermodel search that reads them so.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "folprover/main.h"
#include "support/bigstack.h"
#include "support/printer.h"
#include "tests/fol/random_goals.h"

namespace {

struct Session {
  std::ostringstream out;
  folprover::Main m;
  Session() {
    support::pp().set_output(&out);
    for (const char* s : {"set verbose 0", "set maxcndts 20", "set timemax 2"}) m.execute_line(s);
  }
  ~Session() { support::pp().set_output(&std::cout); }
  bool proves(const std::string& line) {
    out.str("");
    m.execute_line(line);
    support::pp().print_flush();
    return out.str().find("La formule est vraie") != std::string::npos;
  }
};

TEST(FreeVariables, GoalVariablesAreRigidAndHypothesesUniversal) {
  support::run_with_big_stack([] {
    Session s;
    for (const char* t :
         {"prove r(x,y) -> r(y,x)", "prove p(x) -> forall y. p(y)",
          "prove (exists x. p(x)) -> p(y)", "prove p(c) -> p(d())", "prove [p(x) | q(x)] p(x)"})
      EXPECT_FALSE(s.proves(t)) << t;
    for (const char* t : {"prove p(x) -> p(x)", "prove [p(x)] p(x)", "prove [forall x. p(x)] p(y)",
                          "prove p(x) -> exists y. p(y)", "prove [p(x)] p(a())",
                          "prove (forall x. p(x)) -> p(a())"})
      EXPECT_TRUE(s.proves(t)) << t;
    return 0;
  });
}

// Several hundred random goals, some with a hypothesis: none with a
// countermodel may be proved, and the prover must still prove a good share
// of the others.
TEST(FreeVariables, RandomGoalsAgainstSmallModels) {
  support::run_with_big_stack([] {
    Session s;
    std::mt19937 rng(2026);
    // Valid goals are rare among random ones: draw until there are enough
    // of both kinds.
    int refuted = 0, proved_valid = 0, valid = 0;
    for (int i = 0; i < 20000 && (refuted < 300 || valid < 100); ++i) {
      randgoals::FP goal = randgoals::gen(rng, 3, false);
      randgoals::FP hyp = rng() % 4 == 0 ? randgoals::gen(rng, 2, false) : nullptr;
      const bool counter = randgoals::has_countermodel(hyp, goal, rng);
      if (counter ? refuted >= 300 : valid >= 100) continue;
      const std::string line = "prove " +
                               (hyp ? "[" + randgoals::text(hyp) + "] " : std::string()) +
                               randgoals::text(goal);
      const bool proved = s.proves(line);
      if (counter) {
        ++refuted;
        EXPECT_FALSE(proved) << "proved, with a countermodel: " << line;
      } else {
        ++valid;
        proved_valid += proved;
      }
    }
    EXPECT_EQ(refuted, 300);
    EXPECT_EQ(valid, 100);
    EXPECT_GT(proved_valid * 2, valid);
    return 0;
  });
}

}  // namespace
