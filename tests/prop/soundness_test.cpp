// The prover on random small formulas, checked against their truth tables:
// a formula that is not valid must never be answered "La formule est vraie".
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>

#include "engine/prover.h"
#include "propprover/asynt.h"
#include "propprover/prop.h"
#include "support/bigstack.h"
#include "support/printer.h"
#include "support/verdict.h"

namespace {

using namespace prop;

const char* const kAtoms[] = {"p", "q", "r"};

// Atoms p, q, r; now and then a constant.
Formula random_formula(std::mt19937& g, int depth) {
  std::uniform_int_distribution<int> pick(0, depth <= 0 ? 3 : 10);
  switch (int k = pick(g)) {
    case 0:
    case 1:
    case 2:
      return atom(kAtoms[k]);
    case 3:
      return std::uniform_int_distribution<int>(0, 1)(g) == 0 ? false_() : true_();
    case 4:
      return neg(random_formula(g, depth - 1));
    case 5:
      return and_(random_formula(g, depth - 1), random_formula(g, depth - 1));
    case 6:
    case 7:
      return or_(random_formula(g, depth - 1), random_formula(g, depth - 1));
    case 8:
    case 9:
      return imp(random_formula(g, depth - 1), random_formula(g, depth - 1));
    default:
      return iff(random_formula(g, depth - 1), random_formula(g, depth - 1));
  }
}

bool eval(const Formula& f, unsigned v) {
  switch (f.kind()) {
    case Kind::True:
      return true;
    case Kind::False:
      return false;
    case Kind::Atom:
      return (v >> (f.name()[0] - 'p')) & 1u;
    case Kind::Not:
      return !eval(f.sub(), v);
    case Kind::And:
      return eval(f.left(), v) && eval(f.right(), v);
    case Kind::Or:
      return eval(f.left(), v) || eval(f.right(), v);
    case Kind::Imp:
      return !eval(f.left(), v) || eval(f.right(), v);
    case Kind::Iff:
      return eval(f.left(), v) == eval(f.right(), v);
  }
  return false;
}

bool valid(const Formula& f) {
  for (unsigned v = 0; v < 8; ++v)
    if (!eval(f, v)) return false;
  return true;
}

TEST(PropSoundness, RandomFormulasAgainstTruthTables) {
  std::ostringstream sink;
  support::pp().set_output(&sink);
  PropLogic logic;
  engine::Prover<PropLogic> prover(logic);
  engine::ProveSettings s;
  s.verbose = 0;
  s.timemax = 2;
  std::mt19937 g(20261209);
  int proved = 0, theorems = 0;
  for (int i = 0; i < 600; ++i) {
    // Every third case proves from hypotheses: sound iff /\hyps -> goal is valid.
    std::vector<engine::Hypothesis<PropLogic>> hyps;
    Formula goal = random_formula(g, 3);
    Formula whole = goal;
    if (i % 3 == 0) {
      for (int k = 0; k < 2; ++k) {
        Formula h = random_formula(g, 2);
        hyps.push_back({h, std::nullopt, Constraints{}, 1});
        whole = imp(h, whole);
      }
    }
    bool is_valid = valid(whole);
    theorems += is_valid;
    const bool answered_true = engine::proved(support::verdict::prove(prover, s, hyps, goal));
    proved += answered_true;
    EXPECT_TRUE(!answered_true || is_valid) << "proved a non-theorem: " << to_string(whole);
  }
  support::pp().set_output(&std::cout);
  // Not a completeness claim; shown so a regression in strength is noticed.
  std::cout << "proved " << proved << " of " << theorems << " valid cases\n";
  EXPECT_GT(proved, 0);
}

// Deep input: read on a big stack, refused beyond the nesting limit.
TEST(PropDepth, NestingLimitOnBigStack) {
  int status = support::run_with_big_stack([] {
    const long n = support::kMaxNesting;
    std::string ok = std::string(n, '(') + "p" + std::string(n, ')') + " -> p";
    std::string too_deep = std::string(n + 1, '(') + "p" + std::string(n + 1, ')');
    std::string negs;
    for (int i = 0; i < 60000; ++i) negs += "~(";
    negs += "p" + std::string(60000, ')');
    std::optional<Formula> f = analyse_proposition(ok);
    std::optional<Formula> g = analyse_proposition(negs);
    bool good = f && *f == imp(atom("p"), atom("p")) && !analyse_proposition(too_deep) && g &&
                g->depth() == 60001 &&
                to_string(*g).size() == 59999 * 3 + 2;  // the innermost ~p needs no brackets
    return good ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
