// Proof reconstruction over split literals.
#include "engine/oldeduction.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <random>

#include "engine/oldeduction_reference.h"
#include "support/signals.h"
#include "tests/engine/tcore.h"

namespace {

using engine::Oldeduction;
using tcore::Capture;
using tcore::Cl;
using tcore::Fixture;
using tcore::TL;
using Tree = engine::ProofTree<TL>;
using OD = Oldeduction<TL>;
namespace ref = engine::reference;
using V = std::vector<int>;

struct Search : Fixture {
  OD od{core};
  Cl split(V sn, V sp) {
    Cl c = clause({}, {}, 1.0, sn, sp);
    core.clause_table[c.num] = ref(c);
    return c;
  }
  engine::ProofTreePtr<TL> search(std::vector<Cl> l, const Cl& c) {
    return od.proof_search(refs(std::move(l)), c);
  }
};

int deferred_num(const engine::ProofTreePtr<TL>& t) { return std::get<Tree::Deferred>(t->v).c.num; }

TEST(Oldeduction, DefaultClauseAndConversions) {
  Search s;
  const Cl& d = s.od.default_clause();
  EXPECT_EQ(d.num, -1);
  EXPECT_EQ(d.poids, 1.0);
  EXPECT_EQ(d.indice, engine::Indice(2.0));
  EXPECT_TRUE(d.pos.empty() && d.split_neg.empty());
  Cl c = s.split({1, 4}, {2});
  ref::OClause k = ref::to_oclause(c);
  EXPECT_EQ(k.num, c.num);
  EXPECT_EQ(k.lits,
            (std::vector<ref::OLiteral>{{false, 1, true}, {false, 4, true}, {false, 2, false}}));
  Cl back = ref::to_clause(s.od, {{{false, 3, false}, {true, 1, true}, {false, 5, true}}, -1});
  EXPECT_EQ(back.split_neg, V{5});
  EXPECT_EQ(back.split_pos, V{3});
  EXPECT_EQ(back.contraintes, d.contraintes);
}

TEST(Oldeduction, SimplifyAndRedundancy) {
  // The last occurrence of each entry stays; leading framed entries go.
  Search s;
  auto k = ref::simplify(s.od, {{{false, 1, true}, {true, 2, true}, {false, 1, true}}, -1});
  ASSERT_TRUE(k);
  EXPECT_EQ(k->lits, (std::vector<ref::OLiteral>{{false, 1, true}}));
  EXPECT_FALSE(ref::simplify(s.od, {{{true, 1, true}, {true, 2, false}}, -1}));
  EXPECT_TRUE(ref::cont({{1, true}, {2, false}, {3, true}}, {{1, true}, {3, true}}));
  EXPECT_FALSE(ref::cont({{1, true}}, {{1, false}}));
  EXPECT_TRUE(ref::is_redundant_or_change(s.od, {{{false, 1, true}, {false, 1, false}}, -1}));
  EXPECT_TRUE(s.od.pending_size() == 0);
  EXPECT_FALSE(ref::is_redundant_or_change(s.od, {{{false, 2, true}}, -1}));
  EXPECT_TRUE(ref::is_redundant_or_change(
      s.od, {{{false, 3, false}, {true, 9, true}, {false, 2, true}}, -1}));
  ref::eliminate(s.od, {{{false, 2, true}, {true, 7, true}}, -1});
  EXPECT_TRUE(s.od.pending_size() == 0);
}

TEST(Oldeduction, WithoutSplitLiteralsTheClauseItself) {
  Search s;
  Cl c = s.split({}, {});
  auto t = s.search({s.split({1}, {})}, c);
  EXPECT_EQ(deferred_num(t), c.num);
}

TEST(Oldeduction, OneResolution) {
  Search s;
  Cl c = s.split({1}, {});
  Cl x = s.split({}, {1});
  auto t = s.search({x}, c);
  const auto& r = std::get<Tree::Res_split>(t->v);
  EXPECT_EQ(r.c.num, -1);
  EXPECT_EQ(r.name, 1);
  EXPECT_EQ(deferred_num(r.t1), x.num);
  EXPECT_EQ(deferred_num(r.t2), c.num);
  Capture cap;
  engine::Affichage<TL>(s.core).print_proof(t, s.core.clause_table);
  EXPECT_EQ(cap.text(),
            "\\(-1) :  #1. %2. $res sp1\n"
            " \\(" +
                std::to_string(x.num) +
                ")sp1 :  #1.\n"
                " \\(" +
                std::to_string(c.num) + ")~sp1 :  #1.\n");
}

TEST(Oldeduction, ExtensionsThenReduction) {
  Search s;
  Cl c = s.split({1}, {});
  Cl x1 = s.split({}, {1, 2});
  Cl x2 = s.split({2}, {1});
  auto t = s.search({x1, x2}, c);
  const auto& root = std::get<Tree::Center>(t->v);
  EXPECT_EQ(root.c.num, -1);
  EXPECT_EQ(root.name, 1);
  const auto& t2 = std::get<Tree::Res_split>(root.t->v);
  EXPECT_EQ(t2.c.split_pos, V{1});
  EXPECT_TRUE(t2.c.split_neg.empty());
  EXPECT_EQ(t2.name, 2);
  EXPECT_EQ(deferred_num(t2.t1), x1.num);
  const auto& t1 = std::get<Tree::Res_split>(t2.t2->v);
  EXPECT_EQ(t1.c.split_neg, V{2});
  EXPECT_EQ(t1.name, 1);
  EXPECT_EQ(deferred_num(t1.t1), x2.num);
  EXPECT_EQ(deferred_num(t1.t2), c.num);
  Capture cap;
  engine::Affichage<TL>(s.core).print_proof(t, s.core.clause_table);
  std::string n = std::to_string(c.num), n1 = std::to_string(x1.num), n2 = std::to_string(x2.num);
  EXPECT_EQ(cap.text(),
            "\\(-1) :  #1. %2. $center sp1\n"
            " \\(-1)sp1 :  #1. %2. $res sp2\n"
            "  \\(" +
                n1 +
                ")sp1, sp2 :  #1.\n"
                "  \\(-1)~sp2 :  #1. %2. $res sp1\n"
                "   \\(" +
                n2 +
                ")~sp2, sp1 :  #1.\n"
                "   \\(" +
                n + ")~sp1 :  #1.\n");
}

TEST(Oldeduction, NoRefutation) {
  Search s;
  Cl c = s.split({1}, {});
  // No complement anywhere, or only a chain that leads nowhere.
  EXPECT_THROW(s.search({s.split({2}, {})}, c), engine::Noprinting);
  EXPECT_THROW(s.search({s.split({}, {1, 3})}, c), engine::Noprinting);
  EXPECT_THROW(s.search({}, c), engine::Noprinting);
}

TEST(Oldeduction, WiderRefutationFound) {
  // ~1 with (1 | 2), (1 | ~2 | 3), (~3): needs several levels.
  Search s;
  Cl c = s.split({1}, {});
  std::vector<Cl> l{s.split({}, {1, 2}), s.split({2}, {1, 3}), s.split({3}, {})};
  auto t = s.search(l, c);
  EXPECT_EQ(std::visit([](const auto& n) { return n.c.num; }, t->v), -1);
  Capture cap;
  engine::Affichage<TL>(s.core).print_proof(t, s.core.clause_table);
  std::string out = cap.text();
  for (const auto& x : l) EXPECT_NE(out.find("(" + std::to_string(x.num) + ")"), std::string::npos);
}

// The pending entries are indexed; the answers and the entries kept must be
// those of a plain list scanned with the subsequence test.
TEST(Oldeduction, PendingIndexAgreesWithAListScan) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    Search s;
    std::vector<std::vector<ref::NameSign>> model;
    for (int op = 0; op < 400; ++op) {
      ref::OClause k{{}, -1};
      const int len = static_cast<int>(rng() % 6);
      for (int i = 0; i < len; ++i) {
        ref::OLiteral o{rng() % 4 == 0, static_cast<int>(rng() % 7) + 1, rng() % 2 == 0};
        if (std::find(k.lits.begin(), k.lits.end(), o) == k.lits.end()) k.lits.push_back(o);
      }
      std::vector<ref::NameSign> m = ref::makelist(k.lits);
      if (rng() % 3 == 0) {
        auto it = std::find(model.begin(), model.end(), m);
        if (it != model.end()) model.erase(it);
        ref::eliminate(s.od, k);
      } else {
        bool expect = false;
        for (std::size_t i = 0; i < m.size(); ++i)
          for (std::size_t j = i + 1; j < m.size(); ++j)
            if (m[i].first == m[j].first && m[i].second != m[j].second) expect = true;
        for (const auto& p : model)
          if (!expect && ref::cont(m, p)) expect = true;
        if (!expect) model.push_back(m);
        ASSERT_EQ(ref::is_redundant_or_change(s.od, k), expect)
            << "round " << round << " op " << op;
      }
      ASSERT_EQ(s.od.pending_size(), model.size());
    }
  }
}

