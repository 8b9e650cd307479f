// The engine on the propositional logic: theorems under each search regime,
// non-theorems, the outcomes of an attempt and their messages.
#include "prover_test_util.h"

using namespace prover_test;

namespace {

const char* const kTheorems[] = {
    "p -> p",
    "p | ~p",
    "(p -> q) -> (~q -> ~p)",
    "((p -> q) -> p) -> p",
    "(p & q) -> (q & p)",
    "(p | q) -> (q | p)",
    "((p -> q) & (q -> r)) -> (p -> r)",
    "~(p & q) <-> (~p | ~q)",
    "~(p | q) <-> (~p & ~q)",
    "(p <-> q) <-> (q <-> p)",
    "p -> (q -> p)",
    "(p -> (q -> r)) -> ((p -> q) -> (p -> r))",
    "~(~p) -> p",
    "p -> ~(~p)",
    "(p & (q | r)) <-> ((p & q) | (p & r))",
    "(p -> q) | (q -> p)",
    "((p -> r) & (q -> r)) -> ((p | q) -> r)",
    "(p -> q) <-> (~p | q)",
    "faux -> p",
    "p -> vrai",
    "~(p & ~p)",
    "(p & q) | (~p & q) | (p & ~q) | (~p & ~q)",
};

const char* const kNonTheorems[] = {
    "p",         "p -> q",        "(p -> q) -> (q -> p)",
    "p | q",     "(p -> q) -> p", "(p <-> q) -> (p & q)",
    "~(p -> q)", "faux",          "p & ~p",
};

struct Regime {
  const char* name;
  ProveSettings s;
};

std::vector<Regime> regimes() {
  std::vector<Regime> r;
  r.push_back({"default", {}});
  ProveSettings a;
  a.check_subcase = false;
  r.push_back({"no check_subcase", a});
  ProveSettings b;
  b.splitting = false;
  r.push_back({"no splitting", b});
  ProveSettings c;
  c.lazy_decomposition = false;
  r.push_back({"not lazy", c});
  ProveSettings d;
  d.lazy_decomposition = false;
  d.splitting = false;
  r.push_back({"not lazy, no splitting", d});
  ProveSettings e;
  e.trace_proof = false;
  r.push_back({"no trace_proof", e});
  return r;
}

}  // namespace

// Each theorem on a fresh engine, so no attempt inherits the heaviest
// candidate weight of another.
TEST(ProverTheorems, ProvedInEveryRegime) {
  for (const Regime& r : regimes()) {
    for (const char* t : kTheorems) {
      Engine e;
      EXPECT_TRUE(e.prove(t, r.s)) << r.name << ": " << t << "\n" << e.text;
      EXPECT_EQ(e.text.rfind("La formule est vraie\n", 0), 0u) << r.name << ": " << t;
    }
  }
}

// With splitting, this one splits into many cases and the bounded
// candidate list drops clauses it needs: it takes a few more candidates.
TEST(ProverTheorems, DistributivityNeedsMoreCandidates) {
  const char* t = "(p | (q & r)) <-> ((p | q) & (p | r))";
  for (const Regime& r : regimes()) {
    Engine e;
    ProveSettings s = r.s;
    s.maxcndts = 50;
    EXPECT_TRUE(e.prove(t, s)) << r.name << "\n" << e.text;
  }
}

TEST(ProverTheorems, NonTheoremsRefusedInEveryRegime) {
  for (const Regime& r : regimes()) {
    for (const char* t : kNonTheorems) {
      Engine e;
      EXPECT_FALSE(e.prove(t, r.s)) << r.name << ": " << t;
      EXPECT_EQ(e.text, "La formule n'est pas prouvee (plus de candidats)\n")
          << r.name << ": " << t;
    }
  }
}

TEST(ProverTheorems, HypothesesAreUsed) {
  Engine e;
  EXPECT_TRUE(e.prove("q", with_verbose(0), {"p", "p -> q"}));
  EXPECT_EQ(e.text, "La formule est vraie\n");
  EXPECT_TRUE(e.prove("r", with_verbose(0), {"p | q", "p -> r", "q -> r"}));
  EXPECT_FALSE(e.prove("r", with_verbose(0), {"p | q", "p -> r"}));
  // A false hypothesis proves anything at once; a true one adds nothing.
  EXPECT_TRUE(e.prove("q", with_verbose(0), {"faux"}));
  EXPECT_FALSE(e.prove("q", with_verbose(0), {"vrai"}));
}

