// Sorted merges, histories, split-context tests and clause splitting.
#include "engine/clauselists.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/clauselists_reference.h"
#include "propprover/prop.h"
#include "tests/engine/tcore.h"

namespace {

using engine::int_compare;
using tcore::Fixture;
using V = std::vector<int>;

// split_clause on a clause made for the test; the pieces as values.
template <class L>
std::vector<engine::Clause<L>> split(engine::Core<L>& core, engine::Clause<L> c) {
  std::vector<engine::Clause<L>> out;
  for (const auto& r : engine::split_clause(core, engine::share(std::move(c)))) out.push_back(*r);
  return out;
}

TEST(Merges, MergePersoKeepsSharedOnceFromFirst) {
  EXPECT_EQ(engine::merge_perso(int_compare, V{1, 3, 5}, V{2, 3, 6}), (V{1, 2, 3, 5, 6}));
  EXPECT_EQ(engine::merge_perso(int_compare, V{}, V{2}), (V{2}));
  EXPECT_EQ(engine::merge_perso(int_compare, V{4}, V{}), (V{4}));
  // Of two equal literals the one of the first list stays (its literal number shows it).
  Fixture fx;
  auto a = fx.lits({"P", "Q"});
  auto b = fx.lits({"Q", "R"});
  auto m = engine::merge_perso(engine::lit_cmp(fx.core), a, b);
  ASSERT_EQ(Fixture::formulas(m), (std::vector<std::string>{"P", "Q", "R"}));
  EXPECT_EQ(m[1].num_lit, a[1].num_lit);
}

TEST(Merges, ExceptRemovesFirstEqualAndStopsAtGreater) {
  EXPECT_EQ(engine::except(int_compare, 3, V{1, 3, 5}), (V{1, 5}));
  EXPECT_EQ(engine::except(int_compare, 4, V{1, 3, 5, 4}), (V{1, 3, 5, 4}));  // stops at 5
  EXPECT_EQ(engine::except(int_compare, 9, V{}), V{});
}

TEST(Merges, MergeExceptRemovesOneFromEach) {
  EXPECT_EQ(engine::merge_except(int_compare, 3, V{1, 3, 5}, V{3, 4}), (V{1, 4, 5}));
  EXPECT_EQ(engine::merge_except(int_compare, 3, V{1, 2}, V{3, 4}), (V{1, 2, 4}));
  EXPECT_EQ(engine::merge_except(int_compare, 3, V{}, V{2, 3}), (V{2}));
  EXPECT_EQ(engine::merge_except(int_compare, 3, V{3}, V{}), V{});
  EXPECT_EQ(engine::merge_except(int_compare, 7, V{1, 5}, V{2, 5}), (V{1, 2, 5}));
}

TEST(Merges, Merge3) {
  Fixture fx;
  auto cmp = engine::lit_cmp(fx.core);
  auto a = fx.lits({"A", "C"}), b = fx.lits({"B", "C", "D"}), c = fx.lits({"A", "E"});
  EXPECT_EQ(Fixture::formulas(engine::merge_3(fx.core, a, b, c)),
            (std::vector<std::string>{"A", "B", "C", "D", "E"}));
  decltype(a) none;
  EXPECT_EQ(Fixture::formulas(engine::merge_3(fx.core, a, none, c)),
            Fixture::formulas(engine::merge_perso(cmp, a, c)));
  EXPECT_EQ(Fixture::formulas(engine::merge_3(fx.core, none, none, b)), Fixture::formulas(b));
  // Ties keep the head of the earliest list.
  auto m = engine::merge_3(fx.core, c, b, a);
  EXPECT_EQ(m[0].num_lit, c[0].num_lit);
}

TEST(Lists, DeleteNthAndSub) {
  auto r = engine::reference::list_delete_nth(std::vector<char>{'a', 'b', 'c'}, 1);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->first, (std::vector<char>{'a', 'c'}));
  EXPECT_EQ(r->second, 'b');
  EXPECT_FALSE(engine::reference::list_delete_nth(std::vector<char>{'a'}, 1));
  EXPECT_EQ(engine::list_sub(V{1, 2, 3}, 2), (V{1, 2}));
  EXPECT_EQ(engine::list_sub(V{1, 2, 3}, 7), (V{1, 2, 3}));
}

TEST(Lists, PosNegListClassifies) {
  Fixture fx;
  std::vector<tcore::Lit> in{fx.lit("~~P"), fx.lit("~Q"), fx.lit("?m"), fx.lit("R"), fx.lit("P")};
  auto r = engine::pos_neg_list(fx.core, in);
  EXPECT_EQ(Fixture::formulas(r.pos), (std::vector<std::string>{"P", "R"}));
  EXPECT_EQ(r.pos[0].num_lit, in[4].num_lit);  // the later literal replaces the equal one
  EXPECT_EQ(Fixture::formulas(r.neg), (std::vector<std::string>{"Q"}));
  EXPECT_EQ(Fixture::formulas(r.autres), (std::vector<std::string>{"?m"}));
}

