// The search's shortcuts against its full path. Below verbose 4 a resolvent
// refused for its weight is not built, and below verbose 2 a pair whose
// literals clash is not renamed apart; both take the clause numbers and the
// fresh names the full path takes. So a problem proved at verbose 1 and at
// verbose 4 (every shortcut off) must give the same proof, numbers
// included, and the same count of clauses made.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "engine/prover_impl.h"
#include "support/bigstack.h"
#include "support/verdict.h"
#include "test_util.h"

using foltest::P;

namespace {

struct Problem {
  const char* goal;
  std::vector<const char*> hyps;
  bool short_list_only = false;  // too slow at verbose 4 with the default list
};

// Pelletier problems that split, factor and refuse by weight, small enough
// for the traces of verbose 4.
const Problem kProblems[] = {
    {"exists y. forall x. (f(y) -> f(x))", {}},
    {"exists x. forall y. forall z. ((p(y) -> q(z)) -> (p(x) -> q(x)))", {}},
    {"exists x. (p <-> f(x))", {"exists x. (p -> f(x))", "exists x. (f(x) -> p)"}},
    {"forall x. (p | f(x)) <-> (p | forall x. f(x))", {}},
    {"forall x. (j(x) -> ~i(x))",
     {"exists x. (f(x) & ~g(x))", "forall x. (f(x) -> h(x))", "forall x. (j(x) & i(x) -> f(x))",
      "(exists x. (h(x) & ~g(x))) -> forall x. (i(x) -> ~h(x))"}},
    {"forall x. i(x)",
     {"forall x. (f(x) | g(x) -> ~h(x))", "forall x. ((g(x) -> ~i(x)) -> f(x) & h(x))"}},
    {"~(exists x. forall y. (f(y,x) <-> ~f(y,y)))", {}},
    {"~(exists y. forall x. (f(x,y) <-> ~(exists z. (f(x,z) & f(z,x)))))", {}},
    {"f(g(a(),b()),g(a(),c()))",
     {"f(g(a(),b()),g(b(),c()))", "f(g(b(),c()),g(a(),c()))",
      "forall x. forall y. forall z. (f(x,y) & f(y,z) -> f(x,z))"}},
    {"forall x. (f(x) <-> ~f(g(x))) -> exists x. (f(x) & ~f(g(x)))", {}},
    {"forall x. forall y. (q(x,y) <-> q(y,x))",
     {"forall x. forall y. (q(x,y) <-> forall z. (f(z,x) <-> f(z,y)))"}},
    // With a short candidate list these refuse resolvents that have factors.
    {"(exists y. forall x. (f(x,y) <-> f(x,x))) -> ~(forall x. exists y. forall z. (f(z,y) <-> "
     "~f(z,x)))",
     {},
     true},
    {"~(exists z. forall x. f(x,z))",
     {"forall z. exists y. forall x. (f(x,y) <-> f(x,z) & ~f(x,x))"},
     true},
    {"forall x. (f(x) -> g(x))",
     {"forall x. (f(x) & (forall y. (f(y) & h(y,x) -> g(y))) -> g(x))",
      "(exists x. (f(x) & ~g(x))) -> exists x. (f(x) & ~g(x) & forall y. (f(y) & ~g(y) -> j(x,y)))",
      "forall x. forall y. (f(x) & f(y) & h(x,y) -> ~j(y,x))"},
     true},
};

template <class L>
struct Run {
  std::string answer;  // the verdict and the proof, as verbose 1 prints them
  int clauses = 0;
};

template <class L>
Run<L> run(const Problem& pb, int verbose, int maxcndts) {
  L logic;
  engine::Prover<L> prover(logic);
  std::ostringstream out;
  support::pp().set_output(&out);
  auto wrap = [](const fol::Formula& f) {
    if constexpr (std::is_same_v<L, fol::FolLogic>)
      return fol::KFormula{f, 0};
    else
      return f;
  };
  std::vector<engine::Hypothesis<L>> hs;
  for (const char* h : pb.hyps)
    hs.push_back({wrap(P(h)), std::nullopt, logic.empty_constraints(), 1});
  engine::ProveSettings s;
  s.verbose = verbose;
  s.step_prompt = 0;
  s.maxcndts = maxcndts;
  s.timemax = 0;
  support::verdict::prove(prover, s, hs, wrap(P(pb.goal)));
  support::pp().print_flush();
  support::pp().set_output(&std::cout);
  std::string text = out.str();
  // The traces end where the verdict begins; at verbose 3 and up the
  // satisfiable set comes before the proof.
  std::size_t at = text.rfind("La formule ");
  std::string answer = at == std::string::npos ? text : text.substr(at);
  if (std::size_t sat = answer.find("L'ensemble satisfaisable :"); sat != std::string::npos) {
    std::size_t proof = answer.find("Voici la preuve :");
    answer.erase(sat, proof == std::string::npos ? std::string::npos : proof - sat);
  }
  return {answer, prover.clauses_made()};
}

template <class L>
void same_at_both_levels() {
  for (int maxcndts : {40, 8}) {
    for (const Problem& pb : kProblems) {
      if (pb.short_list_only && maxcndts > 8) continue;
      const Run<L> fast = run<L>(pb, 1, maxcndts);
      const Run<L> full = run<L>(pb, 4, maxcndts);
      EXPECT_EQ(fast.answer, full.answer) << pb.goal << " maxcndts " << maxcndts;
      EXPECT_EQ(fast.clauses, full.clauses) << pb.goal << " maxcndts " << maxcndts;
    }
  }
}

}  // namespace

TEST(Shortcuts, SameProofsAndCountsAsTheFullPath) {
  EXPECT_EQ(support::run_with_big_stack([] {
              same_at_both_levels<fol::FolLogic>();
              same_at_both_levels<fol::FolBatchLogic>();
              return 0;
            }),
            0);
}