TEST(ProverOutcomes, TrueGoalEndsBeforeAnySearch) {
  Engine e;
  EXPECT_TRUE(e.prove("vrai"));
  // The proof is the root record itself.
  EXPECT_EQ(e.text, "La formule est vraie\nVoici la preuve :\n\\(0) :  #1. %2.\n");
  EXPECT_TRUE(e.prove("vrai", with_verbose(0)));
  EXPECT_EQ(e.text, "La formule est vraie\n");
}

TEST(ProverOutcomes, NegatedTrueGoalAddsNoClause) {
  Engine e;
  EXPECT_FALSE(e.prove("~vrai"));
  EXPECT_EQ(e.text, "La formule n'est pas prouvee (plus de candidats)\n");
  // The hypotheses alone are contradictory: proved without a goal clause.
  EXPECT_TRUE(e.prove("~vrai", with_verbose(0), {"p", "~p"}));
  EXPECT_EQ(e.text, "La formule est vraie\n");
}

TEST(ProverOutcomes, VerboseZeroPrintsOnlyTheVerdict) {
  Engine e;
  EXPECT_TRUE(e.prove("(p -> q) -> (~q -> ~p)", with_verbose(0)));
  EXPECT_EQ(e.text, "La formule est vraie\n");
  EXPECT_FALSE(e.prove("p -> q", with_verbose(0)));
  EXPECT_EQ(e.text, "La formule n'est pas prouvee (plus de candidats)\n");
}

TEST(ProverOutcomes, ProofTreeLayout) {
  Engine e;
  EXPECT_TRUE(e.prove("p -> p"));
  EXPECT_EQ(e.text,
            "La formule est vraie\n"
            "Voici la preuve :\n"
            "\\(4) :  #0. %3. $res p\n"
            " \\(2)p :  #2.1 %1. $dec -impl p -> p\n"
            " |\\(1)~(p -> p) :  #1. %2.\n"
            " \\(3)~p :  #2.1 %1. $dec -impr p -> p\n"
            "  \\(1)~(p -> p) :  #1. %2.\n");
  // Without trace_proof only the verdict is shown.
  ProveSettings s;
  s.trace_proof = false;
  EXPECT_TRUE(e.prove("p -> p", s));
  EXPECT_EQ(e.text, "La formule est vraie\n");
}

TEST(ProverOutcomes, ProofUsesTheHypotheses) {
  Engine e;
  EXPECT_TRUE(e.prove("q", {}, {"p", "p -> q"}));
  // Every clause of the tree is one of this attempt's: hypotheses 1 and 2, goal 3.
  EXPECT_NE(e.text.find("(1)p :  #1. %1."), std::string::npos) << e.text;
  EXPECT_NE(e.text.find("(3)~q :  #1. %2."), std::string::npos) << e.text;
  EXPECT_NE(e.text.find("$dec +imp p -> q"), std::string::npos) << e.text;
}

TEST(ProverOutcomes, AbsentSettingsMeanDefaults) {
  Engine e;
  EXPECT_TRUE(e.prove("p -> p", with_verbose(0)));
  EXPECT_EQ(e.text, "La formule est vraie\n");
  EXPECT_TRUE(e.prove("p -> p"));  // verbose back to 1: the proof is shown
  EXPECT_NE(e.text.find("Voici la preuve :"), std::string::npos);
}

TEST(ProverOutcomes, WeightLimitCarriesOver) {
  Engine e;
  ProveSettings low = with_verbose(0);
  low.pdsmax_global = 2;
  EXPECT_FALSE(e.prove("(p & q) -> (q & p)", low));
  EXPECT_EQ(engine::TestAccess::core(e.prover).weights.pdsmax_global, 2.0);
  // Absent: the limit stays where the last request put it.
  EXPECT_FALSE(e.prove("(p & q) -> (q & p)", with_verbose(0)));
  ProveSettings high = with_verbose(0);
  high.pdsmax_global = 500;
  EXPECT_TRUE(e.prove("(p & q) -> (q & p)", high));
}