TEST(Lists, PosNegListOnPropositions) {
  prop::PropLogic logic;
  engine::Core<prop::PropLogic> core(logic);
  auto p = prop::atom("p"), q = prop::atom("q");
  using PL = engine::Literal<prop::PropLogic>;
  auto r = engine::pos_neg_list(core, std::vector<PL>{{prop::neg(prop::neg(p)), {}, 1},
                                                      {prop::neg(q), {}, 2},
                                                      {prop::and_(p, q), {}, 3},
                                                      {p, {}, 4}});
  ASSERT_EQ(r.pos.size(), 2u);
  EXPECT_EQ(r.pos[0].formule, prop::and_(p, q));  // And before Atom in the formula order
  EXPECT_EQ(r.pos[1].formule, p);
  EXPECT_EQ(r.pos[1].num_lit, 4);
  ASSERT_EQ(r.neg.size(), 1u);
  EXPECT_EQ(r.neg[0].formule, q);
  EXPECT_TRUE(r.autres.empty());
}

TEST(Lists, ApplySubstClauseSharesConstraints) {
  Fixture fx;
  auto c = fx.clause({"P(x)", "Q(a)"}, {"R(x)"});
  auto d = engine::apply_subst_clause(fx.core, tlogic::TLogic::substitution{{"x", "a"}}, c);
  EXPECT_EQ(Fixture::formulas(d.pos), (std::vector<std::string>{"P(a)", "Q(a)"}));
  EXPECT_EQ(Fixture::formulas(d.neg), (std::vector<std::string>{"R(a)"}));
  EXPECT_EQ(d.contraintes, c.contraintes);
  EXPECT_EQ(d.num, c.num);
}

TEST(Histories, AddAndMerge) {
  Fixture fx;
  engine::RuleHistory b = engine::add_hist_r(fx.core, {}, "b");
  engine::RuleHistory bc = engine::add_hist_r(fx.core, b, "c");
  ASSERT_EQ(bc.size(), 2u);
  EXPECT_EQ(bc[0].first, "c");
  EXPECT_EQ(bc[0].second.second, 1);
  EXPECT_EQ(bc[1].first, "b");
  engine::RuleHistory ba = engine::add_hist_r(fx.core, b, "a");
  EXPECT_EQ(ba[0].first, "b");
  EXPECT_EQ(ba[1].first, "a");
  EXPECT_EQ(engine::add_hist_r(fx.core, ba, "b")[0].second.second, 2);

  auto c = fx.clause({"P"});
  c.indice = 3.0;
  engine::ClauseHistory h = engine::add_hist_c(engine::ClauseHistory{}, c);
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h[0].first, c.num);
  EXPECT_EQ(h[0].second.first, engine::Indice(3.0));

  engine::ClauseHistory h1{{3, {engine::Indice(1.0), 1}}};
  engine::ClauseHistory h2{{3, {engine::Indice(2.0), 2}}, {1, {std::nullopt, 1}}};
  engine::ClauseHistory m = engine::merge_hist(h1, h2);
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0], (std::pair<int, std::pair<engine::Indice, int>>{3, {engine::Indice(1.0), 3}}));
  EXPECT_EQ(m[1].first, 1);
  EXPECT_EQ(engine::merge_hist(h2, engine::ClauseHistory{{5, {std::nullopt, 1}}})[0].first, 5);
  // Counts saturate instead of overflowing.
  engine::ClauseHistory big{{1, {std::nullopt, 2147483647}}};
  EXPECT_EQ(engine::merge_hist(big, big)[0].second.second, 2147483647);
}

// The resolvent's weight reads the largest hint of its clause history
// without building it; it must agree with the history the resolvent keeps.
TEST(Histories, ResolventHintMaxAgreesWithTheBuiltHistory) {
  Fixture fx;
  std::mt19937 rng(7);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const engine::Indice inds[] = {std::nullopt, 0.5, 1.0, 3.7, 9.0};
  const int counts[] = {1, 2, 5, 1 << 30, 2147483647};
  auto history = [&] {
    engine::ClauseHistory h;
    for (int key = 6; key >= 1; --key)
      if (pick(2)) h.push_back({key, {inds[pick(5)], counts[pick(5)]}});
    return h;
  };
  for (int round = 0; round < 2000; ++round) {
    auto c1 = fx.clause({"P"}), c2 = fx.clause({"Q"});
    c1.num = 1 + pick(7);
    c2.num = pick(3) == 0 ? c1.num : 1 + pick(7);
    c1.indice = inds[pick(5)];
    c2.indice = inds[pick(5)];
    c1.indices_a = history();
    c2.indices_a = history();
    const engine::ClauseHistory built = engine::add_hist_c(
        engine::add_hist_c(engine::merge_hist(c1.indices_a, c2.indices_a), c1), c2);
    ASSERT_EQ(engine::resolvent_hint_max(c1, c2), engine::Typespoids::hint_max(built))
        << "round " << round;
  }
}

