// The proof-language checker: the obligations a phrase gives, its
// rejections, and what the loop keeps when a check goes wrong.
#include "assistant/checker.h"

#include <gtest/gtest.h>

#include <deque>
#include <iostream>
#include <sstream>

#include "assistant/main.h"
#include "engine/ptypes.h"
#include "fol/parserfol.h"
#include "support/printer.h"

namespace assistant {
namespace {

fol::Formula F(const char* text) { return fol::parse_formula_or_throw(text); }

class CheckerTest : public ::testing::Test {
 protected:
  void SetUp() override { support::pp().set_output(&out); }
  void TearDown() override { support::pp().set_output(&std::cout); }
  Goal goal(const char* concl) { return Goal{{}, F(concl), {}, {}, ""}; }
  // The tree stays alive for the whole test, so references into it hold.
  const CheckPtr& walk(const Goal& g, const char* phrase) {
    CheckContext ctx = m.check_context();
    kept.push_back(interprete_nc(ctx, g, *parsernc::parse_phrase(phrase)));
    return kept.back();
  }
  // The step check of a one-step phrase.
  const StepCheck& outcome(const CheckPtr& t) { return *std::get<Justify>(t->v).outcome; }

  std::ostringstream out;
  Main m;
  std::deque<CheckPtr> kept;
};

TEST_F(CheckerTest, LabelsAndByAbsurdLeaveOneOpenGoal) {
  const Goal g = goal("p -> q");
  const Goal& empty = std::get<Open>(walk(g, "")->v).goal;
  EXPECT_EQ(empty.name, "");
  EXPECT_EQ(empty.concl, g.concl);
  EXPECT_EQ(std::get<Open>(walk(g, "label [k]")->v).goal.name, "k");
  const Goal& a = std::get<Open>(walk(g, "by_absurd [h]")->v).goal;
  ASSERT_EQ(a.hyps.size(), 1u);
  EXPECT_EQ(a.hyps[0].first, "h");
  EXPECT_EQ(a.hyps[0].second, fol::mk_not(g.concl));
  EXPECT_EQ(a.concl, fol::mk_false());
}

TEST_F(CheckerTest, CaseFormulasOfBlocksWithoutShow) {
  const Goal g = goal("r");
  EXPECT_EQ(std::get<Cases>(outcome(walk(g, "assume $a$ then assume $b$")).v).formula, F("a | b"));
  EXPECT_EQ(std::get<Cases>(outcome(walk(g, "let x assume $p(x)$")).v).formula,
            F("exists x. p(x)"));
  EXPECT_EQ(std::get<Cases>(outcome(walk(g, "search x assume $p(x)$")).v).formula,
            F("forall x. p(x)"));
  EXPECT_EQ(std::get<Cases>(outcome(walk(g, "assume $a$ and $b$")).v).formula, F("a & b"));
  const Cases& c =
      std::get<Cases>(outcome(walk(g, "proof trivial endproof then proof label [k] endproof")).v);
  EXPECT_EQ(c.formula, fol::mk_true());
  ASSERT_EQ(c.parts.size(), 2u);
  EXPECT_EQ(std::get<Open>(c.parts[1]->v).goal.name, "k");
}

TEST_F(CheckerTest, FormulasEstablishedByBlocksWithShow) {
  const Goal g = goal("r");
  const Shown& s =
      std::get<Shown>(outcome(walk(g, "show $a$ trivial shown then show $b$ trivial shown")).v);
  ASSERT_EQ(s.formulas.size(), 2u);
  EXPECT_EQ(s.formulas[0], F("a"));
  EXPECT_EQ(s.formulas[1], F("b"));
  const Shown& t = std::get<Shown>(outcome(walk(g, "let x assume $p(x)$ show $q(x)$")).v);
  ASSERT_EQ(t.formulas.size(), 1u);
  EXPECT_EQ(t.formulas[0], F("forall x. (p(x) -> q(x))"));
  // The part's goal knows x as a constant and has the assumption.
  const Goal& part = std::get<Open>(t.parts.at(0)->v).goal;
  ASSERT_EQ(part.csts.size(), 1u);
  EXPECT_EQ(part.csts[0].first, "x");
  EXPECT_EQ(part.hyps.at(0).second, F("p(x)"));
  // A "proof" part establishes the step's own formula.
  const Shown& u = std::get<Shown>(outcome(walk(g, "show $a$ then proof trivial endproof")).v);
  EXPECT_EQ(u.formulas.at(1), F("r"));
}

TEST_F(CheckerTest, HintFormulasComeLaterItemFirstAndSkipHypotheses) {
  Goal g = goal("r");
  g.hyps = {{"h", F("forall y. p(y)")}};
  const Justify& j =
      std::get<Justify>(walk(g, "by $a$ with $b$, $forall z. p(z)$ and $c$ trivial")->v);
  ASSERT_EQ(j.hint_formulas.size(), 3u);
  EXPECT_EQ(j.hint_formulas[0], F("c"));
  EXPECT_EQ(j.hint_formulas[1], F("a"));
  EXPECT_EQ(j.hint_formulas[2], F("b"));
}

TEST_F(CheckerTest, ThenHalvesStartFromOneGoalAndTheRightOneIsWalkedFirst) {
  const Goal g = goal("r");
  const Shown& s =
      std::get<Shown>(outcome(walk(g, "search x show $p(x)$ then search x show $q(x)$")).v);
  const Goal& left = std::get<Open>(s.parts.at(0)->v).goal;
  const Goal& right = std::get<Open>(s.parts.at(1)->v).goal;
  EXPECT_EQ(left.evars.at(0).second, "2");
  EXPECT_EQ(right.evars.at(0).second, "1");
  EXPECT_THROW(walk(g, "let x let x show $p(x)$"), NCErreur);
}

TEST_F(CheckerTest, ConstantsDependOnTheOpenExistentialVariables) {
  const Goal g = goal("r");
  const Shown& s = std::get<Shown>(outcome(walk(g, "search y let x show $p(x, y)$")).v);
  const Goal& part = std::get<Open>(s.parts.at(0)->v).goal;
  ASSERT_EQ(part.csts.at(0).second.size(), 1u);
  EXPECT_EQ(part.csts[0].second[0], fol::mk_evar(part.evars.at(0).second, "y"));
  EXPECT_THROW(walk(g, "search y let x show $p(x, y)$ set {y=x} trivial shown"), NCErreur);
  EXPECT_NE(out.str().find("contenant des constantes qui en dependent"), std::string::npos);
}

TEST_F(CheckerTest, ClaimsWithVariablesOfTheirOwnAreRefused) {
  const Goal g = goal("p(a()) -> p(b())");
  EXPECT_THROW(walk(g, "deduce $p(x)$ trivial"), NCErreur);
  EXPECT_THROW(walk(g, "show $p(x)$ trivial shown"), NCErreur);
  EXPECT_THROW(walk(g, "Prove $p(x)$ trivial"), NCErreur);
  EXPECT_NO_THROW(walk(g, "let x show $p(x)$ deduce $p(x)$ trivial shown"));
  EXPECT_EQ(out.str(), std::string() +
                           "Il est impossible de prouver\np(x)car il y a des variables jamais "
                           "introduites dans cette branche\n"
                           "Il est impossible de prouver\np(x)car il y a des variables jamais "
                           "introduites dans cette branche\n"
                           "Il est impossible de prouver\np(x)car il y a des variables jamais "
                           "introduites dans cette branche\n");
}

TEST_F(CheckerTest, HintsNamingNoHypothesisOfTheGoalAreRefused) {
  Goal g = goal("r");
  g.hyps = {{"h", F("q")}, {"", F("s")}};
  EXPECT_THROW(walk(g, "by [k] trivial"), NCErreur);
  EXPECT_THROW(walk(g, "by [h] with [k] trivial"), NCErreur);
  EXPECT_THROW(walk(g, "by [] trivial"), NCErreur);  // an unnamed hypothesis has no name to give
  EXPECT_NO_THROW(walk(g, "by [h] with [h] trivial"));
  EXPECT_EQ(out.str(),
            "l'hypothèse  [k] n'est pas dans le but courant\n"
            "l'hypothese  k n'est pas dans le but courant\n"
            "l'hypothèse  [] n'est pas dans le but courant\n");
}

TEST_F(CheckerTest, AVariableGetsOneValueOnly) {
  Goal g = goal("r");
  g.evars = {{"x", "7"}, {"y", "8"}};
  EXPECT_THROW(walk(g, "set {x=a()} set {x=b()}"), NCErreur);
  EXPECT_THROW(walk(g, "begin proof set {x=a()} endproof then proof set {x=b()} endproof end"),
               NCErreur);
  EXPECT_THROW(walk(g, "set {x=x}"), NCErreur);
  EXPECT_THROW(walk(g, "set {x=y} set {y=f(x)}"), NCErreur);
  fol::add_evar_val(m.logic.session(), "7", fol::mk_fn("a", {}));
  EXPECT_THROW(walk(g, "set {x=b()}"), NCErreur);
  // Nothing is stored by the walk itself.
  EXPECT_EQ(fol::give_evar_val(m.logic.session()).size(), 1u);
  const Assign& a = std::get<Assign>(walk(g, "set {y=c()}")->v);
  EXPECT_EQ(a.key, "8");
  EXPECT_EQ(fol::give_evar_val(m.logic.session()).size(), 1u);
}

TEST_F(CheckerTest, AFailureOtherThanARejectionKeepsTheGoalAndTheValues) {
  ASSERT_EQ(m.execute_line("goal $(forall x. p(x)) -> exists y. p(y)$"), std::nullopt);
  ASSERT_EQ(m.execute_line("assume $forall x. p(x)$ [h] search y show $p(y)$"), std::nullopt);
  const GoalList before = m.base.current_goals();
  ASSERT_EQ(before.size(), 1u);
  // A definition the reader never builds (not a Term atom) in a "with"
  // list fails inside the justification, after the "set" was stored.
  parsernc::NcByItem item{parsernc::Hyp{"h"}, {parsernc::Eq{"x", F("q")}}};
  auto step = std::make_shared<const parsernc::NcStep>(parsernc::NcStep{parsernc::Trivial{}});
  auto by =
      std::make_shared<const parsernc::NcProof>(parsernc::NcProof{parsernc::By{{item}, step}});
  m.pending_proof = std::make_shared<const parsernc::NcProof>(
      parsernc::NcProof{parsernc::Set{"y", F("Term(a())"), by}});
  EXPECT_THROW(m.check_phrase(), engine::InternalError);
  EXPECT_TRUE(m.proof_in_progress);
  ASSERT_EQ(m.base.current_goals().size(), 1u);
  EXPECT_EQ(m.base.c_goal().concl, before[0].concl);
  EXPECT_TRUE(fol::give_evar_val(m.logic.session()).empty());
}

}  // namespace
}  // namespace assistant

