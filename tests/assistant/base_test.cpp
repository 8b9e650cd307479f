// The goal stack with its goal and value histories.
#include "assistant/base.h"

#include <gtest/gtest.h>

#include <string>

#include "fol/parserfol.h"

namespace assistant {
namespace {

fol::Formula F(const char* text) { return fol::parse_formula_or_throw(text); }

Goal named(const char* name, const char* concl) { return Goal{{}, F(concl), {}, {}, name}; }

std::string names(const GoalList& goals) {
  std::string r;
  for (const Goal& g : goals) r += "[" + g.name + "]";
  return r;
}

class BaseTest : public ::testing::Test {
 protected:
  // One checker step as the command loop records it: the current goal is
  // replaced by `opened`, and `key` gets the value `value`.
  void step(const GoalList& opened, const std::string& key, const char* value) {
    base.rm_goal();
    base.add_goal_list(opened);
    fol::add_evar_val(ses, key, fol::mk_fn(value, {}));
    base.add_goal_historic(base.current_goals());
    base.add_evar_val_historic(fol::give_evar_val(ses));
  }

  void expect_invariant() {
    EXPECT_GE(base.goal_history().size(), 2u);
    EXPECT_EQ(base.goal_history().size(), base.value_history().size());
    EXPECT_EQ(names(base.goal_history().back()), names(base.current_goals()));
  }

  fol::Session ses;  // the store the histories save and restore
  Base base;
};

TEST_F(BaseTest, StartsWithoutProof) {
  EXPECT_TRUE(base.current_goals().empty());
  EXPECT_EQ(base.goal_history().size(), 2u);
  EXPECT_EQ(base.value_history().size(), 2u);
  EXPECT_THROW(base.c_goal(), support::Failure);
  EXPECT_THROW(base.rm_goal(), support::Failure);
  EXPECT_FALSE(base.sel_goal(""));
}

TEST_F(BaseTest, InitThenUndoEmptiesTheGoals) {
  base.init_goals({F("p -> p"), 7});
  ASSERT_EQ(base.current_goals().size(), 1u);
  const Goal& g = base.c_goal();
  EXPECT_EQ(g.name, "");
  EXPECT_TRUE(g.hyps.empty() && g.evars.empty() && g.csts.empty());
  EXPECT_EQ(g.concl, F("p -> p"));
  expect_invariant();
  base.undo_goals(ses);
  EXPECT_TRUE(base.current_goals().empty());
  EXPECT_EQ(base.goal_history().size(), 1u);
  EXPECT_EQ(base.value_history().size(), 1u);
}

TEST_F(BaseTest, StepsSelectAndUndoBackToTheStart) {
  base.init_goals({F("q"), 0});
  step({named("a", "a"), named("b", "b"), named("c", "c")}, "k1", "one");
  EXPECT_EQ(names(base.current_goals()), "[a][b][c]");
  EXPECT_EQ(base.c_goal().name, "c");
  expect_invariant();

  step({named("d", "d")}, "k2", "two");  // replaces c
  EXPECT_EQ(names(base.current_goals()), "[a][b][d]");
  ASSERT_EQ(fol::give_evar_val(ses).size(), 2u);

  // Select: the goal moves to the end, the others keep their order.
  ASSERT_TRUE(base.sel_goal("a"));
  EXPECT_EQ(names(base.current_goals()), "[b][d][a]");
  expect_invariant();
  // Selecting the current goal changes no order but is still a step.
  const std::size_t before = base.goal_history().size();
  ASSERT_TRUE(base.sel_goal("a"));
  EXPECT_EQ(names(base.current_goals()), "[b][d][a]");
  EXPECT_EQ(base.goal_history().size(), before + 1);
  expect_invariant();
  // An unknown name changes nothing.
  EXPECT_FALSE(base.sel_goal("zz"));
  EXPECT_EQ(names(base.current_goals()), "[b][d][a]");
  EXPECT_EQ(base.goal_history().size(), before + 1);

  // Undo walks back through the selects, then the steps and their values.
  base.undo_goals(ses);
  EXPECT_EQ(names(base.current_goals()), "[b][d][a]");
  base.undo_goals(ses);
  EXPECT_EQ(names(base.current_goals()), "[a][b][d]");
  EXPECT_EQ(fol::give_evar_val(ses).size(), 2u);
  base.undo_goals(ses);
  EXPECT_EQ(names(base.current_goals()), "[a][b][c]");
  ASSERT_EQ(fol::give_evar_val(ses).size(), 1u);
  EXPECT_EQ(fol::give_evar_val(ses)[0].first, "k1");
  base.undo_goals(ses);
  EXPECT_EQ(names(base.current_goals()), "[]");
  EXPECT_EQ(base.c_goal().concl, F("q"));
  EXPECT_TRUE(fol::give_evar_val(ses).empty());
  expect_invariant();
  base.undo_goals(ses);
  EXPECT_TRUE(base.current_goals().empty());
}

TEST_F(BaseTest, SelectTakesTheFirstOfTwoGoalsWithOneName) {
  base.init_goals({F("q"), 0});
  step({named("h", "first"), named("x", "x"), named("h", "second")}, "k", "v");
  ASSERT_TRUE(base.sel_goal("h"));
  EXPECT_EQ(names(base.current_goals()), "[x][h][h]");
  EXPECT_EQ(base.c_goal().concl, F("first"));
  // The value history grows with the goal history and repeats the last values.
  EXPECT_EQ(base.value_history().back().size(), 1u);
  expect_invariant();
}

TEST_F(BaseTest, AbortAndRestart) {
  base.init_goals({F("q"), 0});
  step({named("a", "a")}, "k", "v");
  base.abort_goals();
  EXPECT_TRUE(base.current_goals().empty());
  EXPECT_EQ(base.goal_history().size(), 2u);
  EXPECT_EQ(base.value_history().size(), 2u);
  base.init_goals({F("r"), 0});
  EXPECT_EQ(base.goal_history().size(), 2u);
  EXPECT_EQ(base.c_goal().concl, F("r"));
}

TEST_F(BaseTest, GoalListEdits) {
  base.init_goals({F("q"), 0});
  base.add_goal_list({});
  EXPECT_EQ(base.current_goals().size(), 1u);
  base.add_goal_list({named("a", "a"), named("b", "b")});
  base.rm_goal();
  EXPECT_EQ(base.c_goal().name, "a");
  // History is untouched by these edits.
  EXPECT_EQ(base.goal_history().size(), 2u);
}

}  // namespace
}  // namespace assistant
