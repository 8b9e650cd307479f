// The interrupt key and the time limit, with real signals sent to the real
// programs. Bounds on time are generous: only "ends at all, and soon" is
// asserted here; bench/latency.py measures how late.
#include <gtest/gtest.h>

#include <csignal>
#include <ostream>
#include <string>
#include <thread>

#include "tests/robustness/child.h"

namespace robustness {
namespace {

using namespace std::chrono_literals;

// Pigeons into as many holes: not valid, so never proved; with these limits
// the search runs far longer than any wait below.
std::string pigeons_into_holes(int n) {
  std::string hyps, concl;
  for (int i = 1; i <= n; ++i) {
    if (i > 1) hyps += "; ";
    for (int j = 1; j <= n; ++j)
      hyps += (j > 1 ? " | p" : "p") + std::to_string(i) + "_" + std::to_string(j);
  }
  for (int j = 1; j <= n; ++j)
    for (int i = 1; i <= n; ++i)
      for (int k = i + 1; k <= n; ++k) {
        if (!concl.empty()) concl += " | ";
        concl += "(p" + std::to_string(i) + "_" + std::to_string(j) + " & p" + std::to_string(k) +
                 "_" + std::to_string(j) + ")";
      }
  return "prove [" + hyps + "] " + concl + "\n";
}

const std::string kLargeLimits = "set pdsmax_global 100000000\nset maxcndts 100000\n";
const std::string kLimitsAnswer = ">>> pdsmax_global change\n>>> maxcndts change\n";
// Not valid either: p(f(...f(a())...)) never gives p(b()).
const std::string kEndlessFol = "prove [forall x. (p(x) -> p(f(x))); p(a())] p(b())\n";

struct Program {
  const char* name;
  std::string path;
  std::string settings;  // before the endless prove, with their answers
  std::string answers;
  std::string endless;
};

// Test names and failure reports show the program by name.
void PrintTo(const Program& p, std::ostream* os) { *os << p.name; }

class Interrupt : public ::testing::TestWithParam<Program> {
 protected:
  void SetUp() override {
    if (GetParam().path.empty()) GTEST_SKIP() << GetParam().name << " is not built";
  }
};

// The loop still answers "exit" with its farewell and status 0.
void exits_on_exit(Child& c) {
  c.write("exit\n");
  c.close_input();
  Ending e = c.wait_exit(30.0);
  EXPECT_TRUE(e.finished);
  EXPECT_FALSE(e.signaled);
  EXPECT_EQ(e.code, 0);
  EXPECT_NE(c.out().find("\n A bientot \n\n"), std::string::npos);
}

TEST_P(Interrupt, DuringAProveCancelsItAndTheLoopGoesOn) {
  const Program& p = GetParam();
  Child c(p.path);
  c.write(p.settings);
  ASSERT_TRUE(c.wait_output(p.answers + ">>> ", 0, 30.0)) << c.out();
  std::size_t start = c.out_size();
  c.write(p.endless);
  std::this_thread::sleep_for(500ms);
  ASSERT_EQ(c.out_size(), start) << "the search ended by itself: " << c.out().substr(start);
  c.signal(SIGINT);
  ASSERT_TRUE(c.wait_output("Preuve annulee\n>>> ", start, 20.0))
      << c.out().substr(start) << c.err();
  EXPECT_EQ(c.out().substr(start), "Preuve annulee\n>>> ");

  // The prompt works, and a second interrupt during a second prove too.
  std::size_t next = c.out_size();
  c.write("prove p -> p\n");
  ASSERT_TRUE(c.wait_output("La formule est vraie\n", next, 30.0)) << c.out().substr(next);
  ASSERT_TRUE(c.wait_output("\n>>> ", next, 30.0));
  next = c.out_size();
  c.write(p.endless);
  std::this_thread::sleep_for(300ms);
  c.signal(SIGINT);
  ASSERT_TRUE(c.wait_output("Preuve annulee\n>>> ", next, 20.0)) << c.out().substr(next);

  exits_on_exit(c);
}

TEST_P(Interrupt, AtThePromptAfterAProveEndsTheProgram) {
  const Program& p = GetParam();
  Child c(p.path);
  c.write("prove p -> p\n");
  ASSERT_TRUE(c.wait_output("La formule est vraie\n", 0, 30.0)) << c.out();
  ASSERT_TRUE(c.wait_output("\n>>> ", 0, 30.0));
  std::this_thread::sleep_for(100ms);
  c.signal(SIGINT);
  Ending e = c.wait_exit(20.0);
  ASSERT_TRUE(e.finished) << "still waiting at the prompt";
  EXPECT_TRUE(e.signaled || e.code != 0);
  EXPECT_EQ(c.out().find("A bientot"), std::string::npos);
}

// The step question waits for a line as the prompt does; the key press
// there cancels the attempt only.
TEST_P(Interrupt, AtTheStepQuestionCancelsTheProve) {
  const Program& p = GetParam();
  Child c(p.path);
  c.write("set verbose 2\nprove p -> p\n");
  ASSERT_TRUE(c.wait_output("entree sinon) ", 0, 30.0)) << c.out();
  std::size_t start = c.out_size();
  std::this_thread::sleep_for(100ms);
  ASSERT_EQ(c.out_size(), start);
  c.signal(SIGINT);
  ASSERT_TRUE(c.wait_output("Preuve annulee\n>>> ", start, 20.0))
      << c.out().substr(start) << c.err();
  EXPECT_EQ(c.out().substr(start), "Preuve annulee\n>>> ");

  exits_on_exit(c);
}

std::vector<Program> programs() {
  return {
      {"prop_prover", PROP_PROVER, kLargeLimits, kLimitsAnswer, pigeons_into_holes(5)},
      {"fol_prover", FOL_PROVER, "set timemax 0\n" + kLargeLimits,
       ">>> timemax change\n" + kLimitsAnswer, kEndlessFol},
  };
}

INSTANTIATE_TEST_SUITE_P(Programs, Interrupt, ::testing::ValuesIn(programs()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TimeLimit, TimemaxOneEndsASearchThatCannotFinish) {
  const std::string fol = FOL_PROVER;
  if (fol.empty()) GTEST_SKIP() << "fol_prover is not built";
  Child c(fol);
  c.write("set timemax 1\n" + kLargeLimits);
  ASSERT_TRUE(c.wait_output(">>> timemax change\n" + kLimitsAnswer + ">>> ", 0, 30.0)) << c.out();
  std::size_t start = c.out_size();
  auto t0 = std::chrono::steady_clock::now();
  c.write(kEndlessFol);
  ASSERT_TRUE(c.wait_output("Temps imparti ecoule\n>>> ", start, 60.0)) << c.out().substr(start);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(c.out().substr(start), "Temps imparti ecoule\n>>> ");
  EXPECT_GE(seconds, 0.9);
  EXPECT_LE(seconds, 30.0);

  std::size_t next = c.out_size();
  c.write("prove p -> p\nexit\n");
  c.close_input();
  Ending e = c.wait_exit(30.0);
  EXPECT_TRUE(e.finished);
  EXPECT_EQ(e.code, 0);
  EXPECT_NE(c.out().find("La formule est vraie\n", next), std::string::npos);
}

// The interrupt key while a proof of more than a GB prints: the printing
// stops at the end of a line, "Preuve annulee" follows on a line of its own,
// the verdict already printed stands, and the loop goes on.
class InterruptWhilePrinting : public Interrupt {};

TEST_P(InterruptWhilePrinting, StopsTheProofAtALineEnd) {
  const Program& p = GetParam();
  const bool fol = std::string(p.name) == "fol_prover";
  std::string conj;
  for (int i = 0; i < 12500; ++i)
    conj += (i ? " & p" : "p") + std::to_string(i) + (fol ? "(a())" : "");
  Child c(p.path);
  c.write("prove " + conj + " -> p9722" + (fol ? "(a())" : "") + "\n");
  ASSERT_TRUE(c.wait_output("La formule est vraie\nVoici la preuve :\n", 0, 60.0)) << c.err();
  // Some MB of the proof, then the key.
  const std::size_t start = c.out().find("Voici la preuve :\n");
  auto deadline = std::chrono::steady_clock::now() + 60s;
  while (c.out_size() < start + (4u << 20) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  const std::size_t at_signal = c.out_size();
  ASSERT_GE(at_signal, start + (4u << 20)) << "the proof stopped early";
  c.signal(SIGINT);
  ASSERT_TRUE(c.wait_output("\nPreuve annulee\n>>> ", at_signal - 1, 20.0)) << c.err();
  const std::size_t end = c.out_size();
  // Cut short: the whole proof is more than a GB.
  EXPECT_LT(end - at_signal, std::size_t{64} << 20);
  EXPECT_EQ(c.out().substr(end - 20), "\nPreuve annulee\n>>> ");

  c.write("prove p -> p\n");
  ASSERT_TRUE(c.wait_output("La formule est vraie\n", end, 30.0)) << c.out().substr(end);
  exits_on_exit(c);
}

INSTANTIATE_TEST_SUITE_P(Programs, InterruptWhilePrinting, ::testing::ValuesIn(programs()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace robustness
