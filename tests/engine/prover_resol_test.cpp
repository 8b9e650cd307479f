// The resolution step and the candidate gate on a small first-order-like
// test logic: factors, the split checks, hyperresolution methods, empty
// clauses that still carry split literals, and the lazy step's choice.
#include <gtest/gtest.h>

#include "engine/prover_impl.h"
#include "engine/test_access.h"
#include "tests/engine/tcore.h"

namespace {

using tcore::Capture;
using tcore::Cl;
using tcore::Lit;
using tcore::TL;

struct Resol {
  TL logic;
  engine::ProverImpl<TL> impl{logic};
  engine::Core<TL>& core = engine::TestAccess::core(impl);

  Resol() { core.current = core.defaults; }
  Lit lit(const std::string& f) { return Lit{f, {}, core.next_literal_number()}; }
  Cl clause(const std::vector<std::string>& pos, const std::vector<std::string>& neg = {},
            std::vector<int> split_neg = {}, std::vector<int> split_pos = {}) {
    Cl c;
    for (const auto& f : pos) engine::insert_sorted(engine::lit_cmp(core), c.pos, lit(f));
    for (const auto& f : neg) engine::insert_sorted(engine::lit_cmp(core), c.neg, lit(f));
    c.split_neg = std::move(split_neg);
    c.split_pos = std::move(split_pos);
    c.origine = engine::make_origine<TL>(engine::Parentless<TL>{});
    c.num = core.next_clause_number();
    c.contraintes = engine::make_constraints<TL>(tlogic::Empty{});
    return c;
  }
  // Resolves and reports whether the empty clause came out.
  bool resolve(const Cl& c1, const std::string& l1, const Cl& c2, const std::string& l2) {
    try {
      engine::TestAccess::add_resol(impl, c1, lit(l1), c2, lit(l2));
    } catch (const engine::Proved&) {
      return true;
    }
    return false;
  }
};

std::vector<std::string> formulas(const std::vector<Lit>& l) {
  std::vector<std::string> out;
  for (const auto& x : l) out.push_back(x.formule);
  return out;
}

}  // namespace

TEST(ProverResol, ResolventThenItsFactor) {
  Resol r;
  // P(x) | P(y) against ~P(a): the resolvent P(y), then the factor on y := a.
  Cl c1 = r.clause({"P(y)"});
  Cl c2 = r.clause({});
  int before = r.core.clause_counter;
  EXPECT_TRUE(r.resolve(c1, "P(x)", c2, "P(a)"));
  const Cl& res = *r.core.clause_table.at(before + 1);
  EXPECT_EQ(formulas(res.pos), std::vector<std::string>{"P(y)"});
  ASSERT_TRUE(std::holds_alternative<engine::ResOrigine<TL>>(res.origine->v));
  const Cl& fac = *r.core.clause_table.at(before + 2);
  EXPECT_TRUE(fac.pos.empty() && fac.neg.empty());
  const auto& o = std::get<engine::ContrOrigine<TL>>(fac.origine->v);
  EXPECT_EQ(o.num, before + 1);
  EXPECT_EQ(o.lit.formule, "P(a)");
  EXPECT_EQ(r.core.empty_clause_number, before + 2);
  // The resolvent went to the candidates first.
  ASSERT_EQ(r.core.cndats.size(), 1u);
  EXPECT_EQ(r.core.cndats[0]->num, before + 1);
}

TEST(ProverResol, UnifiedLiteralLeavesBothRests) {
  Resol r;
  // P(x) | P(a) | Q against ~P(a) | R: the instance P(a) goes with the resolved one.
  Cl c1 = r.clause({"P(a)", "Q"});
  Cl c2 = r.clause({"R"});
  int before = r.core.clause_counter;
  EXPECT_FALSE(r.resolve(c1, "P(x)", c2, "P(a)"));
  const Cl& res = *r.core.clause_table.at(before + 1);
  EXPECT_EQ(formulas(res.pos), (std::vector<std::string>{"Q", "R"}));
  // The factor search starts from clause 1's positives as they stand, P(a)
  // included: one factor equal to the resolvent, which then subsumes it.
  // Refused, the factor takes its number but is not filed for proofs.
  EXPECT_EQ(r.core.clause_counter, before + 2);
  EXPECT_EQ(r.core.clause_table.count(before + 2), 0u);
  ASSERT_EQ(r.core.cndats.size(), 1u);
  EXPECT_EQ(r.core.cndats[0]->num, before + 1);
}

TEST(ProverResol, FailedUnificationIsQuietAtLevelOne) {
  Resol r;
  Capture cap;
  int before = r.core.clause_counter;
  EXPECT_FALSE(r.resolve(r.clause({}), "P(a)", r.clause({}), "P(b)"));
  EXPECT_EQ(r.core.clause_counter, before + 2);  // only the two test clauses
  EXPECT_EQ(cap.text(), "");
  r.core.current.verbose = 2;
  EXPECT_FALSE(r.resolve(r.clause({}), "P(a)", r.clause({}), "P(b)"));
  EXPECT_EQ(cap.text(), "[]\n");
}

