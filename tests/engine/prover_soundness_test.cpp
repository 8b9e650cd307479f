// Soundness against truth tables: random small propositional formulas, with
// and without hypotheses, in each search regime. A formula that is not valid
// must never be answered "La formule est vraie".
#include <random>

#include "prover_test_util.h"

using namespace prover_test;

namespace {

const char* const kAtoms[] = {"p", "q", "r"};

struct Gen {
  std::mt19937 rng;
  explicit Gen(unsigned seed) : rng(seed) {}
  int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

  prop::Formula formula(int depth) {
    if (depth == 0 || pick(4) == 0) {
      int k = pick(14);
      if (k == 0) return prop::true_();
      if (k == 1) return prop::false_();
      return prop::atom(kAtoms[k % 3]);
    }
    switch (pick(6)) {
      case 0:
        return prop::neg(formula(depth - 1));
      case 1:
        return prop::and_(formula(depth - 1), formula(depth - 1));
      case 2:
        return prop::or_(formula(depth - 1), formula(depth - 1));
      case 3:
        return prop::imp(formula(depth - 1), formula(depth - 1));
      case 4:
        return prop::iff(formula(depth - 1), formula(depth - 1));
      default:
        return prop::neg(prop::neg(formula(depth - 1)));
    }
  }
};

bool eval(const prop::Formula& f, unsigned v) {
  switch (f.kind()) {
    case prop::Kind::True:
      return true;
    case prop::Kind::False:
      return false;
    case prop::Kind::Atom: {
      for (int i = 0; i < 3; ++i)
        if (f.name() == kAtoms[i]) return (v >> i) & 1u;
      return false;
    }
    case prop::Kind::Not:
      return !eval(f.sub(), v);
    case prop::Kind::And:
      return eval(f.left(), v) && eval(f.right(), v);
    case prop::Kind::Or:
      return eval(f.left(), v) || eval(f.right(), v);
    case prop::Kind::Imp:
      return !eval(f.left(), v) || eval(f.right(), v);
    case prop::Kind::Iff:
      return eval(f.left(), v) == eval(f.right(), v);
  }
  return false;
}

bool valid(const prop::Formula& f) {
  for (unsigned v = 0; v < 8; ++v)
    if (!eval(f, v)) return false;
  return true;
}

struct Tally {
  int valid = 0, proved = 0, invalid = 0, timeouts = 0;  // timeouts: of valid ones
};

// Proves each generated problem on one engine (attempts follow each other
// as in a session) and checks every "true" answer against the truth table.
Tally run(unsigned seed, int count, const ProveSettings& s, bool with_hyps) {
  Gen g(seed);
  Engine e;
  Tally t;
  for (int i = 0; i < count; ++i) {
    std::vector<Hyp> hyps;
    prop::Formula whole;
    prop::Formula goal = g.formula(3);
    if (with_hyps) {
      prop::Formula h1 = g.formula(2), h2 = g.formula(2);
      hyps = {hyp(h1), hyp(h2)};
      whole = prop::imp(prop::and_(h1, h2), goal);
    } else {
      whole = goal;
    }
    bool is_valid = valid(whole);
    bool ok = e.prove(goal, s, hyps);
    bool said_true = e.text.find("La formule est vraie") != std::string::npos;
    bool timed_out = e.text == "Temps imparti ecoule\n";
    EXPECT_EQ(ok, said_true) << prop::to_string(whole) << "\n" << e.text;
    if (is_valid) {
      ++t.valid;
      t.proved += ok;
      t.timeouts += timed_out;
    } else {
      ++t.invalid;
      EXPECT_FALSE(ok) << "unsound: " << prop::to_string(whole) << "\n" << e.text;
    }
  }
  // Small valid problems are all within reach of every regime: none runs
  // out of candidates (a slow machine may run out of time).
  EXPECT_EQ(t.proved + t.timeouts, t.valid);
  return t;
}

ProveSettings base() {
  ProveSettings s;
  s.verbose = 0;
  s.timemax = 5;
  return s;
}

}  // namespace

TEST(ProverSoundness, RandomFormulasDefaultSettings) {
  Tally t = run(1, 300, base(), false);
  EXPECT_GT(t.invalid, 50);
  EXPECT_GT(t.valid, 20);
}

TEST(ProverSoundness, RandomFormulasWithHypotheses) {
  Tally t = run(2, 300, base(), true);
  EXPECT_GT(t.invalid, 50);
  EXPECT_GT(t.valid, 20);
}

TEST(ProverSoundness, RandomFormulasOtherRegimes) {
  ProveSettings a = base();
  a.check_subcase = false;
  run(3, 100, a, true);
  ProveSettings b = base();
  b.splitting = false;
  run(4, 100, b, true);
  ProveSettings c = base();
  c.lazy_decomposition = false;
  run(5, 100, c, true);
  ProveSettings d = base();
  d.resolution_method = engine::ResolutionMethod::Nhr;
  run(6, 100, d, true);
  ProveSettings f = base();
  f.trace_proof = false;
  f.splitting = false;
  run(7, 100, f, false);
}
