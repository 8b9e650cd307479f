// The split tree as the search records into it: the one-walk update and its
// polled variant give exactly simpltree (add l t), and a stop request leaves
// the tree as it was.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "engine/splitting.h"
#include "engine/splitting_reference.h"
#include "support/signals.h"

namespace {

using engine::SplitLit;
using engine::SplitTreePtr;
namespace ref = engine::reference;

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

// Equal subtrees are one node: a tree that repeats a subtree across many
// branches holds one copy (eleven two-literal clauses make a tree of more
// than a thousand nodes when unshared).
TEST(ProverSplitTree, EqualSubtreesAreOneNode) {
  engine::Splitting s;
  for (int n = 1; n <= 11; ++n) s.split_add({{n, true}, {n + 100, false}});
  std::map<const engine::SplitTree*, int> cls;  // node -> class of equal subtrees
  std::map<std::tuple<int, int, int>, int> classes;
  std::vector<std::pair<const engine::SplitTree*, bool>> todo{{s.current().get(), false}};
  while (!todo.empty()) {
    auto [t, children_done] = todo.back();
    todo.pop_back();
    if (cls.count(t)) continue;
    if (t->is_leaf) {
      cls[t] = t->open ? -1 : -2;
      continue;
    }
    if (!children_done) {
      todo.push_back({t, true});
      todo.push_back({t->left.get(), false});
      todo.push_back({t->right.get(), false});
      continue;
    }
    auto key = std::make_tuple(t->name, cls.at(t->left.get()), cls.at(t->right.get()));
    auto it = classes.emplace(key, static_cast<int>(classes.size())).first;
    cls[t] = it->second;
  }
  std::size_t nodes = 0;
  for (const auto& [t, c] : cls) nodes += t->is_leaf ? 0 : 1;
  EXPECT_EQ(nodes, classes.size());
  EXPECT_LT(nodes, 100u);
}

}  // namespace

TEST(ProverSplitTree, RecordingMatchesAddThenSimplify) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 rng(seed);
    engine::Splitting plain, polled, r;
    SplitTreePtr reference = r.leaf(true);
    for (int step = 0; step < 12; ++step) {
      std::vector<SplitLit> l = random_clause(rng);
      SplitTreePtr next = ref::simpltree(r, ref::add(r, l, reference));
      bool refuted = next->is_leaf && !next->open;
      ASSERT_EQ(plain.split_add(l), refuted) << seed << " " << step;
      ASSERT_EQ(polled.split_add_polled(l) == engine::Splitting::Added::Refuted, refuted)
          << seed << " " << step;
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
  EXPECT_EQ(s.split_add_polled({{200, true}}), engine::Splitting::Added::Stopped);
  support::clear_interrupt();
  EXPECT_EQ(s.current(), before);
  EXPECT_EQ(s.split_add_polled({{200, true}}), engine::Splitting::Added::Recorded);
  EXPECT_NE(s.current(), before);
}

// 64 literals fill the bit mask of removed literals; more take another path
// (counted per name). Repeated names are placed in order, as by add. A long
// clause met again less one literal, or shuffled, goes down the whole chain
// the first one made.
TEST(ProverSplitTree, LongClausesMatchAddThenSimplify) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    engine::Splitting s, r;
    SplitTreePtr reference = r.leaf(true);
    std::vector<SplitLit> last;
    for (int step = 0; step < 8; ++step) {
      std::vector<SplitLit> l;
      unsigned kind = rng() % 4;
      if (kind >= 2 && !last.empty()) {
        l = last;
        if (kind == 2)
          l.erase(l.begin() + static_cast<std::ptrdiff_t>(rng() % l.size()));
        else
          std::shuffle(l.begin(), l.end(), rng);
      } else {
        std::size_t n = kind == 0 ? 64 + rng() % 8 : 1 + rng() % 3;
        while (l.size() < n) l.push_back({1 + static_cast<int>(rng() % 4), rng() % 2 == 0});
        if (kind == 0) last = l;
      }
      SplitTreePtr next = ref::simpltree(r, ref::add(r, l, reference));
      bool refuted = next->is_leaf && !next->open;
      ASSERT_EQ(s.split_add(l), refuted) << seed << " " << step;
      if (refuted) break;
      reference = next;
      ASSERT_TRUE(same(s.current(), reference)) << seed << " " << step;
    }
  }
}

// Each Splitting shares nodes through its own table only, and a tree kept
// after its Splitting is gone stays whole and frees safely.
TEST(ProverSplitTree, EnginesShareNothing) {
  SplitTreePtr kept;
  engine::Splitting other;
  {
    engine::Splitting s;
    for (engine::Splitting* e : {&s, &other}) {
      e->split_add({{1, true}, {2, false}});
      e->split_add({{3, true}});
    }
    EXPECT_TRUE(same(s.current(), other.current()));
    EXPECT_NE(s.current(), other.current());
    kept = s.current();
  }
  EXPECT_TRUE(same(kept, other.current()));
  kept.reset();
  other.split_add({{2, true}});
  EXPECT_FALSE(other.current()->is_leaf);
}
