// Tautology, subsumption and the upkeep of candidates, seen clauses and deferred literals.
#include "engine/majlistes.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "propprover/prop.h"
#include "support/signals.h"
#include "tests/engine/tcore.h"

namespace {

using engine::Majlistes;
using tcore::Cl;
using tcore::Fixture;
using tcore::TL;

std::vector<double> weights(const std::vector<Cl>& l) {
  std::vector<double> w;
  for (const auto& c : l) w.push_back(c.poids);
  return w;
}

struct Upkeep : Fixture {
  using M = Majlistes<TL>;
  M m{core};

  // The engine updates its lists of shared clauses in place; these read
  // the updates as functions of copies, so each case states its lists whole.
  std::vector<Cl> majcndats(const Cl& c, std::vector<Cl> l,
                            const std::vector<M::Decomposed>& seen) {
    std::vector<engine::ClauseRef<TL>> r = refs(std::move(l));
    m.majcndats(ref(c), r, seen);
    return values(r);
  }
  std::vector<Cl> ajoute(const Cl& c, std::vector<Cl> l, int capacity) {
    std::vector<engine::ClauseRef<TL>> r = refs(std::move(l));
    m.ajoute(ref(c), r, capacity);
    return values(r);
  }
  struct Seen {
    std::vector<M::Decomposed> djvues;
    std::vector<M::Decomposable> decables;
    M::LitIndex lit_index;
  };
  Seen majdjvues(const Cl& c, Seen s) {
    m.majdjvues(c, s.djvues, s.decables, s.lit_index);
    M::drop_gone(s.djvues);
    return s;
  }
  std::vector<Cl> chcndts(const Cl& c, std::vector<Cl> l) {
    std::vector<engine::ClauseRef<TL>> r = refs(std::move(l));
    m.chcndts(c, r);
    return values(r);
  }
  std::vector<Cl> majesclauses(const Cl& c, std::vector<Cl> l) const {
    std::vector<engine::ClauseRef<TL>> r = refs(std::move(l));
    m.majesclauses(c, r);
    return values(r);
  }
};

TEST(Tautology, PosAgainstNegOnly) {
  Upkeep f;
  EXPECT_TRUE(f.m.tauto(f.clause({"P", "Q"}, {"P"})));
  EXPECT_FALSE(f.m.tauto(f.clause({"P"}, {"Q"})));
  Cl c = f.clause({"P"});
  c.autres = f.lits({"P"});
  EXPECT_FALSE(f.m.tauto(c));                                   // autres is not consulted
  EXPECT_FALSE(f.m.tauto(f.clause({"Q"}, {}, 1.0, {3}, {3})));  // nor are split literals
}

TEST(Subsumption, VariablesFrozenAndOneLiteralEach) {
  Upkeep f;
  EXPECT_TRUE(f.m.subsume(f.clause({"P(x)"}), f.clause({"P(a)", "Q"})));
  EXPECT_FALSE(f.m.subsume(f.clause({"P(a)"}), f.clause({"P(x)"})));
  EXPECT_TRUE(f.m.subsume(f.clause({"P(x)"}), f.clause({"P(y)"})));
  // The substitution of the first match constrains the next ones; backtracking finds the good
  // pairing.
  EXPECT_TRUE(f.m.subsume(f.clause({"P(x)", "Q(x)"}), f.clause({"P(a)", "P(b)", "Q(b)"})));
  EXPECT_FALSE(f.m.subsume(f.clause({"P(x)", "Q(x)"}), f.clause({"P(a)", "Q(b)"})));
  // Each literal of the subsumed clause serves once.
  EXPECT_FALSE(f.m.subsume(f.clause({"P(x)", "P(y)"}), f.clause({"P(a)"})));
  EXPECT_TRUE(f.m.subsume(f.clause({}, {"R(x)"}), f.clause({"S"}, {"R(c)"})));
  EXPECT_FALSE(f.m.subsume(f.clause({"R(x)"}), f.clause({}, {"R(c)"})));
  // The empty clause subsumes everything without split literals.
  EXPECT_TRUE(f.m.subsume(f.clause({}), f.clause({"A"}, {"B"})));
}

TEST(Subsumption, SplitLiteralsMustBeContained) {
  Upkeep f;
  EXPECT_FALSE(f.m.subsume(f.clause({"P"}, {}, 1.0, {3}), f.clause({"P"})));
  EXPECT_TRUE(f.m.subsume(f.clause({"P"}), f.clause({"P"}, {}, 1.0, {3})));
  EXPECT_TRUE(f.m.subsume(f.clause({"P"}, {}, 1.0, {3}, {5}),
                          f.clause({"P", "Q"}, {}, 1.0, {1, 3}, {5, 6})));
  EXPECT_FALSE(f.m.subsume(f.clause({"P"}, {}, 1.0, {}, {5}), f.clause({"P"}, {}, 1.0, {5}, {})));
  // An empty clause with split literals subsumes only clauses carrying them.
  Cl e = f.clause({}, {}, 1.0, {2});
  EXPECT_TRUE(f.m.subsume(e, f.clause({}, {}, 1.0, {1, 2})));
  EXPECT_FALSE(f.m.subsume(e, f.clause({}, {}, 1.0, {1})));
}

TEST(Majcndats, EmptyClauses) {
  Upkeep f;
  Cl e = f.clause({});
  EXPECT_THROW(f.majcndats(e, {}, {}), engine::Proved);
  EXPECT_EQ(f.core.empty_clause_number, e.num);
  Cl s = f.clause({}, {}, 1.0, {}, {4});
  std::vector<engine::ClauseRef<TL>> none;
  EXPECT_EQ(f.m.majcndats(f.ref(s), none, {}), Majlistes<TL>::Admission::EmptySplit);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(f.core.empty_clause_number, s.num);
  Cl a = f.clause({});
  a.autres = f.lits({"?m"});  // autres does not count
  EXPECT_THROW(f.majcndats(a, {}, {}), engine::Proved);
}

TEST(Majcndats, RefusesTautologiesHeavyAndSubsumed) {
  Upkeep f;
  std::vector<Cl> none;
  EXPECT_TRUE(f.majcndats(f.clause({"P"}, {"P"}), none, {}).empty());
  Cl pa = f.clause({"P"});
  pa.autres = f.lits({"P"});
  EXPECT_EQ(f.majcndats(pa, none, {}).size(), 1u);
  f.core.taillecndats = 0;
  EXPECT_TRUE(f.majcndats(f.clause({"Q"}, {}, 600.0), none, {}).empty());  // above pdsmax_global
  // An already-seen clause subsumes a lighter newcomer: not added.
  std::vector<Majlistes<TL>::Decomposed> seen{
      {f.ref(f.clause({"R(x)"}, {}, 9.0)), f.core.new_lit_table()}};
  std::vector<Cl> cands{f.clause({"Z"}, {}, 5.0)};
  f.core.taillecndats = 1;
  EXPECT_EQ(weights(f.majcndats(f.clause({"R(a)"}, {}, 0.5), cands, seen)),
            (std::vector<double>{5.0}));
  // A candidate subsumes it: not added either.
  EXPECT_EQ(weights(f.majcndats(f.clause({"Z", "Y"}, {}, 0.5), cands, {})),
            (std::vector<double>{5.0}));
  // List full: only clauses no heavier than pdsmax_vu.
  f.core.current.maxcndts = 1;
  f.core.weights.pdsmax_vu = 5.0;
  EXPECT_EQ(weights(f.majcndats(f.clause({"W"}, {}, 6.0), cands, {})), (std::vector<double>{5.0}));
  EXPECT_EQ(weights(f.majcndats(f.clause({"W"}, {}, 4.0), cands, {})), (std::vector<double>{4.0}));
  EXPECT_EQ(f.core.taillecndats, 1);
}

TEST(Ajoute, CapacityCutsAndKeepsCounters) {
  Upkeep f;
  f.core.current.maxcndts = 3;
  std::vector<Cl> l{f.clause({"A"}, {}, 1.0), f.clause({"B"}, {}, 2.0), f.clause({"C"}, {}, 3.0)};
  f.core.taillecndats = 3;
  f.core.weights.pdsmax_vu = 3.0;
  Cl n = f.clause({"N"}, {}, 1.5);
  auto r = f.majcndats(n, l, {});
  EXPECT_EQ(weights(r), (std::vector<double>{1.0, 1.5, 2.0}));
  EXPECT_EQ(r[1].num, n.num);
  EXPECT_EQ(f.core.taillecndats, 3);
  EXPECT_EQ(f.core.weights.pdsmax_vu, 2.0);
}

TEST(Ajoute, EqualWeightGoesAfter) {
  Upkeep f;
  std::vector<Cl> l{f.clause({"A"}, {}, 2.0)};
  f.core.taillecndats = 1;
  Cl n = f.clause({"B"}, {}, 2.0);
  auto r = f.ajoute(n, l, 40);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].num, l[0].num);
  EXPECT_EQ(r[1].num, n.num);
  EXPECT_EQ(f.core.taillecndats, 2);
  EXPECT_EQ(f.core.weights.pdsmax_vu, 2.0);
}

