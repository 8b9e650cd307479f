#include <gtest/gtest.h>

#include "propprover/asynt.h"
#include "propprover/lexermain.h"
#include "propprover/parsermain.h"

namespace {

using namespace prop;

// The printed form of what the text reads as, or "FAIL".
std::string read(std::string_view text) {
  std::optional<Formula> f = analyse_proposition(text);
  return f ? to_string(*f) : "FAIL";
}

TEST(Asynt, PrioritiesAndAssociativity) {
  EXPECT_EQ(read("p ou q & r"), "p or q & r");
  EXPECT_EQ(read("p | q et r"), "p or q & r");
  EXPECT_EQ(read("a -> b -> c"), "a -> b -> c");
  EXPECT_EQ(read("(a -> b) -> c"), "(a -> b) -> c");
  EXPECT_EQ(read("a & b & c"), "a & b & c");
  EXPECT_EQ(read("(a & b) & c"), "(a & b) & c");
  EXPECT_EQ(read("a <-> b -> c ou d et non e"), "a <-> b -> c or d & ~e");
  EXPECT_EQ(read("~a & b"), "~a & b");
  EXPECT_EQ(read("~(~a)"), "~(~a)");
  EXPECT_EQ(read("~ (a <-> b)"), "~(a <-> b)");
  EXPECT_EQ(read("vrai -> faux ou True & False"), "True -> False or True & False");
  EXPECT_EQ(read("p or q"), "p or q");  // the printed form reads back
  EXPECT_EQ(read("p->q"), "p -> q");
  EXPECT_EQ(read("a<->b"), "a <-> b");
}

TEST(Asynt, WordsSymbolsAndTrailingText) {
  EXPECT_EQ(read("a b"), "a");
  EXPECT_EQ(read("a )"), "a");
  EXPECT_EQ(read("p q -> r"), "p");
  EXPECT_EQ(read("&&"), "&&");      // a symbol that is not a keyword is an atom
  EXPECT_EQ(read("p ->~ q"), "p");  // "->~" runs together into one atom name
  EXPECT_EQ(read("abcdefghijklmnopqrst"), "abcdefghijklmnopqrst");  // nothing cut
  EXPECT_EQ(read("v\xe9rit\xe9"), "v\xe9rit\xe9");
  EXPECT_EQ(read("x_1'"), "x_1'");
  EXPECT_EQ(read("p # comment"), "p");
  EXPECT_EQ(read("# comment\n q"), "q");
  // Distinct long atoms stay distinct.
  EXPECT_NE(analyse_proposition("abcdefghijklmnopq"), analyse_proposition("abcdefghijklmnopr"));
}

TEST(Asynt, Failures) {
  for (const char* bad : {"", "   ", "42", "-3", "-> p", ")", "p ->", "p & (q", "~ ~a", "non",
                          "( )", "p , q", "_p", "[p]", "p -> 12"}) {
    EXPECT_EQ(read(bad), "FAIL") << bad;
  }
}

TEST(Asynt, LongChainsReadWithoutDeepRecursion) {
  std::string chain = "p0";
  for (int i = 1; i < 50000; ++i) chain += " & p" + std::to_string(i);
  std::optional<Formula> f = analyse_proposition(chain);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->depth(), 50000);
  std::string too_long = "p";
  for (int i = 0; i < 100000; ++i) too_long += " -> p";
  EXPECT_FALSE(analyse_proposition(too_long).has_value());
}

std::string outcome(std::string_view line) {
  try {
    Command c = parse_command(line);
    std::string s;
    switch (c.kind) {
      case Command::Kind::Init:
        return "Init";
      case Command::Kind::Exit:
        return "Exit";
      case Command::Kind::Nothing:
        return "Nothing";
      case Command::Kind::Axiom:
        s = "Axiom";
        break;
      case Command::Kind::Prove_mode:
        s = std::string("Prove_mode ") +
            (c.mode == support::cmdlang::ResolutionMethod::Nhr ? "nhr" : "phr");
        break;
      case Command::Kind::Prove:
        s = "Prove";
        break;
      case Command::Kind::Set_int:
        return "Set_int " + std::to_string(static_cast<int>(c.int_setting)) + " " +
               std::to_string(c.int_value);
      case Command::Kind::Set_bool:
        return "Set_bool " + std::to_string(static_cast<int>(c.bool_setting)) +
               (c.bool_value ? " true" : " false");
    }
    s += " [";
    for (const Hyp& h : c.hyps) {
      s += to_string(h.formula);
      if (h.poids) s += " #" + std::to_string(*h.poids);
      s += " %" + std::to_string(h.indice) + ";";
    }
    s += "]";
    if (c.kind != Command::Kind::Axiom) s += " " + to_string(c.formula);
    return s;
  } catch (const support::CommandError&) {
    return "Erreur de commande";
  } catch (const support::FormulaError&) {
    return "Erreur de formule";
  } catch (const support::Failure& f) {
    return f.what();
  }
}