// The walk alone never ends on a satisfiable set whose chains come back once
// expanded: a level that repeats an earlier one ends it. A walk that grows
// ends at the work bound, the same on every machine.
TEST(Oldeduction, EndlessWalksAreCut) {
  Search s;
  Cl c = s.split({3}, {});
  std::vector<Cl> l{s.split({1, 3}, {}), s.split({3}, {1}), s.split({}, {1, 2, 3})};
  EXPECT_THROW(s.search(l, c), engine::Noprinting);
  EXPECT_EQ(s.od.last_end(), OD::End::Repeated);

  Cl c2 = s.split({1}, {});
  std::vector<Cl> l2{s.split({}, {1, 2}), s.split({2}, {1, 3}), s.split({3}, {})};
  s.search(l2, c2);
  EXPECT_EQ(s.od.last_end(), OD::End::Found);
  const std::uint64_t needed = s.od.last_work();
  s.od.set_work_bound(needed / 2);
  EXPECT_THROW(s.search(l2, c2), engine::Noprinting);
  EXPECT_EQ(s.od.last_end(), OD::End::OverBound);
  s.od.set_work_bound(needed);
  s.search(l2, c2);
  EXPECT_EQ(s.od.last_end(), OD::End::Found);
}

// The interrupt key stops a long reconstruction; without it the same search
// runs to its end.
TEST(Oldeduction, InterruptStopsTheSearch) {
  Search s;
  Cl c = s.split({1}, {});
  std::vector<Cl> l;
  for (int k = 2; k <= 200; ++k) l.push_back(s.split({}, {1, k}));
  EXPECT_THROW(s.search(l, c), engine::Noprinting);
  support::catch_interrupt();
  raise(SIGINT);
  EXPECT_THROW(s.search(l, c), support::Interrupted);
  EXPECT_FALSE(support::interrupt_flag());
}

}  // namespace
