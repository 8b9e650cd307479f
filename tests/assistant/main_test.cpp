// The assistant's start-up state.
#include "assistant/main.h"

#include <gtest/gtest.h>

namespace assistant {
namespace {

TEST(MainTest, StartsInFreeModeWithEverySettingAbsent) {
  Main m;
  EXPECT_FALSE(m.proof_in_progress);
  EXPECT_TRUE(parsernc::is_empty_proof(*m.pending_proof));
  EXPECT_TRUE(m.new_goals.empty());
  EXPECT_EQ(m.new_goal_count, 0);
  EXPECT_TRUE(m.base.current_goals().empty());
  const engine::ProveSettings s = m.settings();
  EXPECT_FALSE(s.resolution_method || s.lazy_decomposition || s.verbose || s.step_prompt ||
               s.maxcndts || s.splitting || s.check_subcase || s.trace_proof || s.timemax ||
               s.pdsmax_global);
}

TEST(MainTest, SettingsReachTheirOwnArgument) {
  Main m;
  m.verbose = 2;
  m.maxcndts = 10;
  m.splitting = false;
  m.check_subcase = true;
  m.trace_proof = false;
  m.timemax = 5;
  m.pdsmax_global = 100;
  const engine::ProveSettings s = m.settings();
  EXPECT_EQ(s.verbose, 2);
  EXPECT_EQ(s.maxcndts, 10);
  EXPECT_EQ(s.splitting, false);
  EXPECT_EQ(s.check_subcase, true);
  EXPECT_EQ(s.trace_proof, false);
  EXPECT_EQ(s.timemax, 5);
  EXPECT_EQ(s.pdsmax_global, 100);
  EXPECT_FALSE(s.resolution_method || s.lazy_decomposition || s.step_prompt);
}

TEST(MainTest, GeneratorsCountOnTheirOwn) {
  Main m;
  EXPECT_EQ(m.next_number(), "1");
  EXPECT_EQ(m.next_hyp_name(), "#1");
  EXPECT_EQ(m.next_number(), "2");
  EXPECT_EQ(m.next_number(), "3");
  EXPECT_EQ(m.next_hyp_name(), "#2");
}

}  // namespace
}  // namespace assistant