TEST(SplitContext, WhichOneSub) {
  using engine::Inclusion;
  EXPECT_EQ(engine::which_one_sub({}, {}), Inclusion::Both);
  EXPECT_EQ(engine::which_one_sub({}, {3}), Inclusion::First);
  EXPECT_EQ(engine::which_one_sub({3}, {}), Inclusion::Second);
  EXPECT_EQ(engine::which_one_sub({1, 3}, {1, 2, 3}), Inclusion::First);
  EXPECT_EQ(engine::which_one_sub({1, 2, 3}, {1, 3}), Inclusion::Second);
  EXPECT_EQ(engine::which_one_sub({1, 4}, {1, 2, 3}), Inclusion::None);
  EXPECT_EQ(engine::which_one_sub({2, 5}, {2, 5}), Inclusion::Both);
  EXPECT_TRUE(engine::fst_sub_snd({2}, {1, 2, 3}));
  EXPECT_TRUE(engine::fst_sub_snd({}, {}));
  EXPECT_FALSE(engine::fst_sub_snd({4}, {1, 2, 3}));
}

// ---- Clause splitting ----

TEST(SplitClause, SharedVariablesGiveTheClauseItself) {
  Fixture fx;
  auto c = fx.clause({"P(x)", "Q(x,y)"}, {"R(y)"});
  int before = fx.core.clause_counter;
  auto r = split(fx.core, c);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].num, c.num);
  EXPECT_EQ(fx.core.splitting_st.current_litname(), 0);
  EXPECT_EQ(fx.core.clause_counter, before);
}

TEST(SplitClause, GroundFragmentsOrderNamesAndReuse) {
  Fixture fx;
  auto c = fx.clause({"A", "B", "C"}, {}, 4.0);
  c.indice = 2.0;
  auto r = split(fx.core, c);
  ASSERT_EQ(r.size(), 3u);
  // Fragments C, A, B: names 1 and 2; the middle clause holds 1 positive and 2 negated.
  EXPECT_EQ(Fixture::formulas(r[0].pos), std::vector<std::string>{"C"});
  EXPECT_EQ(r[0].split_neg, V{1});
  EXPECT_EQ(r[0].split_pos, V{});
  EXPECT_EQ(Fixture::formulas(r[1].pos), std::vector<std::string>{"A"});
  EXPECT_EQ(r[1].split_pos, V{1});
  EXPECT_EQ(r[1].split_neg, V{2});
  EXPECT_EQ(Fixture::formulas(r[2].pos), std::vector<std::string>{"B"});
  EXPECT_EQ(r[2].split_pos, V{2});
  EXPECT_EQ(r[2].split_neg, V{});
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(r[k].num, c.num + 1 + static_cast<int>(k));
    EXPECT_EQ(r[k].poids, 4.0);
    EXPECT_EQ(r[k].indice, engine::Indice(2.0));
    EXPECT_EQ(r[k].contraintes, c.contraintes);
    EXPECT_TRUE(fx.core.clause_table.count(r[k].num));
    const auto& o = std::get<engine::SplitOrigine<tcore::TL>>(r[k].origine->v);
    EXPECT_EQ(o.num, c.num);
    EXPECT_EQ(o.k, static_cast<int>(k) + 1);
  }
  // A later split where C again stands alone (not last) reuses name 1.
  auto d = fx.clause({"C", "D"}, {}, 1.0, {7}, {8});
  auto s = split(fx.core, d);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(Fixture::formulas(s[0].pos), std::vector<std::string>{"D"});
  EXPECT_EQ(s[0].split_neg, (V{3, 7}));  // D is new: name 3, merged with the clause's own
  EXPECT_EQ(s[1].split_pos, (V{3, 8}));
  // A fragment of two literals always takes a fresh name.
  auto w = split(fx.core, fx.clause({"C", "F(x)", "G(x)"}));  // fragments F(x)G(x), C
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(Fixture::formulas(w[0].pos), (std::vector<std::string>{"F(x)", "G(x)"}));
  EXPECT_EQ(w[0].split_neg, V{4});
  EXPECT_EQ(w[1].split_pos, V{4});
  auto z = split(fx.core, fx.clause({"B", "C"}));  // fragments C, B: C first, reuses 1
  EXPECT_EQ(Fixture::formulas(z[0].pos), std::vector<std::string>{"C"});
  EXPECT_EQ(z[0].split_neg, V{1});
}

