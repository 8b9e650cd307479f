// Hostile input for prop_prover and fol_prover, generated at test time (too
// big for golden files): deep nesting, 10 MB lines, long lists, end of input
// at the step question. Every answer is the program's own message and then
// the next prompt; never a crash, a hang or an uncaught exception.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/robustness/child.h"

namespace robustness {
namespace {

struct Program {
  const char* name;
  std::string path;
  bool propositional;  // negation applies to an atom or a bracket only
};

// Test names and failure reports show the program by name.
void PrintTo(const Program& p, std::ostream* os) { *os << p.name; }

std::string repeat(std::string_view s, std::size_t n) {
  std::string r;
  r.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) r += s;
  return r;
}

constexpr double kBound = 240.0;  // generous: sanitizer builds are slow
constexpr std::size_t kTenMB = 10 * 1000 * 1000;
const std::string kFormulaError = ">>> Erreur de formule\n>>> ";

class Hostile : public ::testing::TestWithParam<Program> {
 protected:
  void SetUp() override {
    if (GetParam().path.empty()) GTEST_SKIP() << GetParam().name << " is not built";
  }
  Result go(std::string_view input) { return run(GetParam().path, input, kBound); }
  // The program's whole answer to an ordinary input, to compare with.
  Result plain(std::string_view input) { return go(input); }
};

// Ended by itself, without a signal, with the status of end of input.
void ended_at_eof(const Result& r) {
  ASSERT_TRUE(r.ending.finished) << "still running after " << kBound << " s";
  EXPECT_FALSE(r.ending.signaled) << "signal " << r.ending.code << "; stderr: " << r.err;
  EXPECT_NE(r.ending.code, 0);
  EXPECT_EQ(r.out.find("A bientot"), std::string::npos);
}

TEST_P(Hostile, NestingUpToTheBoundReadsLikeTheShallowFormula) {
  Result shallow = plain("prove p -> p\n");
  ASSERT_NE(shallow.out.find("La formule est vraie"), std::string::npos);

  Result brackets = go("prove " + repeat("(", 100000) + "p -> p" + repeat(")", 100000) + "\n");
  ended_at_eof(brackets);
  EXPECT_EQ(brackets.out, shallow.out);

  // An even number of negations around the same formula.
  std::string negs = GetParam().propositional ? repeat("~(", 50000) + "p -> p" + repeat(")", 50000)
                                              : repeat("~", 99998) + "(p -> p)";
  Result negated = go("prove " + negs + "\n");
  ended_at_eof(negated);
  EXPECT_EQ(negated.out, shallow.out);
}

TEST_P(Hostile, NestingBeyondTheBoundIsAFormulaError) {
  Result over = go("prove " + repeat("(", 100001) + "p -> p" + repeat(")", 100001) + "\n");
  ended_at_eof(over);
  EXPECT_EQ(over.out, kFormulaError);

  // Far beyond, unclosed: refused without reading on.
  Result far = go("prove " + repeat("(", 1000000) + "p\n");
  ended_at_eof(far);
  EXPECT_EQ(far.out, kFormulaError);

  std::string negs =
      GetParam().propositional ? repeat("~(", 500000) + "p" : repeat("~", 1000000) + "p";
  Result negated = go("prove " + negs + "\n");
  ended_at_eof(negated);
  EXPECT_EQ(negated.out, kFormulaError);
}

TEST_P(Hostile, TenMegabyteLines) {
  Result comment = go("(*" + repeat("x", kTenMB) + "*)\n");
  ended_at_eof(comment);
  EXPECT_EQ(comment.out, ">>> >>> ");

  Result blanks = go(repeat(" ", kTenMB) + "prove p -> p\n");
  ended_at_eof(blanks);
  EXPECT_EQ(blanks.out, plain("prove p -> p\n").out);

  Result bytes = go(repeat("\xff", kTenMB) + "\n");
  ended_at_eof(bytes);
  EXPECT_EQ(bytes.out, ">>> lexing: empty token\n>>> ");

  // One atom of ten million letters: words keep all their characters.
  Result atom = go("prove " + repeat("a", kTenMB) + "\n");
  ended_at_eof(atom);
  EXPECT_EQ(atom.out, ">>> La formule n'est pas prouvee (plus de candidats)\n>>> ");
}

TEST_P(Hostile, TenMegabyteChainIsRefusedNotOverflowed) {
  // A chain of five million conjunctions is a formula five million deep:
  // refused like deep brackets, not read into a stack overflow.
  Result chain = go("prove " + repeat("a&", kTenMB / 2) + "a\n");
  ended_at_eof(chain);
  EXPECT_EQ(chain.out, kFormulaError);
}

std::string flat_conjunction(int n) {
  std::string conj = "a1";
  for (int i = 2; i <= n; ++i) conj += " & a" + std::to_string(i);
  return conj;
}

void proved_with_its_proof(const Result& r) {
  ended_at_eof(r);
  const std::string head = ">>> La formule est vraie\nVoici la preuve :\n";
  EXPECT_EQ(r.out.compare(0, head.size(), head), 0) << r.out.substr(0, 200);
  EXPECT_NE(r.out.find("$res a1\n"), std::string::npos);
  ASSERT_GE(r.out.size(), 5u);
  EXPECT_EQ(r.out.substr(r.out.size() - 5), "\n>>> ");
}

// A flat conjunction is wide, not deep: no nesting bound may refuse it.
TEST_P(Hostile, FlatConjunctionOfAHundredThousandAtomsAsAHypothesis) {
  proved_with_its_proof(go("prove [" + flat_conjunction(100000) + "] a1\n"));
}

TEST_P(Hostile, FlatConjunctionOfAHundredThousandAtomsInTheGoal) {
  proved_with_its_proof(go("prove " + flat_conjunction(100000) + " -> a1\n"));
}

TEST_P(Hostile, LongHypothesisList) {
  Result r = go("set verbose 0\nprove [" + repeat("p; ", 100000) + "p] p\n");
  ended_at_eof(r);
  EXPECT_EQ(r.out, ">>> verbose change\n>>> La formule est vraie\n>>> ");
}

TEST_P(Hostile, EndOfInputAtTheStepQuestion) {
  const std::string question = "?(exit pour arreter - c pour ne plus arreter - entree sinon) ";
  Result r = go("set verbose 2\nprove p -> p\n");
  ended_at_eof(r);
  ASSERT_GE(r.out.size(), question.size());
  EXPECT_EQ(r.out.substr(r.out.size() - question.size()), question);
  // One short line on standard error.
  EXPECT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;

  // A last answer without its line end is still an answer.
  Result c = go("set verbose 2\nprove p -> p\nc");
  ended_at_eof(c);
  EXPECT_NE(c.out.find("La formule est vraie\n"), std::string::npos);
  EXPECT_EQ(c.out.substr(c.out.size() - 5), "\n>>> ");
}

std::vector<Program> programs() {
  return {{"prop_prover", PROP_PROVER, true}, {"fol_prover", FOL_PROVER, false}};
}

INSTANTIATE_TEST_SUITE_P(Programs, Hostile, ::testing::ValuesIn(programs()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace robustness
