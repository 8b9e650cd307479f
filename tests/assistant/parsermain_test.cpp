// The command reader of fol_assistant: tokens, productions and values.
#include "assistant/parsermain.h"

#include <gtest/gtest.h>

#include <string>

#include "fol/parserfol.h"
#include "support/errors.h"

namespace assistant::parsermain {
namespace {

template <class T>
T read_as(const std::string& line) {
  Command c = parse_line(line);
  EXPECT_TRUE(std::holds_alternative<T>(c)) << line << " gave case " << c.index();
  return std::holds_alternative<T>(c) ? std::get<T>(c) : T{};
}

std::string failure(const std::string& line) {
  try {
    parse_line(line);
  } catch (const support::Failure& f) {
    return f.what();
  }
  return "no failure";
}

std::string text(const fol::KFormula& f) {
  return fol::to_string(fol::Session(), f.f) + "/" + std::to_string(f.key);
}

TEST(ParsermainTest, EmptyLinesAndComments) {
  read_as<Nothing>("");
  read_as<Nothing>("  \t");
  read_as<Nothing>("(* only a comment *)");
  // One comment from the first "(*" to the last "*)": the word between is swallowed.
  read_as<Help>("help (* one *) undo (* two *)");
  EXPECT_EQ(failure("help (* open"), "lexing: empty token");
  EXPECT_EQ(failure("(*)"), "lexing: empty token");
  // A comment may not run over a 0xA4 byte: it ends at the last "*)" before it.
  EXPECT_THROW(parse_line("help (* a *) \xA4 *)"), support::Failure);
  EXPECT_EQ(failure("help (* a *) (* \xA4 *)"), "lexing: empty token");
}

TEST(ParsermainTest, SimpleCommands) {
  read_as<Init>("init");
  read_as<Undo>("undo");
  read_as<Abort>("abort");
  read_as<Help>("help");
  for (const char* w : {"exit", "Exit", "quit", "Quit", "sortie", "Sortie"}) read_as<Exit>(w);
  EXPECT_EQ(read_as<Select>("select [h1]").name, "h1");
  EXPECT_EQ(read_as<Select>("select []").name, "");
  EXPECT_EQ(text(read_as<Goal>("goal $forall x. p(x)$").formula), "/\\ x. p(x)/0");
}

TEST(ParsermainTest, AxiomsAndHints) {
  Hypothesis h = read_as<Axiom>("axiom $p$").hyp;
  EXPECT_EQ(text(h.formula), "p/0");
  EXPECT_FALSE(h.poids.has_value());
  EXPECT_EQ(h.indice, 1);
  EXPECT_TRUE(h.constraints.table.empty() && h.constraints.bindings.empty());
  h = read_as<Axiom>("axiom $p$ #3 %2").hyp;
  EXPECT_EQ(h.poids, 3);
  EXPECT_EQ(h.indice, 2);
  h = read_as<Axiom>("axiom $p$ %7").hyp;
  EXPECT_FALSE(h.poids.has_value());
  EXPECT_EQ(h.indice, 7);
  // The weight hint comes before the index hint.
  EXPECT_THROW(parse_line("axiom $p$ %2 #3"), support::CommandError);
  EXPECT_THROW(parse_line("Axiom $p$"), support::CommandError);
}

TEST(ParsermainTest, ProveForms) {
  Prove p = read_as<Prove>("prove $p -> p$");
  EXPECT_TRUE(p.hyps.empty());
  EXPECT_EQ(text(p.formula), "p -> p/0");
  p = read_as<Prove>("prove {$a$; $b$ #1; $c$ %3} $a & b$");
  ASSERT_EQ(p.hyps.size(), 3u);
  EXPECT_EQ(text(p.hyps[0].formula), "a/0");
  EXPECT_EQ(text(p.hyps[2].formula), "c/0");
  EXPECT_EQ(p.hyps[1].poids, 1);
  EXPECT_EQ(p.hyps[2].indice, 3);
  Prove_mode m = read_as<Prove_mode>("prove phr $q$");
  EXPECT_EQ(m.method, engine::ResolutionMethod::Phr);
  EXPECT_TRUE(m.hyps.empty());
  m = read_as<Prove_mode>("prove nhr {$q$} $q$");
  EXPECT_EQ(m.method, engine::ResolutionMethod::Nhr);
  EXPECT_EQ(m.hyps.size(), 1u);
  EXPECT_THROW(parse_line("prove {} $p$"), support::CommandError);
  EXPECT_THROW(parse_line("prove {$a$;} $p$"), support::CommandError);
  EXPECT_THROW(parse_line("prove $p$ $q$"), support::CommandError);
  EXPECT_THROW(parse_line("prove {$a$} nhr $p$"), support::CommandError);
}

TEST(ParsermainTest, Settings) {
  Set_int s = read_as<Set_int>("pset pdsmax_global 5");
  EXPECT_EQ(s.setting, IntSetting::pdsmax_global);
  EXPECT_EQ(s.value, 5);
  EXPECT_EQ(read_as<Set_int>("pset verbose 2").setting, IntSetting::verbose);
  EXPECT_EQ(read_as<Set_int>("pset maxcndts 10").setting, IntSetting::maxcndts);
  EXPECT_EQ(read_as<Set_int>("pset timemax 0").setting, IntSetting::timemax);
  Set_bool b = read_as<Set_bool>("pset splitting false");
  EXPECT_EQ(b.setting, BoolSetting::splitting);
  EXPECT_FALSE(b.value);
  EXPECT_TRUE(read_as<Set_bool>("pset check_subcase true").value);
  EXPECT_EQ(read_as<Set_bool>("pset trace_proof true").setting, BoolSetting::trace_proof);
  EXPECT_THROW(parse_line("pset pdsmax_global 5.0"), support::CommandError);
  EXPECT_THROW(parse_line("pset pdsmax_global 5."), support::CommandError);
  EXPECT_THROW(parse_line("pset verbose true"), support::CommandError);
  EXPECT_THROW(parse_line("pset splitting 1"), support::CommandError);
  EXPECT_EQ(failure("pset verbose -1"), "lexing: empty token");
  EXPECT_EQ(failure("pset verbose 99999999999"), "int_of_string");
}

TEST(ParsermainTest, ErrorsAndTheirOrder) {
  EXPECT_THROW(parse_line("prove $p($"), support::FormulaError);
  EXPECT_THROW(parse_line("goal $p$ extra"), support::CommandError);
  EXPECT_EQ(failure("help\r"), "lexing: empty token");
  EXPECT_EQ(failure("prove $p"), "lexing: empty token");
  EXPECT_EQ(failure("select [h"), "lexing: empty token");
  // The syntax error at the unknown word comes before the bad formula.
  EXPECT_THROW(parse_line("foo $p($"), support::CommandError);
  EXPECT_THROW(parse_line("init init $p($"), support::CommandError);
  // The bad formula comes before the missing end of the line.
  EXPECT_THROW(parse_line("init $p($"), support::FormulaError);
}

}  // namespace
}  // namespace assistant::parsermain