TEST(Parsermain, Commands) {
  EXPECT_EQ(outcome(""), "Nothing");
  EXPECT_EQ(outcome("  \t "), "Nothing");
  EXPECT_EQ(outcome("(* just a comment *)"), "Nothing");
  EXPECT_EQ(outcome("init (* a *) (* b *)"), "Init");
  for (const char* w : {"exit", "Exit", "quit", "Quit", "sortie", "Sortie"})
    EXPECT_EQ(outcome(w), "Exit");
  EXPECT_EQ(outcome("prove p & q"), "Prove [] p & q");
  EXPECT_EQ(outcome("prove [h1; h2 # 3 % 2] c"), "Prove [h1 %1;h2 #3 %2;] c");
  EXPECT_EQ(outcome("prove [h % 4; g # 0] c -> h"), "Prove [h %4;g #0 %1;] c -> h");
  EXPECT_EQ(outcome("prove nhr p"), "Prove_mode nhr [] p");
  EXPECT_EQ(outcome("prove phr [a] b"), "Prove_mode phr [a %1;] b");
  EXPECT_EQ(outcome("axiom p -> q # 5 % 2"), "Axiom [p -> q #5 %2;]");
  EXPECT_EQ(outcome("set verbose 2"), "Set_int 0 2");
  EXPECT_EQ(outcome("set maxcndts 100"), "Set_int 1 100");
  EXPECT_EQ(outcome("set pdsmax_global 2147483647"), "Set_int 2 2147483647");
  EXPECT_EQ(outcome("set splitting false"), "Set_bool 0 false");
  EXPECT_EQ(outcome("set check_subcase true"), "Set_bool 1 true");
  EXPECT_EQ(outcome("set trace_proof false"), "Set_bool 2 false");
  EXPECT_EQ(outcome("prove p q"), "Prove [] p");  // the extra word is ignored
  EXPECT_EQ(outcome("prove (p) -> p"), "Prove [] p -> p");
}

TEST(Parsermain, ErrorsFirstFromTheLeft) {
  EXPECT_EQ(outcome("help"), "Erreur de commande");
  EXPECT_EQ(outcome("set timemax 5"), "Erreur de commande");
  EXPECT_EQ(outcome("Axiom p"), "Erreur de commande");
  EXPECT_EQ(outcome("prove true -> p"), "Erreur de commande");
  EXPECT_EQ(outcome("set verbose 2.5"), "Erreur de commande");
  EXPECT_EQ(outcome("set pdsmax_global 3."), "Erreur de commande");
  EXPECT_EQ(outcome("prove []p"), "Erreur de commande");
  EXPECT_EQ(outcome("init init"), "Erreur de commande");
  EXPECT_EQ(outcome("prove p @"), "lexing: empty token");
  EXPECT_EQ(outcome("@ prove p"), "lexing: empty token");
  EXPECT_EQ(outcome("prove p\r"), "lexing: empty token");
  EXPECT_EQ(outcome("init (* open"), "lexing: empty token");
  EXPECT_EQ(outcome("set verbose 2147483648"), "int_of_string");
  EXPECT_EQ(outcome("prove [p # 99999999999999999999] p"), "int_of_string");
  EXPECT_EQ(outcome("prove p ->"), "Erreur de formule");
  EXPECT_EQ(outcome("prove (p"), "Erreur de formule");
  EXPECT_EQ(outcome("prove -> p"), "lexing: empty token");
  EXPECT_EQ(outcome("axiom ~~p"), "Axiom [~~ %1;]");
  EXPECT_EQ(outcome("prove p & q 12"), "Prove [] p & q");
}

}  // namespace