TEST(Ajoute, SubsumedCandidatesRemovedBeforeAndAfter) {
  Upkeep f;
  std::vector<Cl> l{f.clause({"P(a)", "Q"}, {}, 1.0), f.clause({"X"}, {}, 2.0),
                    f.clause({"P(b)"}, {}, 5.0), f.clause({"Y"}, {}, 6.0)};
  f.core.taillecndats = 4;
  Cl n = f.clause({"P(x)"}, {}, 3.0);
  auto r = f.ajoute(n, l, 40);
  EXPECT_EQ(weights(r), (std::vector<double>{2.0, 3.0, 6.0}));
  EXPECT_EQ(f.core.taillecndats, 3);
  EXPECT_EQ(f.core.weights.pdsmax_vu, 6.0);
  // Capacity 0: the list is emptied and the count set to maxcndts.
  EXPECT_TRUE(f.ajoute(n, l, 0).empty());
  EXPECT_EQ(f.core.taillecndats, f.core.current.maxcndts);
}

TEST(Ajoute, InPlaceFormAndNegativeCapacity) {
  Upkeep f;
  std::vector<Cl> l{f.clause({"A"}, {}, 1.0), f.clause({"B"}, {}, 3.0)};
  f.core.taillecndats = 2;
  std::vector<engine::ClauseRef<TL>> same = f.refs(l);
  f.m.majcndats(f.ref(f.clause({"A", "C"}, {}, 0.5)), same, {});  // subsumed: untouched
  EXPECT_EQ(weights(f.values(same)), (std::vector<double>{1.0, 3.0}));
  f.m.majcndats(f.ref(f.clause({"C"}, {}, 2.0)), same, {});
  EXPECT_EQ(weights(f.values(same)), (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_EQ(f.core.taillecndats, 3);
  // A capacity below 0 never reaches 0: nothing is cut.
  EXPECT_EQ(f.ajoute(f.clause({"D"}, {}, 0.5), f.values(same), -1).size(), 4u);
}

TEST(Upkeep, MajdjvuesDropsSubsumedWithTheirEntries) {
  Upkeep f;
  Cl a = f.clause({"P(a)", "Q"}), b = f.clause({"R"}), c = f.clause({"P(b)"});
  std::vector<Majlistes<TL>::Decomposed> seen{{f.ref(a), f.core.new_lit_table()},
                                              {f.ref(b), f.core.new_lit_table()},
                                              {f.ref(c), f.core.new_lit_table()}};
  Majlistes<TL>::LitIndex index{
      {a.num, seen[0].second}, {b.num, seen[1].second}, {c.num, seen[2].second}};
  std::vector<Majlistes<TL>::Decomposable> decs;
  Majlistes<TL>::add_decables(decs, a.num, f.clause({"Q"}, {}, 2.0), true, f.lit("P(a)"));
  Majlistes<TL>::add_decables(decs, b.num, f.clause({}, {}, 1.0), true, f.lit("R"));
  Majlistes<TL>::add_decables(decs, c.num, f.clause({}, {}, 2.0), true, f.lit("P(b)"));
  auto r = f.majdjvues(f.clause({"P(x)"}), {seen, decs, index});
  ASSERT_EQ(r.djvues.size(), 1u);
  EXPECT_EQ(r.djvues[0].first->num, b.num);
  ASSERT_EQ(r.decables.size(), 1u);
  EXPECT_EQ(r.decables[0].num, b.num);
  EXPECT_EQ(r.lit_index.size(), 1u);
  EXPECT_EQ(r.lit_index.count(b.num), 1u);
  // An empty clause that still has split literals: the same, then the candidates.
  f.core.taillecndats = 2;
  Cl e = f.clause({}, {}, 1.0, {1});
  auto d = f.majdjvues(e, {seen, decs, index});
  auto cands = f.chcndts(e, {f.clause({"S"}, {}, 1.0, {1, 2}), f.clause({"T"}, {}, 4.0)});
  EXPECT_EQ(weights(cands), (std::vector<double>{4.0}));
  EXPECT_EQ(f.core.taillecndats, 1);
  EXPECT_EQ(f.core.weights.pdsmax_vu, 4.0);
  EXPECT_EQ(d.djvues.size(), 3u);
  // Filtering a list by subsumption changes no counter.
  auto kept = f.majesclauses(e, {f.clause({}, {}, 1.0, {1}), f.clause({}, {}, 1.0, {2})});
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].split_neg, std::vector<int>{2});
  EXPECT_EQ(f.core.taillecndats, 1);
}

