// The engine on both variants of the first-order logic, through `prove`.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "engine/prover_impl.h"
#include "support/bigstack.h"
#include "support/verdict.h"
#include "test_util.h"

using foltest::P;

namespace {

template <class L>
struct Engine {
  L logic;
  engine::Prover<L> prover{logic};
  std::ostringstream out;
  std::string text;

  Engine() { support::pp().set_output(&out); }
  ~Engine() { support::pp().set_output(&std::cout); }

  static typename L::formula wrap(const fol::Formula& f) {
    if constexpr (std::is_same_v<L, fol::FolLogic>)
      return fol::KFormula{f, 0};
    else
      return f;
  }
  bool prove(const std::string& goal, const std::vector<std::string>& hyps = {}, int timemax = 20,
             int verbose = 0) {
    std::vector<engine::Hypothesis<L>> hs;
    for (const auto& h : hyps)
      hs.push_back({wrap(P(h)), std::nullopt, logic.empty_constraints(), 1});
    engine::ProveSettings s;
    s.verbose = verbose;
    s.timemax = timemax;
    out.str("");
    const bool ok = engine::proved(support::verdict::prove(prover, s, hs, wrap(P(goal))));
    support::pp().print_flush();
    text = out.str();
    return ok;
  }
};

const char* kTheorems[] = {
    "(forall x. p(x)) -> p(a())",
    "(exists x. forall y. r(x, y)) -> forall y. exists x. r(x, y)",
    "(forall x. (p(x) -> q(x))) -> (forall x. p(x)) -> forall x. q(x)",
    "exists x. (d(x) -> forall y. d(y))",
    "(forall x. p(x) & q(x)) <-> (forall x. p(x)) & (forall x. q(x))",
    "~(exists x. forall y. (s(x, y) <-> ~s(y, y)))",
    "(forall x. exists x. p(x)) -> forall y. exists z. p(z)",
};
const char* kNonTheorems[] = {
    "p(a()) -> p(b())",
    "(forall x. exists x. p(x)) -> forall y. exists z. p(y)",
    "(exists x. p(x)) -> p(c())",
    "(forall x. p(x, x)) -> forall y. p(y, x)",
};

template <class L>
void run_all() {
  Engine<L> e;
  for (const char* t : kTheorems) {
    EXPECT_TRUE(e.prove(t)) << t << "\n" << e.text;
    EXPECT_EQ(e.text.rfind("La formule est vraie", 0), 0u) << e.text;
  }
  for (const char* t : kNonTheorems) {
    EXPECT_FALSE(e.prove(t, {}, 3)) << t << "\n" << e.text;
    EXPECT_EQ(e.text.find("La formule est vraie"), std::string::npos) << e.text;
  }
  EXPECT_TRUE(e.prove("mortal(socrate())", {"forall x. (man(x) -> mortal(x))", "man(socrate())"}));
  EXPECT_FALSE(
      e.prove("mortal(platon())", {"forall x. (man(x) -> mortal(x))", "man(socrate())"}, 3));
}

}  // namespace

TEST(FolEngine, FullVariantProvesAndRefuses) {
  EXPECT_EQ(support::run_with_big_stack([] {
              run_all<fol::FolLogic>();
              return 0;
            }),
            0);
}

TEST(FolEngine, BatchVariantProvesAndRefusesWithoutConstantsOrExistentials) {
  std::size_t made = fol::bank_stats().cst_evar_made;
  EXPECT_EQ(support::run_with_big_stack([] {
              run_all<fol::FolBatchLogic>();
              return 0;
            }),
            0);
  EXPECT_EQ(fol::bank_stats().cst_evar_made, made);
}

// The proofs of the theorems, one engine after the other (each takes the
// printer while it lives).
template <class L>
std::vector<std::string> proofs() {
  Engine<L> e;
  std::vector<std::string> out;
  for (const char* t : kTheorems) {
    EXPECT_TRUE(e.prove(t, {}, 20, 1)) << t;
    out.push_back(e.text);
  }
  return out;
}

// Each variant has its own Skolem and renaming counters, both from 0, so
// the same goals in the same order print the same proofs, names included.
TEST(FolEngine, SameOutputFromBothVariants) {
  const std::vector<std::string> full = proofs<fol::FolLogic>();
  const std::vector<std::string> batch = proofs<fol::FolBatchLogic>();
  ASSERT_EQ(full.size(), batch.size());
  for (std::size_t i = 0; i < full.size(); ++i) {
    EXPECT_NE(full[i].find("Voici la preuve"), std::string::npos) << full[i];
    EXPECT_EQ(full[i], batch[i]) << kTheorems[i];
  }
}

// Each Skolem step of a long quantifier prefix keeps one binding more than
// the step before: the rest of the prefix is held once, not copied per step
// (the proof printer builds a step's formula when it shows it).
TEST(FolEngine, LongPrefixIsHeldOnceNotOncePerStep) {
  const int n = 300;
  std::string xs;
  for (int i = 0; i < n; ++i) xs += (i ? ",x" : "x") + std::to_string(i);
  Engine<fol::FolBatchLogic> e;
  const std::size_t before = fol::bank_stats().formulas;
  EXPECT_FALSE(e.prove("forall " + xs + ". p(" + xs + ")"));
  EXPECT_LT(fol::bank_stats().formulas - before, std::size_t{10 * n});
}