TEST(SplitClause, MiddleNamesDependOnThePreviousName) {
  // A middle name stands for its fragment and every fragment before it:
  // shared with a lone literal elsewhere, it would prove non-theorems.
  Fixture fx;
  auto r = split(fx.core, fx.clause({"A", "B", "C"}));  // C, A, B
  EXPECT_EQ(r[0].split_neg, V{1});
  EXPECT_EQ(r[1].split_neg, V{2});
  auto s = split(fx.core, fx.clause({"0", "A"}));  // A first: not the middle name
  EXPECT_EQ(Fixture::formulas(s[0].pos), std::vector<std::string>{"A"});
  EXPECT_EQ(s[0].split_neg, V{3});
  auto t = split(fx.core, fx.clause({"D", "A", "E"}));  // E, A, D: A in the middle again
  EXPECT_EQ(Fixture::formulas(t[1].pos), std::vector<std::string>{"A"});
  EXPECT_EQ(t[1].split_neg, V{5});
  EXPECT_EQ(t[2].split_pos, V{5});
  // The same middle fragment after the same first one: the names come back.
  auto u = split(fx.core, fx.clause({"A", "B", "C"}));
  EXPECT_EQ(u[0].split_neg, V{1});
  EXPECT_EQ(u[1].split_neg, V{2});
  EXPECT_EQ(u[1].split_pos, V{1});
  EXPECT_EQ(fx.core.splitting_st.current_litname(), 5);
}

TEST(SplitClause, ALiteralAndItsNegationNeverShareAName) {
  // Splitting (P | Q) and (~Q | R): Q standing alone positive and Q standing
  // alone negated must get different names, or P & R would follow.
  Fixture fx;
  auto a = split(fx.core, fx.clause({"P", "Q"}));
  auto b = split(fx.core, fx.clause({"R"}, {"Q"}));
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(Fixture::formulas(a[0].pos), std::vector<std::string>{"Q"});
  EXPECT_EQ(Fixture::formulas(b[0].neg), std::vector<std::string>{"Q"});
  EXPECT_NE(a[0].split_neg, b[0].split_neg);
  // Same list, same formula: the name is shared.
  auto c = split(fx.core, fx.clause({"S"}, {"Q"}));
  EXPECT_EQ(c[0].split_neg, b[0].split_neg);
}

TEST(SplitClause, OnPropositionalFormulas) {
  prop::PropLogic logic;
  engine::Core<prop::PropLogic> core(logic);
  auto mk = [&](std::vector<prop::Formula> pos, std::vector<prop::Formula> neg) {
    engine::Clause<prop::PropLogic> c;
    for (auto& f : pos)
      engine::insert_sorted(engine::lit_cmp(core), c.pos,
                            engine::Literal<prop::PropLogic>{f, {}, 0});
    for (auto& f : neg)
      engine::insert_sorted(engine::lit_cmp(core), c.neg,
                            engine::Literal<prop::PropLogic>{f, {}, 0});
    c.num = core.next_clause_number();
    c.contraintes = engine::make_constraints<prop::PropLogic>(prop::Constraints{});
    return c;
  };
  auto P = prop::atom("P"), Q = prop::atom("Q"), R = prop::atom("R");
  auto a = split(core, mk({P, Q}, {}));
  auto b = split(core, mk({R}, {Q}));
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(a[0].pos[0].formule, Q);
  EXPECT_EQ(b[0].neg[0].formule, Q);
  EXPECT_EQ(a[0].split_neg, V{1});
  EXPECT_EQ(b[0].split_neg, V{2});
  EXPECT_EQ(a[1].split_pos, V{1});
  EXPECT_EQ(b[1].split_pos, V{2});
  // A compound lone literal is keyed by its whole formula.
  auto pq = prop::and_(P, Q);
  auto c = split(core, mk({R}, {pq}));
  auto d = split(core, mk({P}, {pq}));
  EXPECT_EQ(c[0].neg[0].formule, pq);
  EXPECT_EQ(d[0].neg[0].formule, pq);
  EXPECT_EQ(c[0].split_neg, d[0].split_neg);
}

TEST(Tables, InitForgetsAxiomsOnly) {
  Fixture fx;
  auto c = fx.clause({"P"});
  fx.core.axiom_table[c.num] = fx.ref(c);
  fx.core.axiom_djvues.push_back({fx.ref(c), fx.core.new_lit_table()});
  engine::add_clause_table(fx.core, fx.ref(c));
  engine::init(fx.core);
  EXPECT_TRUE(fx.core.axiom_table.empty());
  EXPECT_TRUE(fx.core.axiom_djvues.empty());
  EXPECT_EQ(fx.core.clause_table.count(c.num), 1u);
}

}  // namespace