TEST(ProverResol, SubcaseOnlyBetweenTwoSplitClauses) {
  Resol r;
  Capture cap;
  r.core.current.verbose = 2;
  // Both carry split literal 1 (~sp1): same context, a sub-case.
  int before = r.core.clause_counter;
  EXPECT_FALSE(r.resolve(r.clause({"Q"}, {}, {1}), "P", r.clause({"R"}, {}, {1}), "P"));
  EXPECT_EQ(r.core.clause_counter, before + 2);
  EXPECT_EQ(cap.text(), "\nSplitting : Sous-cas detecte\n");
  // Only one carries a split literal: they resolve.
  EXPECT_FALSE(r.resolve(r.clause({"Q"}, {}, {1}), "P", r.clause({"R"}), "P"));
  EXPECT_EQ(r.core.clause_counter, before + 5);
  // Two clauses without split literals resolve.
  EXPECT_FALSE(r.resolve(r.clause({"Q"}), "P", r.clause({"R"}), "P"));
  EXPECT_EQ(r.core.clause_counter, before + 8);
  // Contexts that are not included in each other: no sub-case.
  cap.text();
  EXPECT_FALSE(r.resolve(r.clause({"Q"}, {}, {1}), "P", r.clause({"R"}, {}, {2}), "P"));
  EXPECT_EQ(r.core.clause_counter, before + 11);
  // check_subcase off: the first pair resolves too.
  r.core.current.check_subcase = false;
  EXPECT_FALSE(r.resolve(r.clause({"Q"}, {}, {1}), "P", r.clause({"R"}, {}, {1}), "P"));
  EXPECT_EQ(r.core.clause_counter, before + 14);
  EXPECT_EQ(cap.text().find("Sous-cas"), std::string::npos);
}

TEST(ProverResol, SplitTautologyAndMethods) {
  Resol r;
  Capture cap;
  r.core.current.verbose = 2;
  int before = r.core.clause_counter;
  EXPECT_FALSE(r.resolve(r.clause({"Q"}, {}, {3}), "P", r.clause({"R"}, {}, {}, {3}), "P"));
  EXPECT_EQ(cap.text(), "\nSplitting : Tautologie detectee\n");
  r.core.current.splitting = false;  // nothing is checked then
  EXPECT_FALSE(r.resolve(r.clause({"Q"}, {}, {3}), "P", r.clause({"R"}, {}, {}, {3}), "P"));
  EXPECT_EQ(r.core.clause_counter, before + 5);
  cap.text();
  r.core.current.resolution_method = engine::ResolutionMethod::Nhr;
  EXPECT_FALSE(r.resolve(r.clause({}, {"Q"}), "P", r.clause({"R"}), "P"));
  EXPECT_EQ(cap.text(), "\nMethode : Une resolution empechee\n");
  EXPECT_FALSE(r.resolve(r.clause({"Q"}), "P", r.clause({}, {"R"}), "P"));  // c2 without positives
  EXPECT_EQ(cap.text(), "[]");
  r.core.current.resolution_method = engine::ResolutionMethod::Phr;
  EXPECT_FALSE(r.resolve(r.clause({}, {"Q"}), "P", r.clause({"R"}), "P"));
  EXPECT_EQ(cap.text(), "\nMethode : Une resolution empechee\n");
}

TEST(ProverResol, EmptyClausesWithSplitLiteralsCloseCases) {
  Resol r;
  r.core.splitting_st.init_lit_state();
  // P with ~sp1 against ~P: an empty clause that depends on case sp1.
  EXPECT_FALSE(r.resolve(r.clause({}, {}, {1}), "P", r.clause({}), "P"));
  ASSERT_EQ(r.core.empty_split_clauses.size(), 1u);
  EXPECT_EQ(r.core.empty_split_clauses[0]->split_neg, std::vector<int>{1});
  // The same case again: subsumed, nothing changes.
  EXPECT_FALSE(r.resolve(r.clause({}, {}, {1}), "Q", r.clause({}), "Q"));
  EXPECT_EQ(r.core.empty_split_clauses.size(), 1u);
  // The other case closes the split tree: a proof.
  EXPECT_TRUE(r.resolve(r.clause({}, {}, {}, {1}), "P", r.clause({}), "P"));
}

TEST(ProverResol, LazyStepTakesTheCandidateOnATie) {
  Resol r;
  Capture cap;
  r.core.current.verbose = 2;
  Cl cand = r.clause({"Q"});
  Cl rest = r.clause({});
  r.core.cndats = {engine::share(cand)};
  r.core.taillecndats = 1;
  engine::Majlistes<TL>::add_decables(r.core.decables, rest.num, rest, true, r.lit("P"));
  engine::TestAccess::one_step(r.impl);
  EXPECT_EQ(cap.text().rfind("On prend une clause\n", 0), 0u);
  EXPECT_TRUE(r.core.cndats.empty());
  // A strictly heavier candidate waits for the decomposable.
  cand.poids = 2.0;
  r.core.cndats = {engine::share(cand)};
  r.core.taillecndats = 1;
  r.core.decables.clear();
  engine::Majlistes<TL>::add_decables(r.core.decables, rest.num, rest, true, r.lit("P"));
  engine::TestAccess::one_step(r.impl);
  EXPECT_EQ(cap.text().rfind("On decompose un litteral\n", 0), 0u);
  EXPECT_EQ(r.core.cndats.size(), 1u);
  EXPECT_TRUE(r.core.decables.empty());
  r.core.cndats.clear();
  EXPECT_THROW(engine::TestAccess::one_step(r.impl), engine::ProveFail);
}
