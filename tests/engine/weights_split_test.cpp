// Weights, indices, their printed text, and the split tree.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "engine/clauselists_reference.h"
#include "engine/splitting.h"
#include "engine/splitting_reference.h"
#include "engine/typespoids.h"
#include "engine/typespoids_reference.h"
#include "support/printer.h"

namespace {

using engine::Indice;
using engine::Splitting;
using engine::SplitTreePtr;
using engine::Typespoids;
using Hints = engine::HintList<int>;
namespace ref = engine::reference;

// Captures what the shared printer writes while a test body runs.
class Capture {
 public:
  Capture() { support::pp().set_output(&out_); }
  ~Capture() { support::pp().set_output(&std::cout); }
  std::string text() {
    support::pp().print_flush();
    return out_.str();
  }

 private:
  std::ostringstream out_;
};

TEST(FloatText, SignificantDigitsAndPoint) {
  EXPECT_EQ(Typespoids::float_text(2.0), "2.");
  EXPECT_EQ(Typespoids::float_text(500.0), "500.");
  EXPECT_EQ(Typespoids::float_text(0.1), "0.1");
  EXPECT_EQ(Typespoids::float_text(1.5), "1.5");
  EXPECT_EQ(Typespoids::float_text(1e20), "1e+20");
  EXPECT_EQ(Typespoids::float_text(0.0), "0.");
  EXPECT_EQ(Typespoids::float_text(-3.0), "-3.");
  EXPECT_EQ(Typespoids::float_text(1.0 / 3.0), "0.333333333333");
  EXPECT_EQ(Typespoids::float_text(std::numeric_limits<double>::infinity()), "inf");
}

TEST(FloatText, AffpdsAndAffind) {
  Capture c;
  Typespoids::affpds(2.0);
  Typespoids::affind(3.0);
  Typespoids::affind(std::nullopt);  // nothing, not even the blank
  EXPECT_EQ(c.text(), " #2. %3.");
}

TEST(Indices, IndiceOfIntAndBack) {
  EXPECT_FALSE(Typespoids::indice_of_int(0));
  EXPECT_FALSE(Typespoids::indice_of_int(-3));
  EXPECT_EQ(Typespoids::indice_of_int(1), Indice(1.0));
  EXPECT_EQ(Typespoids::indice_of_int(7), Indice(1.0));
  EXPECT_EQ(Typespoids::int_of_indice(std::nullopt), 0);
  EXPECT_EQ(Typespoids::int_of_indice(0.4), 1);
  EXPECT_EQ(Typespoids::int_of_indice(3.9), 3);
  EXPECT_EQ(Typespoids::int_of_indice(-5.0), 1);
  // Guarded conversions: clamped, never undefined.
  EXPECT_EQ(Typespoids::int_of_indice(1e300), std::numeric_limits<int>::max());
  EXPECT_EQ(Typespoids::int_of_indice(std::numeric_limits<double>::infinity()),
            std::numeric_limits<int>::max());
  EXPECT_EQ(Typespoids::int_of_indice(std::nan("")), 1);
}

TEST(Weights, InitpoidsFollowsTheLimit) {
  Typespoids w;
  EXPECT_EQ(w.initpoids(std::nullopt), 1.0);
  EXPECT_EQ(w.initpoids(0), 1.0);
  EXPECT_EQ(w.initpoids(1), 1.0);
  EXPECT_EQ(w.initpoids(4), 4.0);
  EXPECT_EQ(w.initpoids(-7), 1.0);
  w.pdsmax_global = 1.0;
  EXPECT_DOUBLE_EQ(w.initpoids(std::nullopt), 0.2);
  EXPECT_EQ(w.initpoids(0), 1.0);
  EXPECT_DOUBLE_EQ(w.pdsmoy_global(), 0.2);
  EXPECT_EQ(Typespoids::make_pdsmax_global(42), 42.0);
}

TEST(Weights, ListmaxAndOrder) {
  EXPECT_EQ(ref::listmax({}), 0);
  EXPECT_EQ(ref::listmax({-4, -1}), 0);
  EXPECT_EQ(ref::listmax({3, 9, 2}), 9);
  EXPECT_LT(Typespoids::ordrepoids(1.0, 2.0), 0);
  EXPECT_GT(Typespoids::ordrepoids(2.0, 1.0), 0);
  EXPECT_EQ(Typespoids::ordrepoids(2.0, 2.0), 0);
  EXPECT_LT(Typespoids::ordrepoids(std::nan(""), 1.0), 0);
}

TEST(Weights, PdsRes) {
  Hints none;
  // No literal on either side: 0 whatever the rest.
  EXPECT_EQ(Typespoids::pds_res(5, Indice(9.0), 0, Hints{{1, {Indice(4.0), 3}}}, 7.0, 0,
                                Indice(2.0), 8.0, 0, 1),
            0.0);
  // core = ((1+1)*1 + (1+1)*1) + 0*0.1 - 0 = 4; v = 4 + 0 + 1 = 5; max(2, 5) = 5.
  EXPECT_EQ(Typespoids::pds_res(0, std::nullopt, 0, none, 1.0, 1, std::nullopt, 1.0, 1, 0), 5.0);
  // Hints: M = 2*3 = 6, m = max(3, 0.1) = 3: core = 4 + 18 - 2 = 20; v = 20 + 1 + 1.
  EXPECT_EQ(
      Typespoids::pds_res(1, Indice(3.0), 0, Hints{{1, {Indice(2.5), 3}}, {2, {std::nullopt, 9}}},
                          1.0, 1, std::nullopt, 1.0, 1, 2),
      22.0);
  // Never below max(p1, p2) + 1 when a literal remains.
  EXPECT_EQ(Typespoids::pds_res(0, std::nullopt, 0, none, 100.0, 0, std::nullopt, 1.0, 1, 1000),
            101.0);
  // A core below 2 is raised to 2.
  EXPECT_EQ(Typespoids::pds_res(0, std::nullopt, 0, none, 0.0, 1, std::nullopt, 0.0, 0, 50), 3.0);
}

TEST(Weights, IndiceResRuleAndCont) {
  Hints l1{{1, {Indice(2.0), 2}}};  // hint value 4
  Hints l2{{1, {Indice(1.0), 3}}};  // hint value 3
  EXPECT_EQ(Typespoids::indice_res(Indice(1.0), Indice(2.0), l1, l2), Indice(7.0));
  EXPECT_EQ(Typespoids::indice_res(std::nullopt, Indice(2.0), l1, l2), Indice(6.0));
  EXPECT_EQ(Typespoids::indice_res(Indice(0.5), std::nullopt, Hints{}, Hints{}), Indice(0.5));
  EXPECT_FALSE(Typespoids::indice_res(std::nullopt, std::nullopt, l1, l2));
  EXPECT_EQ(Typespoids::indice_rule(Indice(2.0), l1), 4);
  EXPECT_EQ(Typespoids::indice_rule(Indice(9.0), l1), 9);
  EXPECT_EQ(Typespoids::indice_rule(std::nullopt, Hints{}), 0);
  // Hint values never overflow: clamped products.
  Hints huge{{1, {Indice(1e30), 1 << 30}}};
  EXPECT_EQ(Typespoids::indice_rule(std::nullopt, huge), std::numeric_limits<int>::max());
  // pds_rule: absent index, f = 0.1: 1 + 2 + 0.1 * (1 * 3).
  EXPECT_DOUBLE_EQ(Typespoids::pds_rule(std::nullopt, 1, 3, std::nullopt, 2.0), 3.3);
  // present 1.0: f = 0.1 + 1 - 1 = 0.1; b, a below 1 count as 1.
  EXPECT_DOUBLE_EQ(Typespoids::pds_rule(Indice(1.0), 0, -2, std::nullopt, 0.0), 1.1);
  // a negative f is floored at 1.0.
  EXPECT_EQ(Typespoids::pds_rule(Indice(-10.0), 5, 5, std::nullopt, 1.0), 1.0);
  EXPECT_EQ(ref::pds_cont(4.5, 99), 4.5);
}

// ---- Split tree ----

bool is_leaf(const SplitTreePtr& t, bool open) { return t->is_leaf && t->open == open; }

TEST(SplitTree, NamesAndPrinting) {
  Splitting s;
  EXPECT_EQ(s.new_litname(), 1);
  EXPECT_EQ(s.new_litname(), 2);
  EXPECT_EQ(s.current_litname(), 2);
  s.init_lit_state();
  EXPECT_EQ(s.current_litname(), 0);
  EXPECT_EQ(s.new_litname(), 1);
  s.reinit_litnames();
  EXPECT_EQ(s.current_litname(), 0);
  Capture c;
  Splitting::print_litname(3);
  EXPECT_EQ(c.text(), "sp3");
}

TEST(SplitTree, MemRemove) {
  auto r = ref::mem_remove(2, {{1, true}, {2, false}, {3, true}, {2, true}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->first, (std::vector<engine::SplitLit>{{1, true}, {3, true}, {2, true}}));
  EXPECT_EQ(r->second, engine::SplitLit(2, false));
  EXPECT_FALSE(ref::mem_remove(9, {{1, true}}));
}

TEST(SplitTree, AddBuildsChainsAndDescends) {
  // The chain is built from the last literal to the first: the first literal is the root.
  Splitting s;
  SplitTreePtr t = ref::add(s, {{1, true}, {2, false}}, s.leaf(true));
  ASSERT_FALSE(t->is_leaf);
  EXPECT_EQ(t->name, 1);
  EXPECT_TRUE(is_leaf(t->left, true));
  ASSERT_FALSE(t->right->is_leaf);
  EXPECT_EQ(t->right->name, 2);
  EXPECT_TRUE(is_leaf(t->right->left, false));
  EXPECT_TRUE(is_leaf(t->right->right, true));
  // A clause naming none of the node's literal goes down both branches.
  SplitTreePtr u = ref::add(s, {{3, true}}, ref::add(s, {{1, true}}, s.leaf(true)));
  EXPECT_EQ(u->name, 1);
  ASSERT_FALSE(u->left->is_leaf);
  EXPECT_EQ(u->left->name, 3);
  EXPECT_TRUE(is_leaf(u->right, false));  // already refuted stays refuted
  // The empty clause refutes any tree.
  EXPECT_TRUE(is_leaf(ref::add(s, {}, u), false));
}

TEST(SplitTree, SimpltreeCollapsesRefutedNodes) {
  Splitting s;
  SplitTreePtr t = ref::add(s, {{1, false}}, ref::add(s, {{1, true}}, s.leaf(true)));
  EXPECT_FALSE(t->is_leaf);
  EXPECT_TRUE(is_leaf(ref::simpltree(s, t), false));
}

TEST(SplitTree, SplitAddReportsRefutationAndKeepsTree) {
  Splitting s;
  s.init_lit_state();
  EXPECT_FALSE(s.split_add({{1, true}}));
  const SplitTreePtr& t = s.current();
  ASSERT_FALSE(t->is_leaf);
  EXPECT_EQ(t->name, 1);
  EXPECT_TRUE(is_leaf(t->left, true));
  EXPECT_TRUE(is_leaf(t->right, false));
  SplitTreePtr before = s.current();
  EXPECT_TRUE(s.split_add({{1, false}}));
  EXPECT_EQ(s.current(), before);  // unchanged by a refutation
  EXPECT_TRUE(s.split_add({}));
  s.init_lit_state();
  EXPECT_TRUE(is_leaf(s.current(), true));
}

TEST(SplitTree, TestInsat) {
  Splitting s;
  EXPECT_FALSE(ref::test_insat(s, {{{1, true}}, {{1, false}}}));
  auto t = ref::test_insat(s, {{{1, true}, {2, true}}, {{1, false}}});
  ASSERT_TRUE(t);
  EXPECT_FALSE((*t)->is_leaf);
  // Sorted by length first: the two units refute before the long clause is looked at.
  EXPECT_FALSE(ref::test_insat(s, {{{1, true}, {2, true}, {3, true}}, {{2, true}}, {{2, false}}}));
  auto empty = ref::test_insat(s, {});
  ASSERT_TRUE(empty);
  EXPECT_TRUE(is_leaf(*empty, true));
}

}  // namespace

namespace {

bool same_tree(const SplitTreePtr& a, const SplitTreePtr& b) {
  if (a->is_leaf || b->is_leaf) return a->is_leaf && b->is_leaf && a->open == b->open;
  return a->name == b->name && same_tree(a->left, b->left) && same_tree(a->right, b->right);
}

TEST(SplitTree, SplitAddAgreesWithAddThenSimpltree) {
  // Random clause sequences: the current tree always equals the full
  // simplification of `add`, and split_add reports a refutation exactly
  // when that is refuted.
  unsigned seed = 12345;
  auto next = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int run = 0; run < 300; ++run) {
    Splitting s, r;
    SplitTreePtr full = r.leaf(true);
    for (int step = 0; step < 12; ++step) {
      std::vector<engine::SplitLit> clause;
      unsigned len = 1 + next(3);
      for (unsigned k = 0; k < len; ++k)
        clause.push_back({1 + static_cast<int>(next(5)), next(2) == 0});
      SplitTreePtr expect = ref::simpltree(r, ref::add(r, clause, full));
      bool refuted = expect->is_leaf && !expect->open;
      if (refuted) {
        EXPECT_TRUE(s.split_add(clause));
        EXPECT_TRUE(same_tree(s.current(), full));
        break;
      }
      EXPECT_FALSE(s.split_add(clause));
      ASSERT_TRUE(same_tree(s.current(), expect)) << "run " << run << " step " << step;
      full = expect;
    }
  }
}

}  // namespace
