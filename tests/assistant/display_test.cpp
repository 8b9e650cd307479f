// The goal display: its substitution and the printed goals.
#include "assistant/display.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "fol/parserfol.h"
#include "support/printer.h"

namespace assistant {
namespace {

fol::Formula F(const char* text) { return fol::parse_formula_or_throw(text); }

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { support::pp().set_output(&out_); }
  void TearDown() override { support::pp().set_output(&std::cout); }
  std::string printed() {
    support::pp().print_flush();
    return out_.str();
  }
  std::ostringstream out_;
  fol::Session ses_;  // the existential values the display reads
};

TEST_F(DisplayTest, ExistentialVariableWinsOverConstantOfTheSameName) {
  const fol::Term y_dep = fol::mk_evar("d1", "y");
  const fol::Subst s = do_subst(ses_, {{"x", {}}, {"c", {y_dep}}}, {{"x", "e1"}, {"y", "d1"}});
  ASSERT_NE(s.find("x"), nullptr);
  EXPECT_EQ(*s.find("x"), fol::mk_evar("e1", "x"));
  ASSERT_NE(s.find("c"), nullptr);
  EXPECT_EQ(*s.find("c"), fol::mk_cst("c", {y_dep}));
  EXPECT_EQ(*s.find("y"), y_dep);
  EXPECT_EQ(s.find("z"), nullptr);
  // The last of two existential variables of one name counts.
  const fol::Subst t = do_subst(ses_, {}, {{"x", "e1"}, {"x", "e2"}});
  EXPECT_EQ(*t.find("x"), fol::mk_evar("e2", "x"));
}

TEST_F(DisplayTest, GoalWithUnnamedEmptyNamedAndNamedHypotheses) {
  // Hypotheses are stored newest first and printed oldest first.
  Goal g{
      {{"h", F("p(x) -> q")}, {"", F("r & s")}, {" ", F("t")}}, F("forall y. p(y)"), {}, {}, "g"};
  print_goal(ses_, g);
  EXPECT_EQ(printed(), " :t\nr & s\nh:p(x) -> q\n|- /\\ y. p(y)\n\n");
}

TEST_F(DisplayTest, NamesReadAsConstantsAndExistentialVariables) {
  Goal g{{{"h", F("p(c, x)")}}, F("q(x, c, z)"), {{"x", "e7"}}, {{"c", {}}}, ""};
  print_goal(ses_, g);
  fol::add_evar_val(ses_, "e7", fol::mk_fn("f", {fol::mk_fn("a", {})}));
  print_goal(ses_, g);
  EXPECT_EQ(printed(),
            "h:p(c,x?)\n|- q(x?,c,z)\n\n"
            "h:p(c,f(a()))\n|- q(f(a()),c,z)\n\n");
}

TEST_F(DisplayTest, LongGoalsStayOnOneLine) {
  std::string conj = "p0";
  for (int i = 1; i < 30; ++i) conj += " & p" + std::to_string(i);
  Goal g{{{"h", F(conj.c_str())}}, F(conj.c_str()), {}, {}, ""};
  print_goal(ses_, g);
  const std::string out = printed();
  const std::string text = fol::to_string(ses_, F(conj.c_str()));
  EXPECT_GT(text.size(), 78u);
  EXPECT_EQ(out, "h:" + text + "\n|- " + text + "\n\n");
}

TEST_F(DisplayTest, CountLineAndGoalNames) {
  print_goals(ses_, 1, {Goal{{}, F("p"), {}, {}, ""}});
  print_goals(ses_, 0, {Goal{{}, F("a"), {}, {}, "k"}, Goal{{}, F("b"), {}, {}, " "}});
  print_goals(ses_, 3, {});
  EXPECT_EQ(printed(),
            "1 new goal\n\n|- p\n\n"
            "No new goals\nGoal k\n|- a\n\nGoal  \n|- b\n\n"
            "3 new goals\n");
}

}  // namespace
}  // namespace assistant
