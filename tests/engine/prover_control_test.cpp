// Axioms across attempts, the time limit, the interrupt key and the step
// question read from standard input.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "prover_test_util.h"
#include "support/lineinput.h"
#include "support/signals.h"

using namespace prover_test;

namespace {

// Pigeonhole: n+1 pigeons do not fit in n holes. Hard for resolution.
prop::Formula pigeonhole(int n) {
  auto at = [](int i, int j) {
    return prop::atom("p" + std::to_string(i) + "h" + std::to_string(j));
  };
  prop::Formula hyps, goal;
  bool first_h = true, first_g = true;
  for (int i = 0; i <= n; ++i) {
    prop::Formula some = at(i, 0);
    for (int j = 1; j < n; ++j) some = prop::or_(some, at(i, j));
    hyps = first_h ? some : prop::and_(hyps, some);
    first_h = false;
  }
  for (int j = 0; j < n; ++j)
    for (int i = 0; i <= n; ++i)
      for (int k = i + 1; k <= n; ++k) {
        prop::Formula both = prop::and_(at(i, j), at(k, j));
        goal = first_g ? both : prop::or_(goal, both);
        first_g = false;
      }
  return prop::imp(hyps, goal);
}

// Standard input reads `text` (then ends) for the rest of the test.
struct StdinFrom {
  explicit StdinFrom(const std::string& text) {
    char name[] = "/tmp/prover_stdin_XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    unlink(name);
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    lseek(fd, 0, SEEK_SET);
    saved_ = dup(0);
    dup2(fd, 0);
    close(fd);
  }
  ~StdinFrom() {
    // Drop what the test left unread, so the next reader starts clean.
    std::string line;
    while (support::read_line(line) == support::ReadStatus::Line) {
    }
    dup2(saved_, 0);
    close(saved_);
  }
  int saved_;
};

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

const char* const kQuestion = "?(exit pour arreter - c pour ne plus arreter - entree sinon) ";

}  // namespace

TEST(ProverAxioms, PersistAcrossAttemptsUntilInit) {
  Engine e;
  EXPECT_EQ(e.axiom("p -> q"), "");
  EXPECT_TRUE(e.prove("q", {}, {"p"}));
  // The axiom and its decomposition are printed from the axiom table.
  EXPECT_NE(e.text.find("(2)q, ~p :  #2.1 %1. $dec +imp p -> q"), std::string::npos) << e.text;
  EXPECT_NE(e.text.find("(1)p -> q :  #1. %1."), std::string::npos) << e.text;
  EXPECT_TRUE(e.prove("q", with_verbose(0), {"p"}));
  EXPECT_EQ(e.axiom("r"), "");
  EXPECT_TRUE(e.prove("r & (p -> q)", with_verbose(0)));
  e.prover.init();
  EXPECT_FALSE(e.prove("q", with_verbose(0), {"p"}));
  EXPECT_FALSE(e.prove("r", with_verbose(0)));
  EXPECT_EQ(e.text, "La formule n'est pas prouvee (plus de candidats)\n");
}

TEST(ProverAxioms, RefusedAxiomsChangeNothing) {
  Engine e;
  EXPECT_EQ(e.axiom("faux"), "Ce ne peut pas etre un axiome\n");
  EXPECT_EQ(e.axiom("~vrai"), "Ce ne peut pas etre un axiome\n");
  EXPECT_EQ(e.axiom("vrai"), "Vrai ne peut etre ajoutee\n");
  // Their decomposition yields the empty clause: refused, no proof signal escapes.
  EXPECT_EQ(e.axiom("vrai -> faux"), "Ce ne peut pas etre un axiome\n");
  EXPECT_EQ(e.axiom("faux | faux"), "Ce ne peut pas etre un axiome\n");
  EXPECT_EQ(e.axiom("q & (vrai -> faux)"), "Ce ne peut pas etre un axiome\n");
  EXPECT_TRUE(engine::TestAccess::core(e.prover).axiom_djvues.empty());
  EXPECT_TRUE(engine::TestAccess::core(e.prover).axiom_table.empty());
  EXPECT_FALSE(e.prove("q", with_verbose(0)));
  // Not even the clause numbers moved: the same proof as on a fresh engine.
  Engine fresh;
  EXPECT_TRUE(fresh.prove("p -> p"));
  Engine used;
  used.axiom("vrai -> faux");
  used.axiom("faux | faux");
  EXPECT_TRUE(used.prove("p -> p"));
  EXPECT_EQ(used.text, fresh.text);
}

// An axiom decomposes under the settings of the last attempt: after one
// without trace_proof and splitting, its clauses are not recorded, and a
// proof that needs them cannot be shown.
TEST(ProverAxioms, UnrecordedClausesGiveNoProofText) {
  Engine e;
  ProveSettings off = with_verbose(0);
  off.trace_proof = false;
  off.splitting = false;
  EXPECT_TRUE(e.prove("p -> p", off));
  e.axiom("p -> q");
  EXPECT_TRUE(e.prove("q", {}, {"p"}));
  EXPECT_EQ(e.text, "La formule est vraie\nVoici la preuve :\nDesole, pas de preuve :\n");
}