namespace assistant {
namespace {

using Hyp = engine::Hypothesis<fol::FolLogic>;

const Hyp& with_key(const std::vector<Hyp>& l, int k) {
  for (const Hyp& h : l)
    if (h.formula.key == k) return h;
  throw std::runtime_error("no hypothesis with that key");
}

TEST(GiveHypsListTest, KeysAndWeightsFollowTheGoalsHypotheses) {
  Goal g{{{"", F("a")}, {"h", F("b")}, {" ", F("c")}, {"", F("d")}}, F("r"), {}, {}, ""};
  const std::vector<Hyp> l = give_hyps_list(fol::Session(), {}, {}, CGoal::of(g));
  ASSERT_EQ(l.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(l[i].formula.key, i + 1);
    EXPECT_EQ(l[i].formula.f, g.hyps[i].second);
    EXPECT_EQ(l[i].indice, 0);
    EXPECT_TRUE(l[i].constraints.table.empty());
  }
  // Only the empty name counts as unnamed; " " is a name.
  EXPECT_EQ(l[0].poids, 1);
  EXPECT_EQ(l[1].poids, std::nullopt);
  EXPECT_EQ(l[2].poids, std::nullopt);
  EXPECT_EQ(l[3].poids, 2);
}

TEST(GiveHypsListTest, HintsMarkTheirHypothesesAndAddStatedFormulasInFront) {
  // Two hypotheses named h: a hint's name finds the oldest (key 2).
  Goal g{
      {{"h", F("forall x. p(x)")}, {"h", F("forall x. q(x)")}, {"k", F("s")}}, F("r"), {}, {}, ""};
  const parsernc::ProofPtr p =
      parsernc::parse_phrase("by [h] with {x=a()}, [k] and $t$ with $s$, $u$ trivial");
  const auto& by = std::get<parsernc::By>(p->v);
  const std::vector<Hyp> l = give_hyps_list(fol::Session(), {}, by.hints, CGoal::of(g));
  ASSERT_EQ(l.size(), 5u);
  // In front, newest first: t (key 5, with the group [key 3, key 4]), then u (key 4).
  EXPECT_EQ(l[0].formula.f, F("t"));
  EXPECT_EQ(l[0].formula.key, 5);
  EXPECT_EQ(l[0].poids, 0);
  ASSERT_EQ(l[0].constraints.table.size(), 1u);
  EXPECT_EQ(l[0].constraints.table[0].key, 5);
  ASSERT_EQ(l[0].constraints.table[0].groups.size(), 1u);
  const fol::Group& tg = l[0].constraints.table[0].groups[0];
  ASSERT_EQ(tg.size(), 2u);
  EXPECT_EQ(std::get<fol::KeyItem>(tg[0]).key, 3);  // s is hypothesis k
  EXPECT_EQ(std::get<fol::KeyItem>(tg[1]).key, 4);
  EXPECT_EQ(l[1].formula.f, F("u"));
  EXPECT_EQ(l[1].formula.key, 4);
  EXPECT_EQ(l[1].poids, 0);
  EXPECT_TRUE(l[1].constraints.table.empty());
  // The oldest h (key 2) gets weight 0 and the group [x = a(), key 3].
  const Hyp& h2 = with_key(l, 2);
  EXPECT_EQ(h2.formula.f, F("forall x. q(x)"));
  EXPECT_EQ(h2.poids, 0);
  ASSERT_EQ(h2.constraints.table.size(), 1u);
  const fol::Group& hg = h2.constraints.table[0].groups.at(0);
  ASSERT_EQ(hg.size(), 2u);
  EXPECT_EQ(std::get<fol::InstanceItem>(hg[0]).var, "x");
  EXPECT_EQ(std::get<fol::InstanceItem>(hg[0]).term, fol::mk_fn("a", {}));
  EXPECT_EQ(std::get<fol::KeyItem>(hg[1]).key, 3);
  // k is marked as used (weight 0) without a group; the newer h is untouched.
  EXPECT_EQ(with_key(l, 3).poids, 0);
  EXPECT_TRUE(with_key(l, 3).constraints.table.empty());
  EXPECT_EQ(with_key(l, 1).poids, std::nullopt);
}

TEST(PListTest, AVeryLongListIsReleasedWithoutDeepRecursion) {
  PList<int> l;
  for (int i = 0; i < 2000000; ++i) l = l.push_front(i);
  PList<int> shared = l.push_front(-1);
  EXPECT_EQ(*shared.find_if([](int x) { return x == 0; }), 0);
  l = PList<int>();
  shared = PList<int>();  // the whole chain goes here, cell by cell
  EXPECT_TRUE(shared.empty());
}

}  // namespace
}  // namespace assistant
