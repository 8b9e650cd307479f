// The command language of fol_prover over a stand-in formula reader that
// returns the formula text itself, so each test sees exactly what text the
// lexer hands to the formula reader.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "folprover/parsermain.h"

namespace folprover {
namespace {

using F = std::string;

// Refuses any text holding "bad", as the real reader refuses what it cannot read.
std::optional<F> reader(const std::string& text) {
  if (text.find("bad") != std::string::npos) return std::nullopt;
  return text;
}

Command<F> parse(const std::string& line) {
  Lexermain<F> lex(line, reader);
  return Parsermain<F>::main(lex);
}

// "commande", "formule" or the failure's message; "" when the line parses.
std::string error_of(const std::string& line) {
  try {
    parse(line);
    return "";
  } catch (const support::CommandError&) {
    return "commande";
  } catch (const support::FormulaError&) {
    return "formule";
  } catch (const support::Failure& f) {
    return f.what();
  }
}

TEST(CommandLanguage, SimpleCommands) {
  EXPECT_TRUE(std::holds_alternative<Nothing>(parse("")));
  EXPECT_TRUE(std::holds_alternative<Nothing>(parse("  \t ")));
  EXPECT_TRUE(std::holds_alternative<Nothing>(parse("(* a comment *)")));
  EXPECT_TRUE(std::holds_alternative<Nothing>(parse("(* one *) (* two *)")));
  EXPECT_TRUE(std::holds_alternative<Init>(parse("init")));
  EXPECT_TRUE(std::holds_alternative<Help>(parse("help")));
  for (const char* w : {"exit", "Exit", "quit", "Quit", "sortie", "Sortie"})
    EXPECT_TRUE(std::holds_alternative<Exit>(parse(w))) << w;
  EXPECT_TRUE(std::holds_alternative<Exit>(parse("  exit (* bye *)  ")));
  EXPECT_EQ(error_of("EXIT"), "commande");  // keywords are case-sensitive: a formula
  EXPECT_EQ(error_of("exit exit"), "commande");
  EXPECT_EQ(error_of("init;"), "commande");
}

TEST(CommandLanguage, FormulasRunOverBlanks) {
  auto c = parse("prove p & q");
  ASSERT_TRUE(std::holds_alternative<Prove<F>>(c));
  EXPECT_EQ(std::get<Prove<F>>(c).formula, "p & q");
  EXPECT_TRUE(std::get<Prove<F>>(c).hyps.empty());
  // A formula opening with a bracket, quantifiers written with slashes.
  EXPECT_EQ(std::get<Prove<F>>(parse("prove (p -> q) <-> r  ")).formula, "(p -> q) <-> r  ");
  EXPECT_EQ(std::get<Prove<F>>(parse("prove /\\x. \\/y. p(x,y)")).formula, "/\\x. \\/y. p(x,y)");
  EXPECT_EQ(std::get<Prove<F>>(parse("prove ~p | p")).formula, "~p | p");
  // A keyword inside a formula is part of it.
  EXPECT_EQ(std::get<Prove<F>>(parse("prove p & prove")).formula, "p & prove");
  // A tab ends a formula and is then skipped.
  EXPECT_EQ(std::get<Prove<F>>(parse("prove p\t")).formula, "p");
  EXPECT_EQ(error_of("prove p\tq"), "commande");
}

TEST(CommandLanguage, ProveWithHypothesesAndMode) {
  auto c = parse("prove [h1; h2 # 3 % 2] c");
  ASSERT_TRUE(std::holds_alternative<Prove<F>>(c));
  const auto& p = std::get<Prove<F>>(c);
  ASSERT_EQ(p.hyps.size(), 2u);
  EXPECT_EQ(p.hyps[0].formula, "h1");
  EXPECT_FALSE(p.hyps[0].poids);
  EXPECT_EQ(p.hyps[0].indice, 1);
  EXPECT_EQ(p.hyps[1].formula, "h2 ");
  EXPECT_EQ(p.hyps[1].poids, 3);
  EXPECT_EQ(p.hyps[1].indice, 2);
  EXPECT_EQ(p.formula, "c");

  auto m = parse("prove phr [a%7;b#0;c] d(x)");
  ASSERT_TRUE(std::holds_alternative<Prove_mode<F>>(m));
  const auto& pm = std::get<Prove_mode<F>>(m);
  EXPECT_EQ(pm.mode, support::cmdlang::ResolutionMethod::Phr);
  ASSERT_EQ(pm.hyps.size(), 3u);
  EXPECT_EQ(pm.hyps[0].indice, 7);
  EXPECT_FALSE(pm.hyps[0].poids);
  EXPECT_EQ(pm.hyps[1].poids, 0);
  EXPECT_EQ(pm.hyps[2].formula, "c");
  EXPECT_EQ(pm.formula, "d(x)");

  auto n = parse("prove nhr p");
  ASSERT_TRUE(std::holds_alternative<Prove_mode<F>>(n));
  EXPECT_EQ(std::get<Prove_mode<F>>(n).mode, support::cmdlang::ResolutionMethod::Nhr);
  EXPECT_TRUE(std::get<Prove_mode<F>>(n).hyps.empty());

  EXPECT_EQ(error_of("prove [] p"), "commande");  // the list is never empty
  EXPECT_EQ(error_of("prove [a;] p"), "commande");
  EXPECT_EQ(error_of("prove [a % 1 # 2] p"), "commande");  // weight before index
  EXPECT_EQ(error_of("prove [a] "), "commande");
  EXPECT_EQ(error_of("prove"), "commande");
  EXPECT_EQ(error_of("prove nhr"), "commande");
  EXPECT_EQ(error_of("prove p # 2"), "commande");  // hints only on hypotheses
}

TEST(CommandLanguage, Axioms) {
  auto a = parse("axiom p(x) # 4 % 9");
  ASSERT_TRUE(std::holds_alternative<Axiom<F>>(a));
  EXPECT_EQ(std::get<Axiom<F>>(a).hyp.formula, "p(x) ");
  EXPECT_EQ(std::get<Axiom<F>>(a).hyp.poids, 4);
  EXPECT_EQ(std::get<Axiom<F>>(a).hyp.indice, 9);
  // Capital A is no keyword: the whole line is one formula, then a syntax error.
  EXPECT_EQ(error_of("Axiom p"), "commande");
  EXPECT_EQ(error_of("axiom"), "commande");
  EXPECT_EQ(error_of("axiom [p]"), "commande");
}

TEST(CommandLanguage, Settings) {
  auto v = parse("set verbose 0");
  ASSERT_TRUE(std::holds_alternative<Set_int>(v));
  EXPECT_EQ(std::get<Set_int>(v).setting, IntSetting::verbose);
  EXPECT_EQ(std::get<Set_int>(v).value, 0);
  EXPECT_EQ(std::get<Set_int>(parse("set maxcndts 12")).setting, IntSetting::maxcndts);
  EXPECT_EQ(std::get<Set_int>(parse("set pdsmax_global 800")).setting, IntSetting::pdsmax_global);
  EXPECT_EQ(std::get<Set_int>(parse("set timemax 2147483647")).value, 2147483647);
  auto b = parse("set splitting false");
  EXPECT_EQ(std::get<Set_bool>(b).setting, BoolSetting::splitting);
  EXPECT_FALSE(std::get<Set_bool>(b).value);
  EXPECT_EQ(std::get<Set_bool>(parse("set check_subcase true")).setting,
            BoolSetting::check_subcase);
  EXPECT_TRUE(std::get<Set_bool>(parse("set trace_proof true")).value);

  EXPECT_EQ(error_of("set pdsmax_global 3.5"), "commande");  // a float
  EXPECT_EQ(error_of("set verbose 1."), "commande");
  EXPECT_EQ(error_of("set verbose true"), "commande");
  EXPECT_EQ(error_of("set splitting 1"), "commande");
  EXPECT_EQ(error_of("set verbose"), "commande");
  EXPECT_EQ(error_of("set lazy 1"), "commande");
  EXPECT_EQ(error_of("set verbose 1 2"), "commande");
}

TEST(CommandLanguage, LexicalFailures) {
  EXPECT_EQ(error_of("set verbose 2147483648"), "int_of_string");
  EXPECT_EQ(error_of("set verbose 99999999999999999999999999"), "int_of_string");
  EXPECT_EQ(error_of("set verbose -1"), "lexing: empty token");
  EXPECT_EQ(error_of("exit\r"), "lexing: empty token");  // a carriage return is no blank
  EXPECT_EQ(error_of("@"), "lexing: empty token");
  EXPECT_EQ(error_of("\xC3\xA9t\xC3\xA9"), "lexing: empty token");
  EXPECT_EQ(error_of("(* unclosed"), "lexing: empty token");
  EXPECT_EQ(error_of("(*)"), "lexing: empty token");
  std::string nul("init\0", 5);
  EXPECT_EQ(error_of(nul), "lexing: empty token");
  // A comment may not hold the byte 0xA4: it ends at the last "*)" before it.
  EXPECT_EQ(error_of("init (* a *) \xA4 *)"), "lexing: empty token");
  EXPECT_TRUE(std::holds_alternative<Init>(parse("init (* a *) b *)")));
}

TEST(CommandLanguage, FirstErrorFromTheLeftWins) {
  // The syntax error comes before the bad character, which is never read.
  EXPECT_EQ(error_of("prove true -> p @"), "commande");
  EXPECT_EQ(error_of("init @"), "lexing: empty token");
  EXPECT_EQ(error_of("exit 1 @"), "commande");
  EXPECT_EQ(error_of("exit 99999999999999999999"), "int_of_string");  // the next token itself
  EXPECT_EQ(error_of("prove bad"), "formule");
  EXPECT_EQ(error_of("prove [bad] @"), "formule");
  EXPECT_EQ(error_of("set 1.5 @"), "commande");
  // A formula ends at the first character outside its set; that one is read next.
  EXPECT_EQ(error_of("prove p @"), "lexing: empty token");
  EXPECT_EQ(error_of("prove p ]"), "commande");
  // A formula at the start of a line is read before the grammar refuses it.
  EXPECT_EQ(error_of("bad"), "formule");
  EXPECT_EQ(error_of("p"), "commande");
  // "true"/"false" opening a formula are BOOL tokens.
  EXPECT_EQ(error_of("prove true"), "commande");
  EXPECT_EQ(error_of("prove false -> p"), "commande");
  EXPECT_EQ(std::get<Prove<F>>(parse("prove truth")).formula, "truth");
}

TEST(CommandLanguage, CommentsAfterFormulasAreNotComments) {
  // "*" is no formula character: the formula "p (" is handed to the reader.
  std::string seen;
  Lexermain<F> lex("prove p (* c *)", [&](const std::string& t) -> std::optional<F> {
    seen = t;
    return std::nullopt;
  });
  EXPECT_THROW(Parsermain<F>::main(lex), support::FormulaError);
  EXPECT_EQ(seen, "p (");
  EXPECT_TRUE(std::holds_alternative<Set_int>(parse("set verbose 1 (* quiet *)")));
}

}  // namespace
}  // namespace folprover
