// The proof-language reader: tokens, grammar, precedence and values.
#include "assistant/parsernc.h"

#include <gtest/gtest.h>

#include <string>

#include "fol/parserfol.h"
#include "support/bigstack.h"
#include "support/errors.h"

namespace assistant::parsernc {
namespace {

std::string show(const NcProof& p);
std::string show(const NcBlock& b);

std::string show(const fol::Formula& f) { return fol::to_string(fol::Session(), f); }

std::string show(const NcHint& h) {
  if (const auto* x = std::get_if<Hyp>(&h)) return "Hyp(" + x->name + ")";
  if (const auto* x = std::get_if<Stated>(&h)) return "Stated(" + show(x->formula) + ")";
  const Eq& e = std::get<Eq>(h);
  return "Eq(" + e.name + "," + show(e.term) + ")";
}

std::string show(const NcStep& s) {
  if (std::holds_alternative<Trivial>(s.v)) return "Trivial";
  if (const auto* d = std::get_if<Deduce>(&s.v)) {
    std::string r = "Deduce([";
    for (std::size_t i = 0; i < d->formulas.size(); ++i)
      r += (i ? "," : "") + std::string("(") + d->formulas[i].name + "," +
           show(d->formulas[i].formula) + ")";
    return r + "]," + show(*d->proof) + ")";
  }
  return "Block(" + show(*std::get<Block>(s.v).block) + ")";
}

std::string show(const NcBlock& b) {
  if (const auto* x = std::get_if<Then>(&b.v))
    return "Then(" + show(*x->left) + "," + show(*x->right) + ")";
  if (const auto* x = std::get_if<Let>(&b.v)) return "Let(" + x->name + "," + show(*x->block) + ")";
  if (const auto* x = std::get_if<Search>(&b.v))
    return "Search(" + x->name + "," + show(*x->block) + ")";
  if (const auto* x = std::get_if<Assume>(&b.v))
    return "Assume(" + x->name + "," + show(x->formula) + "," + show(*x->block) + ")";
  if (const auto* x = std::get_if<Show>(&b.v))
    return "Show(" + show(x->formula) + "," + show(*x->proof) + ")";
  return "Proof(" + show(*std::get<Proof>(b.v).proof) + ")";
}

std::string show(const NcProof& p) {
  if (const auto* x = std::get_if<By>(&p.v)) {
    std::string r = "By([";
    for (std::size_t i = 0; i < x->hints.size(); ++i) {
      r += (i ? "," : "") + std::string("(") + show(x->hints[i].source) + ",[";
      for (std::size_t j = 0; j < x->hints[i].instances.size(); ++j)
        r += (j ? "," : "") + show(x->hints[i].instances[j]);
      r += "])";
    }
    return r + "]," + show(*x->step) + ")";
  }
  if (const auto* x = std::get_if<Prove>(&p.v))
    return "Prove(" + x->name + "," + show(x->formula) + "," + show(*x->proof) + "," +
           show(*x->continuation) + ")";
  if (const auto* x = std::get_if<By_absurd>(&p.v))
    return "By_absurd(" + x->name + "," + show(*x->proof) + ")";
  if (const auto* x = std::get_if<Set>(&p.v))
    return "Set(" + x->name + "," + show(x->term) + "," + show(*x->proof) + ")";
  return "Label(" + std::get<Label>(p.v).name + ")";
}

std::string read(const std::string& phrase) { return show(*parse_phrase(phrase)); }

std::string failure(const std::string& phrase) {
  try {
    parse_phrase(phrase);
  } catch (const support::Failure& f) {
    return f.what();
  }
  return "no failure";
}

TEST(ParserncTest, EmptyPhraseIsTheEmptyProof) {
  EXPECT_EQ(read(""), "Label()");
  EXPECT_EQ(read(" \t "), "Label()");
  EXPECT_TRUE(is_empty_proof(*parse_phrase("")));
  EXPECT_TRUE(is_empty_proof(*parse_phrase("label []")));
  EXPECT_FALSE(is_empty_proof(*parse_phrase("label [ ]")));
}

TEST(ParserncTest, AssumeForms) {
  EXPECT_EQ(read("assume $A$"), "By([],Block(Assume( ,A,Proof(Label()))))");
  EXPECT_EQ(read("assume $A$ [h] and $B$ label [k]"),
            "By([],Block(Assume(h,A,Assume( ,B,Proof(Label(k))))))");
  EXPECT_EQ(read("assume $A$ show $B$"), "By([],Block(Assume( ,A,Show(B,Label()))))");
}

TEST(ParserncTest, HintsWithInstancesAndSeveralByClauses) {
  EXPECT_EQ(read("by [h] with {x=t}, $A$ and $Q$ by [k] deduce $R$ [r] trivial"),
            "By([(Hyp(h),[Eq(x,Term(t)),Stated(A)]),(Stated(Q),[]),(Hyp(k),[])],"
            "Deduce([(r,R)],By([],Trivial)))");
  EXPECT_EQ(read("By $p$ with [a] trivial"), "By([(Stated(p),[Hyp(a)])],Trivial)");
  // A definition is an instance, never a source.
  EXPECT_THROW(parse_phrase("by {x=t} trivial"), support::CommandError);
}

TEST(ParserncTest, ClaimsAbsurdityAndDefinitions) {
  EXPECT_EQ(read("Prove $A$ [h] trivial"), "Prove(h,A,By([],Trivial),Label())");
  EXPECT_EQ(read("Prove $A$"), "Prove( ,A,Label(),Label())");
  EXPECT_EQ(read("by_absurd [h]"), "By_absurd(h,Label())");
  EXPECT_EQ(read("by_absurd"), "By_absurd(,Label())");
  EXPECT_EQ(read("by_absurd [h] trivial"), "By_absurd(h,By([],Trivial))");
  EXPECT_EQ(read("set {x=f(a(),y)} trivial"), "Set(x,Term(f(a(),y)),By([],Trivial))");
  EXPECT_EQ(read("set {x= c()}"), "Set(x,Term(c()),Label())");
  EXPECT_EQ(read("deduce $A$ and $B$ [b]"), "By([],Deduce([( ,A),(b,B)],Label()))");
}

TEST(ParserncTest, ThenGroupsToTheRightAndPrefixesEndBeforeIt) {
  EXPECT_EQ(
      read("proof trivial endproof then proof trivial endproof then show $C$"),
      "By([],Block(Then(Proof(By([],Trivial)),Then(Proof(By([],Trivial)),Show(C,Label())))))");
  EXPECT_EQ(read("let x assume $A$ then show $B$"),
            "By([],Block(Then(Let(x,Assume( ,A,Proof(Label()))),Show(B,Label()))))");
  EXPECT_EQ(
      read("Let x, y search z show $p(x)$ then Search w show $q$"),
      "By([],Block(Then(Let(x,Let(y,Search(z,Show(p(x),Label())))),Search(w,Show(q,Label())))))");
  EXPECT_EQ(read("begin let x show $A$ then show $B$ end then show $C$"),
            "By([],Block(Then(Then(Let(x,Show(A,Label())),Show(B,Label())),Show(C,Label()))))");
  // A proof after "show" runs to its "shown", "then"s included.
  EXPECT_EQ(read("show $A$ let x show $B$ then show $C$ shown"),
            "By([],Block(Show(A,By([],Block(Then(Let(x,Show(B,Label())),Show(C,Label())))))))");
  EXPECT_EQ(read("deduce $A$ show $B$ then show $C$"),
            "By([],Deduce([( ,A)],By([],Block(Then(Show(B,Label()),Show(C,Label()))))))");
}

TEST(ParserncTest, SyntaxErrors) {
  for (const char* bad : {
           "Prove $A$ in trivial",   // "in" is no part of any phrase
           "prove $A$",              // the command word, a NAME here
           "show $A$ then trivial",  // only a block may follow "then"
           "show $A$ then deduce $B$",
           "show $A$ trivial",  // a proof after "show" needs "shown"
           "proof trivial",     // ... and one after "proof" needs "endproof"
           "trivial *3",        // a star number is no part of any phrase
           "let show $A$",      // "let" needs a name
           "begin show $A$", "trivial then show $A$", "label", "set trivial", "assume [h]",
           "by [h]",  // hints need a step
       })
    EXPECT_THROW(parse_phrase(bad), support::CommandError) << bad;
}

TEST(ParserncTest, DefinitionMustBeExactlyOneTerm) {
  EXPECT_THROW(parse_phrase("set {x=a(),b()}"), support::CommandError);
  EXPECT_THROW(parse_phrase("set {x=a) & Term(b}"), support::CommandError);
  EXPECT_THROW(parse_phrase("set {x=a(}"), support::CommandError);
  // The reader's lexing failure passes unchanged.
  EXPECT_EQ(failure("set {x=a-b}"), "lexing: empty token");
}

TEST(ParserncTest, LexingFailures) {
  EXPECT_EQ(failure("set {x = t}"), "lexing: empty token");
  EXPECT_EQ(failure("set {x =t}"), "lexing: empty token");
  EXPECT_EQ(failure("set { x=t}"), "lexing: empty token");
  EXPECT_EQ(failure("set {x=}"), "lexing: empty token");
  EXPECT_EQ(failure("trivial *0"), "lexing: empty token");
  EXPECT_EQ(failure("assume $A"), "lexing: empty token");
  EXPECT_EQ(failure("label [k"), "lexing: empty token");
  EXPECT_EQ(failure("trivial\r"), "lexing: empty token");
  EXPECT_EQ(failure("trivial *99999999999"), "int_of_string");
  EXPECT_THROW(parse_phrase("assume $p($"), support::FormulaError);
  EXPECT_THROW(parse_phrase("assume $$"), support::Failure);
}

TEST(ParserncTest, FirstErrorFromTheLeftWins) {
  // The syntax error comes before the bad formula further on.
  EXPECT_THROW(parse_phrase("deduce deduce $p($"), support::CommandError);
  EXPECT_THROW(parse_phrase("trivial trivial \x01"), support::CommandError);
  // The lexing failure comes before the syntax error further on.
  EXPECT_EQ(failure("label [h] # trivial"), "lexing: empty token");
  EXPECT_THROW(parse_phrase("trivial $p($ in"), support::FormulaError);
}

TEST(ParserncTest, StructuralEquality) {
  EXPECT_TRUE(*parse_phrase("let x show $p(x)$") == *parse_phrase("let   x show $p( x )$"));
  EXPECT_FALSE(*parse_phrase("let x show $p(x)$") == *parse_phrase("let y show $p(x)$"));
  EXPECT_FALSE(*parse_phrase("by [h] trivial") == *parse_phrase("by [h] with [k] trivial"));
}

TEST(ParserncTest, NestingBeyondTheLimitIsRefused) {
  const int status = support::run_with_big_stack([] {
    std::string deep;
    for (long i = 0; i < support::kMaxNesting + 1; ++i) deep += "begin ";
    try {
      parse_phrase(deep);
    } catch (const support::FormulaError&) {
    } catch (...) {
      return 2;
    }
    std::string chain = "let ";
    for (long i = 0; i < support::kMaxNesting + 1; ++i) chain += "x,";
    chain += "x show $A$";
    try {
      parse_phrase(chain);
    } catch (const support::FormulaError&) {
      return 0;
    }
    return 1;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace assistant::parsernc