TEST(ProverTime, LimitEndsAHardAttempt) {
  Engine e;
  ProveSettings s;
  s.timemax = 1;
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(e.prove(pigeonhole(5), s));
  EXPECT_LT(seconds_since(t0), 10.0);
  EXPECT_EQ(e.text, "Temps imparti ecoule\n");
  // An expiry belongs to its attempt: the next one runs to its end.
  EXPECT_TRUE(e.prove("p -> p", s));
  EXPECT_EQ(e.text.rfind("La formule est vraie\n", 0), 0u);
}

TEST(ProverTime, InterruptCancelsTheAttempt) {
  Engine e;
  support::catch_interrupt();
  ProveSettings s;
  s.timemax = 0;  // no limit: only the interrupt can end it
  std::thread key([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(getpid(), SIGINT);
  });
  auto t0 = std::chrono::steady_clock::now();
  bool proved = e.prove(pigeonhole(5), s);
  key.join();
  EXPECT_FALSE(proved);
  EXPECT_LT(seconds_since(t0), 10.0);
  EXPECT_EQ(e.text, "Preuve annulee\n");
  EXPECT_TRUE(e.prove("p -> p", with_verbose(0)));
}

TEST(ProverStepQuestion, ExitStopsTheSearch) {
  StdinFrom in("exit\n");
  Engine e;
  EXPECT_FALSE(e.prove("(p & q) -> (q & p)", with_verbose(2)));
  EXPECT_EQ(count(e.text, kQuestion), 1u);
  EXPECT_GE(e.text.size(), 14u);
  EXPECT_EQ(e.text.substr(e.text.size() - 14), "Calcul arrete\n");
}

TEST(ProverStepQuestion, EmptyLinesGoOnAndCEndsTheTraces) {
  StdinFrom in("\n  \nc\n");
  Engine e;
  EXPECT_TRUE(e.prove("(p & q) -> (q & p)", with_verbose(2)));
  // Two answers that go on, then "c": no trace or question after it, but
  // the verbose level of the request comes back for the proof.
  EXPECT_EQ(count(e.text, kQuestion), 3u);
  std::size_t after = e.text.rfind(kQuestion) + std::string(kQuestion).size();
  std::string tail = e.text.substr(after);
  EXPECT_EQ(tail.rfind("La formule est vraie\nVoici la preuve :\n", 0), 0u) << tail;
}

TEST(ProverStepQuestion, EndOfInputReachesTheCaller) {
  StdinFrom in("");
  Engine e;
  bool eof = false;
  try {
    support::verdict::prove(e.prover, with_verbose(2), std::vector<prover_test::Hyp>{},
                            parse("(p & q) -> (q & p)"));
  } catch (const support::cmdloop::EndOfInput&) {
    eof = true;
  }
  EXPECT_TRUE(eof);
  EXPECT_TRUE(e.prove("p -> p", with_verbose(0)));
}

TEST(ProverStepQuestion, NoQuestionWhenStepPromptIsOff) {
  Engine e;
  ProveSettings s = with_verbose(2);
  s.step_prompt = 0;
  EXPECT_TRUE(e.prove("(p & q) -> (q & p)", s));
  EXPECT_EQ(count(e.text, kQuestion), 0u);
  EXPECT_NE(e.text.find("taille taillecndats : "), std::string::npos);
  // Level 2 in the lazy regime announces each taken clause; without lazy
  // decomposition there is no per-step header at that level.
  EXPECT_NE(e.text.find("On prend une clause\n"), std::string::npos);
  s.lazy_decomposition = false;
  EXPECT_TRUE(e.prove("(p & q) -> (q & p)", s));
  EXPECT_EQ(e.text.find("On prend une clause"), std::string::npos);
  EXPECT_NE(e.text.find("Les clauses deja vues :"), std::string::npos);
}

namespace {

// A deferred literal can outlive its clause's entry in the literal index:
// an empty split clause prunes the clause while one of its literals is being
// decomposed, and the literals that decomposition files afterwards are taken
// later with a table of their own. The search goes on to its usual end.
TEST(ProverLazy, DeferredLiteralsOfAPrunedClauseAreStillTaken) {
  Engine e;
  ProveSettings s;
  s.maxcndts = 5;  // the same path as at the default 40, in a fiftieth of the time
  EXPECT_FALSE(e.prove("(((vrai | (p <-> q)) <-> ((p & vrai) | (q & q))) <-> ~q)", s));
  EXPECT_EQ(e.text, "La formule n'est pas prouvee (plus de candidats)\n");
  EXPECT_GT(engine::TestAccess::detached_decomposables(e.prover), 0u);
}

}  // namespace
