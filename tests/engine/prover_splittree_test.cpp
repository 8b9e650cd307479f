// The split tree as the search records into it: the one-walk update and its
// polled variant give exactly simpltree (add l t), and a stop request leaves
// the tree as it was.
#include <gtest/gtest.h>
#include <signal.h>

#include <random>
#include <set>
#include <vector>

#include "engine/splitting.h"
#include "support/signals.h"

namespace {

using engine::SplitLit;
using engine::SplitTreePtr;

bool same(const SplitTreePtr& a, const SplitTreePtr& b) {
  if (a->is_leaf != b->is_leaf) return false;
  if (a->is_leaf) return a->open == b->open;
  return a->name == b->name && same(a->left, b->left) && same(a->right, b->right);
}

std::vector<SplitLit> random_clause(std::mt19937& rng) {
  std::vector<SplitLit> l;
  int n = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < n; ++i) {
    int name = 1 + static_cast<int>(rng() % 6);
    bool dup = false;
    for (auto& x : l) dup = dup || x.first == name;
    if (!dup) l.push_back({name, (rng() & 1u) != 0});
  }
  return l;
}

}  // namespace

TEST(ProverSplitTree, RecordingMatchesAddThenSimplify) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 rng(seed);
    engine::Splitting plain, polled;
    SplitTreePtr reference = engine::Splitting::leaf(true);
    for (int step = 0; step < 12; ++step) {
      std::vector<SplitLit> l = random_clause(rng);
      SplitTreePtr next = engine::Splitting::simpltree(engine::Splitting::add(l, reference));
      bool refuted = next->is_leaf && !next->open;
      bool insat1 = false, insat2 = false;
      try {
        plain.split_add(l);
      } catch (const engine::Insat&) {
        insat1 = true;
      }
      try {
        polled.split_add_polled(l);
      } catch (const engine::Insat&) {
        insat2 = true;
      }
      ASSERT_EQ(insat1, refuted) << seed << " " << step;
      ASSERT_EQ(insat2, refuted) << seed << " " << step;
      if (refuted) break;
      reference = next;
      ASSERT_TRUE(same(plain.current(), reference)) << seed << " " << step;
      ASSERT_TRUE(same(polled.current(), reference)) << seed << " " << step;
    }
  }
}

TEST(ProverSplitTree, StopRequestLeavesTheTreeUnchanged) {
  // A tree with more than a thousand distinct nodes, so that the walk polls
  // (equal subtrees are one node, met once by a walk).
  engine::Splitting s;
  std::mt19937 rng(3);
  for (int n = 0; n < 40; ++n) {
    std::vector<engine::SplitLit> l;
    while (l.size() < 3) {
      int name = 1 + static_cast<int>(rng() % 30);
      bool dup = false;
      for (auto& x : l) dup = dup || x.first == name;
      if (!dup) l.push_back({name, rng() % 2 == 0});
    }
    s.split_add(l);
  }
  std::set<const engine::SplitTree*> distinct;
  std::vector<const engine::SplitTree*> todo{s.current().get()};
  while (!todo.empty()) {
    const engine::SplitTree* t = todo.back();
    todo.pop_back();
    if (t->is_leaf || !distinct.insert(t).second) continue;
    todo.push_back(t->left.get());
    todo.push_back(t->right.get());
  }
  ASSERT_GT(distinct.size(), 2048u);
  SplitTreePtr before = s.current();
  support::catch_interrupt();
  raise(SIGINT);
  EXPECT_THROW(s.split_add_polled({{200, true}}), engine::SplitStopped);
  support::clear_interrupt();
  EXPECT_EQ(s.current(), before);
  s.split_add_polled({{200, true}});
  EXPECT_NE(s.current(), before);
}
