// fol_prover's loop on single lines: settings cells, answers, exit words,
// and the real first-order reader behind the command lexer.
#include "folprover/main.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <variant>

#include "folprover/lexermain.h"
#include "folprover/parsermain.h"
#include "support/bigstack.h"
#include "support/printer.h"

namespace folprover {
namespace {

// Captures what the printer writes while a test runs.
class Capture {
 public:
  Capture() { support::pp().set_output(&out_); }
  ~Capture() { support::pp().set_output(&std::cout); }
  std::string take() {
    support::pp().print_flush();
    std::string s = out_.str();
    out_.str("");
    return s;
  }

 private:
  std::ostringstream out_;
};

TEST(FolProverMain, SettingsStartAbsentAndPersist) {
  Capture cap;
  Main m;
  engine::ProveSettings s = m.settings(std::nullopt);
  EXPECT_FALSE(s.resolution_method || s.lazy_decomposition || s.verbose || s.step_prompt ||
               s.maxcndts || s.splitting || s.check_subcase || s.trace_proof || s.timemax ||
               s.pdsmax_global);

  const std::pair<const char*, const char*> lines[] = {
      {"set timemax 5", "timemax change\n"},
      {"set verbose 0", "verbose change\n"},
      {"set maxcndts 12", "maxcndts change\n"},
      {"set pdsmax_global 800", "pdsmax_global change\n"},
      {"set splitting false", "splitting change\n"},
      {"set check_subcase false", "check_subcase change\n"},
      {"set trace_proof true", "trace_proof change\n"},
      {"init", "Liste des axiomes videe\n"},  // settings survive init
  };
  for (const auto& [line, answer] : lines) {
    EXPECT_FALSE(m.execute_line(line)) << line;
    EXPECT_EQ(cap.take(), answer) << line;
  }
  s = m.settings(engine::ResolutionMethod::Phr);
  EXPECT_EQ(s.resolution_method, engine::ResolutionMethod::Phr);
  EXPECT_EQ(s.timemax, 5);
  EXPECT_EQ(s.verbose, 0);
  EXPECT_EQ(s.maxcndts, 12);
  EXPECT_EQ(s.pdsmax_global, 800);
  EXPECT_EQ(s.splitting, false);
  EXPECT_EQ(s.check_subcase, false);
  EXPECT_EQ(s.trace_proof, true);
  EXPECT_FALSE(s.lazy_decomposition);  // no command sets these two
  EXPECT_FALSE(s.step_prompt);
  EXPECT_FALSE(m.settings(std::nullopt).resolution_method);  // no method cell
}

TEST(FolProverMain, MessagesAndExitWords) {
  Capture cap;
  Main m;
  EXPECT_FALSE(m.execute_line("prove p ]"));
  EXPECT_EQ(cap.take(), "Erreur de commande\n");
  EXPECT_FALSE(m.execute_line("prove p -"));
  EXPECT_EQ(cap.take(), "Erreur de formule\n");
  EXPECT_FALSE(m.execute_line("set timemax 4294967296"));
  EXPECT_EQ(cap.take(), "int_of_string\n");
  EXPECT_FALSE(m.execute_line("set timemax 1 !"));
  EXPECT_EQ(cap.take(), "lexing: empty token\n");
  EXPECT_FALSE(m.execute_line(""));
  EXPECT_EQ(cap.take(), "");
  EXPECT_FALSE(m.settings(std::nullopt).timemax);  // a refused line changes nothing
  for (const char* w : {"exit", "Exit", "quit", "Quit", "sortie", "Sortie"}) {
    EXPECT_EQ(m.execute_line(w), 0) << w;
    EXPECT_EQ(cap.take(), "\n A bientot \n\n") << w;
  }
}

TEST(FolProverMain, RealFormulaReader) {
  // Undelimited formulas with blanks, quantifiers and constants.
  auto c = parse_line("prove [forall x. (p(x) -> q(x)) # 2; p(a()) % 3] q(a())");
  ASSERT_TRUE(std::holds_alternative<Prove<fol::Formula>>(c));
  const auto& p = std::get<Prove<fol::Formula>>(c);
  ASSERT_EQ(p.hyps.size(), 2u);
  const fol::Session none;
  EXPECT_EQ(fol::to_string(none, p.hyps[1].formula),
            fol::to_string(none, *analyse_proposition("p(a())")));
  EXPECT_EQ(p.hyps[0].poids, 2);
  EXPECT_EQ(p.hyps[1].indice, 3);
  EXPECT_TRUE(analyse_proposition("/\\x. \\/y. r(x, y)"));
  EXPECT_FALSE(analyse_proposition("p(x) q"));
  EXPECT_FALSE(analyse_proposition("p(var1)"));  // a name the prover invents
  EXPECT_THROW(parse_line("prove p(x) ->"), support::FormulaError);
}

TEST(FolProverMain, DeepNestingIsRefusedNotACrash) {
  const int depth = static_cast<int>(support::kMaxNesting) + 1;
  int status = support::run_with_big_stack([depth] {
    std::string deep = "prove " + std::string(depth, '(') + "p" + std::string(depth, ')');
    std::string ok = "prove " + std::string(1000, '~') + "p";
    bool refused = false;
    try {
      parse_line(deep);
    } catch (const support::FormulaError&) {
      refused = true;
    }
    return refused && std::holds_alternative<Prove<fol::Formula>>(parse_line(ok)) ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace folprover