TEST(ProverOutcomes, ResolutionMethods) {
  Engine e;
  ProveSettings nhr = with_verbose(0);
  nhr.resolution_method = engine::ResolutionMethod::Nhr;
  EXPECT_TRUE(e.prove("p -> p", nhr));
  // Resolving hypothesis p with the negative side of p -> q leaves q in
  // the second rest: "nhr" refuses it, and says so at level 2; "phr"
  // refuses the pair of the goal ~q with the rest ~p.
  for (auto m : {engine::ResolutionMethod::Nhr, engine::ResolutionMethod::Phr}) {
    ProveSettings s = with_verbose(2);
    s.resolution_method = m;
    s.step_prompt = 0;
    EXPECT_TRUE(e.prove("q", s, {"p", "p -> q"})) << static_cast<int>(m);
    EXPECT_NE(e.text.find("\nMethode : Une resolution empechee\n"), std::string::npos)
        << static_cast<int>(m) << e.text;
    s.resolution_method = engine::ResolutionMethod::All;
    EXPECT_TRUE(e.prove("q", s, {"p", "p -> q"}));
    EXPECT_EQ(e.text.find("Methode"), std::string::npos) << e.text;
  }
}

// The split checks of the resolution step, seen through their level-2 traces.
TEST(ProverOutcomes, SplitChecksFollowTheSettings) {
  const char* t = "(p & (q | r)) <-> ((p & q) | (p & r))";
  auto traces = [&](std::optional<bool> splitting, std::optional<bool> subcase) {
    Engine e;
    ProveSettings s = with_verbose(2);
    s.step_prompt = 0;
    s.splitting = splitting;
    s.check_subcase = subcase;
    EXPECT_TRUE(e.prove(t, s));
    return std::make_pair(e.text.find("\nSplitting : Sous-cas detecte\n") != std::string::npos,
                          e.text.find("\nSplitting : Tautologie detectee\n") != std::string::npos);
  };
  EXPECT_EQ(traces({}, {}), std::make_pair(true, true));
  EXPECT_EQ(traces({}, false), std::make_pair(false, true));
  // Without splitting nothing is checked, whatever check_subcase says.
  EXPECT_EQ(traces(false, true), std::make_pair(false, false));
}

// The level-2 layout of a whole attempt: the end-of-step lists, then the
// lazy step's literal with its rest clause and the "{}" and "[]" markers.
TEST(ProverOutcomes, LevelTwoTraceLayout) {
  Engine e;
  ProveSettings s = with_verbose(2);
  s.step_prompt = 0;
  EXPECT_TRUE(e.prove("p -> p", s));
  EXPECT_EQ(e.text,
            "On prend une clause\n"
            "\n\nLes clauses deja vues :\n\n"
            "(1)~(p -> p) :  #1. %2.\n\n\n"
            "Les clauses candidates :\n\n\n\n"
            "La liste des decomposables :\n"
            "~(p -> p)\n(1) :  #1. %2.\nprovient de la clause 1\n\n\n\n"
            "taille !djvues : 1\n"
            "taille taillecndats : 0\n\n"
            "On decompose un litteral\n"
            "Le litteral :\n~(p -> p)\n"
            "Le reste de la clause :(1) :  #1. %2.\n"
            "{}[]La formule est vraie\n"
            "Voici la preuve :\n"
            "\\(4) :  #0. %3. $res p\n"
            " \\(2)p :  #2.1 %1. $dec -impl p -> p\n"
            " |\\(1)~(p -> p) :  #1. %2.\n"
            " \\(3)~p :  #2.1 %1. $dec -impr p -> p\n"
            "  \\(1)~(p -> p) :  #1. %2.\n");
}

TEST(ProverOutcomes, LevelThreeAndFourTraces) {
  Engine e;
  ProveSettings s = with_verbose(3);
  s.step_prompt = 0;
  EXPECT_TRUE(e.prove("q", s, {"p", "p -> q"}));
  EXPECT_NE(e.text.find("La clause ajoutee :\n\n(1)p :  #1. %1.\n\n"), std::string::npos) << e.text;
  EXPECT_NE(e.text.find("Clause non splittee\n\n"), std::string::npos);
  // Here resolvents of two literals are taken and split.
  EXPECT_TRUE(e.prove("(p <-> q) <-> (q <-> p)", s));
  EXPECT_NE(e.text.find("Le splitting de la clause donne :\n\n"), std::string::npos);
  EXPECT_EQ(e.text.find("Les decompositions :"), std::string::npos);
  s.lazy_decomposition = false;
  s.verbose = 4;
  EXPECT_TRUE(e.prove("(p | q) -> (q | p)", s));
  EXPECT_NE(e.text.find("Les decompositions :\n\n"), std::string::npos);
  EXPECT_NE(e.text.find("\nunification reussie\nl = "), std::string::npos);
  EXPECT_NE(e.text.find("clause obtenue = "), std::string::npos);
}
