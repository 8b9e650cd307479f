// Decomposition of one literal on the propositional logic: the weight
// gates, rules that give no clause, the rest clause itself, the literals
// filed for resolution, and the rule count in the weight.
#include "prover_test_util.h"

using namespace prover_test;

namespace {

using Cl = engine::Clause<prop::PropLogic>;
using Lit = engine::Literal<prop::PropLogic>;

struct Dec {
  prop::PropLogic logic;
  engine::ProverImpl<prop::PropLogic> impl{logic};
  engine::Core<prop::PropLogic>& core = engine::TestAccess::core(impl);
  engine::Core<prop::PropLogic>::LitTableCell table = core.new_lit_table();

  Dec() { core.current = core.defaults; }
  Cl rest(double poids) {
    Cl c;
    c.poids = poids;
    c.num = core.next_clause_number();
    c.origine = engine::make_origine<prop::PropLogic>(engine::Parentless<prop::PropLogic>{});
    c.contraintes = engine::make_constraints<prop::PropLogic>(prop::Constraints{});
    return c;
  }
  void decompose(const std::string& f, bool sign, const Cl& r) {
    engine::TestAccess::decompose_litteral(impl, Lit{parse(f), {}, 1}, sign, engine::share(r),
                                           *table);
  }
  std::size_t filed() const {
    std::size_t n = 0;
    table->for_each([&](const auto&, const auto&) { ++n; });
    return n;
  }
};

}  // namespace

TEST(ProverDecompose, WeightGates) {
  Dec d;
  int before = d.core.clause_counter;
  d.decompose("p | q", true, d.rest(600.0));  // above pdsmax_global
  EXPECT_EQ(d.filed(), 0u);
  // A full candidate list: only rests no heavier than pdsmax_vu go on.
  d.core.taillecndats = d.core.current.maxcndts - 1;
  d.core.weights.pdsmax_vu = 3.0;
  d.decompose("p | q", true, d.rest(4.0));
  EXPECT_EQ(d.filed(), 0u);
  EXPECT_EQ(d.core.clause_counter, before + 2);  // the two rests only
  // p | q itself is filed; the rests of p and q weigh 4.1 and stop there.
  d.decompose("p | q", true, d.rest(3.0));
  EXPECT_EQ(d.filed(), 1u);
  d.core.taillecndats = 0;
  d.decompose("p | q", true, d.rest(3.0));
  EXPECT_EQ(d.filed(), 4u);
}

TEST(ProverDecompose, RulesThatGiveNoClauseOrTheRestItself) {
  Dec d;
  Cl r = d.rest(1.0);
  int before = d.core.clause_counter;
  d.decompose("p | vrai", true, r);  // a true positive literal: no clause
  EXPECT_EQ(d.core.clause_counter, before);
  EXPECT_TRUE(d.core.cndats.empty());
  // Only negated true: the rest clause itself under a new number, as a
  // candidate; here the rest is empty, so that is the empty clause.
  EXPECT_THROW(d.decompose("faux | faux", true, r), engine::Proved);
  EXPECT_EQ(d.core.empty_clause_number, before + 1);
  Dec e;
  Cl r2 = e.rest(1.0);
  r2.pos.push_back(Lit{parse("s"), {}, 2});
  int b2 = e.core.clause_counter;
  e.decompose("faux | faux", true, r2);
  ASSERT_EQ(e.core.cndats.size(), 1u);
  EXPECT_EQ(e.core.cndats[0]->num, b2 + 1);
  EXPECT_EQ(prop::to_string(e.core.cndats[0]->pos[0].formule), "s");
  const auto& o = std::get<engine::DecOrigine<prop::PropLogic>>(e.core.cndats[0]->origine->v);
  EXPECT_EQ(o.num, r2.num);
  EXPECT_EQ(o.rule, "+or");
}

TEST(ProverDecompose, RepeatedRuleWeighsMore) {
  Dec d;
  d.decompose("(p | q) | r", true, d.rest(1.0));
  // (p | q) | r, then p | q and r, then p and q: five literals filed, and
  // offered nothing to the candidates.
  EXPECT_EQ(d.filed(), 5u);
  EXPECT_TRUE(d.core.cndats.empty());
  // Clause of the first +or: 1 + 1.0 + 0.1; of the second, counted twice:
  // 1 + 2.1 + 0.1 * 2.
  const Cl& first = *d.core.clause_table.at(2);
  const Cl& second = *d.core.clause_table.at(3);
  EXPECT_DOUBLE_EQ(first.poids, 2.1);
  EXPECT_DOUBLE_EQ(second.poids, 1.0 + 2.1 + 0.2);
  // The rule history travels with the literals filed; the table of all
  // clauses, which only shows proofs, keeps none.
  EXPECT_TRUE(second.indices_b.empty());
  bool seen = false;
  d.table->for_each([&](const auto&, const auto& v) {
    if (v.rest->num != 3) return;
    seen = true;
    ASSERT_EQ(v.rest->indices_b.size(), 1u);
    EXPECT_EQ(v.rest->indices_b[0].first, "+or");
    EXPECT_EQ(v.rest->indices_b[0].second.second, 2);
  });
  EXPECT_TRUE(seen);
}
