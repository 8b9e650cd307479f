#include "fol/lib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fol/fpf.h"

using namespace fol;

TEST(FolLib, SetOperations) {
  EXPECT_EQ(set_union<int>({3, 1}, {2, 3}), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(subtract<int>({1, 2, 2}, {2}), (std::vector<int>{1}));
  EXPECT_EQ(intersect<int>({4, 2, 9}, {9, 4, 5}), (std::vector<int>{4, 9}));
  EXPECT_EQ(setify<int>({1, 1}), (std::vector<int>{1}));
  EXPECT_FALSE(canonical<int>({1, 1}));
  EXPECT_EQ(uniq<int>({1, 1, 2, 2, 1}), (std::vector<int>{1, 2, 1}));
  // Names order byte by byte.
  EXPECT_EQ(setify<std::string>({"var2", "x'", "var10", "x"}),
            (std::vector<std::string>{"var10", "var2", "x", "x'"}));
}

TEST(FolLib, SortIsAMergeSort) {
  std::vector<int> l{5, 3, 9, 1, 1, 7, 2, 8, 6, 4, 0};
  EXPECT_EQ(sort([](int a, int b) { return a <= b; }, l),
            (std::vector<int>{0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(sort([](int a, int b) { return a <= b; }, std::vector<int>{}).empty());
  EXPECT_EQ(sort([](int a, int b) { return a >= b; }, std::vector<int>{2, 9, 4}),
            (std::vector<int>{9, 4, 2}));
}

TEST(FolLib, ZipAndApplyFail) {
  EXPECT_THROW(zip<int>({1}, {}), support::Failure);
  try {
    zip<int>({1}, {});
  } catch (const support::Failure& f) {
    EXPECT_STREQ(f.what(), "zip");
  }
  Fpf<std::string, int> f;
  f = f.add("a", 1);
  EXPECT_EQ(f.apply("a"), 1);
  try {
    f.apply("b");
    ADD_FAILURE();
  } catch (const support::Failure& e) {
    EXPECT_STREQ(e.what(), "apply");
  }
  EXPECT_EQ(f.tryapplyd("b", 7), 7);
  EXPECT_TRUE(f.defined("a"));
  EXPECT_FALSE(f.defined("b"));
}

TEST(FolLib, TreeHeightsFollowTheRebalancingRules) {
  Fpf<std::string, int> f;
  EXPECT_EQ(f.height(), 0);
  std::vector<int> heights;
  int i = 0;
  for (const char* k : {"a", "b", "c", "d", "e", "f", "g"}) {
    f = f.add(k, i++);
    heights.push_back(f.height());
  }
  // A chain of three before any rotation; d rotates and keeps 3; g reaches 4.
  EXPECT_EQ(heights, (std::vector<int>{1, 2, 3, 3, 4, 4, 4}));
  EXPECT_EQ(f.dom(), (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g"}));
  EXPECT_EQ(*f.find("e"), 4);
}

// Unifiers are flat, and `unif` reports the height their tree would have:
// the shape alone, replayed, must match the tree's on any insertion order.
TEST(FolLib, InsertionHeightMatchesTheTree) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 300; ++round) {
    const int n = 1 + static_cast<int>(rng() % (round < 200 ? 40 : 600));
    std::vector<int> keys(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) keys[static_cast<std::size_t>(i)] = i;
    if (round % 3) std::shuffle(keys.begin(), keys.end(), rng);  // else ascending
    Fpf<int, int> f;
    for (int k : keys) f = f.add(k, 0);
    auto before = [&](int i, int j) {
      return keys[static_cast<std::size_t>(i)] < keys[static_cast<std::size_t>(j)];
    };
    ASSERT_EQ(fpf_insertion_height(keys.size(), before), f.height()) << "n = " << n;
  }
  EXPECT_EQ(fpf_insertion_height(0, [](int, int) { return false; }), 0);
}

TEST(FolLib, UpdatesShareAndKeepOldTrees) {
  Fpf<std::string, int> f;
  for (const char* k : {"m", "c", "x", "a"}) f = f.add(k, 1);
  auto g = f.add("c", 2).remove("x");
  EXPECT_EQ(*f.find("c"), 1);
  EXPECT_TRUE(f.defined("x"));
  EXPECT_EQ(*g.find("c"), 2);
  EXPECT_FALSE(g.defined("x"));
  EXPECT_EQ(f.add("c", 5).height(), f.height());  // replacing keeps the height
  EXPECT_EQ(f.remove("zz").height(), f.height());
  auto fs = g.funset();
  ASSERT_EQ(fs.size(), 3u);
  EXPECT_EQ(fs[0], (std::pair<std::string, int>{"a", 1}));
  // fold visits the largest key first, so consing yields increasing keys.
  std::string order =
      f.fold([](const std::string& k, int, std::string acc) { return acc + k; }, std::string());
  EXPECT_EQ(order, "xmca");
  // Removing everything one by one leaves the empty tree.
  for (const char* k : {"m", "c", "x", "a"}) f = f.remove(k);
  EXPECT_TRUE(f.empty());
}