TEST(Upkeep, AddDecablesByWeightAfterEqual) {
  Upkeep f;
  std::vector<Majlistes<TL>::Decomposable> decs;
  Majlistes<TL>::add_decables(decs, 1, f.clause({}, {}, 3.0), true, f.lit("A"));
  Majlistes<TL>::add_decables(decs, 2, f.clause({}, {}, 1.0), false, f.lit("B"));
  Majlistes<TL>::add_decables(decs, 3, f.clause({}, {}, 3.0), true, f.lit("C"));
  Majlistes<TL>::add_decables(decs, 4, f.clause({}, {}, 2.0), true, f.lit("D"));
  std::vector<int> nums;
  for (const auto& e : decs) nums.push_back(e.num);
  EXPECT_EQ(nums, (std::vector<int>{2, 4, 1, 3}));
  EXPECT_FALSE(decs[0].sign);
  EXPECT_EQ(decs[0].lit.formule, "B");
}

TEST(Upkeep, PropositionalSubsumption) {
  prop::PropLogic logic;
  engine::Core<prop::PropLogic> core(logic);
  Majlistes<prop::PropLogic> m(core);
  auto P = prop::atom("P"), Q = prop::atom("Q");
  auto mk = [&](std::vector<prop::Formula> pos, std::vector<prop::Formula> neg,
                std::vector<int> sn = {}) {
    engine::Clause<prop::PropLogic> c;
    for (auto& f : pos)
      engine::insert_sorted(engine::lit_cmp(core), c.pos,
                            engine::Literal<prop::PropLogic>{f, {}, 0});
    for (auto& f : neg)
      engine::insert_sorted(engine::lit_cmp(core), c.neg,
                            engine::Literal<prop::PropLogic>{f, {}, 0});
    c.split_neg = sn;
    return c;
  };
  EXPECT_TRUE(m.subsume(mk({P}, {}), mk({P, Q}, {})));
  EXPECT_FALSE(m.subsume(mk({P}, {}), mk({}, {P})));
  EXPECT_TRUE(m.subsume(mk({}, {prop::or_(P, Q)}), mk({Q}, {prop::or_(P, Q)}, {7})));
  EXPECT_FALSE(m.subsume(mk({P}, {}, {7}), mk({P}, {})));
  EXPECT_TRUE(m.tauto(mk({prop::and_(P, Q)}, {prop::and_(P, Q)})));
}

}  // namespace

namespace {

// A stop request (time limit, interrupt key) in the middle of an upkeep walk
// ends the attempt; the lists it leaves hold no emptied entry, since a later
// axiom walks them.
TEST(Upkeep, AStopLeavesTheListsWhole) {
  Upkeep f;
  auto list = [&] {
    std::vector<engine::ClauseRef<TL>> l;
    for (int i = 0; i < 3000; ++i)
      l.push_back(f.ref(f.clause({i % 2 ? "P(a)" : "Q"}, {}, 2.0 + i)));
    return l;
  };
  support::catch_interrupt();
  support::enable_stop_points(true);
  std::vector<engine::ClauseRef<TL>> a = list(), b = list();
  raise(SIGINT);
  EXPECT_THROW(f.m.chcndts(f.clause({"P(x)"}), a), support::Interrupted);
  raise(SIGINT);
  EXPECT_THROW(f.m.majcndats(f.ref(f.clause({"P(x)"}, {}, 1.0)), b, {}), support::Interrupted);
  support::enable_stop_points(false);
  support::clear_interrupt();
  for (const auto& l : {a, b}) {
    EXPECT_GT(l.size(), 1500u);
    for (const auto& c : l) ASSERT_TRUE(c);
  }
}

}  // namespace
