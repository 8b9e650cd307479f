#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fol/lexerfol.h"
#include "support/bigstack.h"
#include "test_util.h"

using namespace fol;
using foltest::P;
using foltest::S;

namespace {
ParseErrorKind error_of(const std::string& s) {
  ParseResult r = parse_formula(s);
  EXPECT_TRUE(std::holds_alternative<ParseError>(r)) << s;
  return std::holds_alternative<ParseError>(r) ? std::get<ParseError>(r).kind
                                               : ParseErrorKind::Syntax;
}
}  // namespace

TEST(FolSyntax, ValuesOfTheGrammar) {
  Term x = mk_var("x"), y = mk_var("y");
  EXPECT_EQ(P("forall x, y. p(x, y)"), mk_forall("x", mk_forall("y", mk_atom("p", {x, y}))));
  EXPECT_EQ(P("/\\x. p(x)"), P("forall x. p(x)"));
  EXPECT_EQ(P("\\/x. p(x)"), P("exists x. p(x)"));
  // A bare name inside arguments is a variable; f() is a constant.
  EXPECT_EQ(P("p(f(x), c)"), mk_atom("p", {mk_fn("f", {x}), mk_var("c")}));
  EXPECT_EQ(P("p(g())"), mk_atom("p", {mk_fn("g", {})}));
  EXPECT_NE(mk_fn("c", {}), mk_var("c"));
  EXPECT_EQ(P("q"), mk_atom("q", {}));
  EXPECT_EQ(P("True"), mk_true());
  EXPECT_EQ(P("vrai"), mk_true());
  EXPECT_EQ(P("true"), mk_true());
  EXPECT_EQ(P("faux"), mk_false());
  EXPECT_EQ(P("TRUE"), mk_atom("TRUE", {}));
  EXPECT_EQ(P("non a et b ou c"), P("((~a) & b) | c"));
  EXPECT_EQ(P("a => b <=> c"), P("(a -> b) <-> c"));
}

TEST(FolSyntax, PrecedenceAndQuantifierScope) {
  Formula a = mk_atom("a", {}), b = mk_atom("b", {}), c = mk_atom("c", {});
  EXPECT_EQ(P("a and b or c"), mk_or(mk_and(a, b), c));
  EXPECT_EQ(P("a -> b -> c"), mk_imp(a, mk_imp(b, c)));
  EXPECT_EQ(P("a <-> b -> c"), mk_iff(a, mk_imp(b, c)));
  EXPECT_EQ(P("a -> b <-> c"), mk_iff(mk_imp(a, b), c));
  EXPECT_EQ(P("a <-> b <-> c"), mk_iff(a, mk_iff(b, c)));
  EXPECT_EQ(P("not a and b"), mk_and(mk_not(a), b));
  EXPECT_EQ(P("p(x) & q(y) | r"), P("(p(x) & q(y)) | r"));
  Formula px = mk_atom("p", {mk_var("x")});
  EXPECT_EQ(P("forall x. p(x) and q"), mk_and(mk_forall("x", px), mk_atom("q", {})));
  EXPECT_EQ(P("forall x. (p(x) and q)"), mk_forall("x", mk_and(px, mk_atom("q", {}))));
  EXPECT_EQ(P("~forall x. ~p(x) -> b"), mk_imp(mk_not(mk_forall("x", mk_not(px))), b));
}

TEST(FolSyntax, Errors) {
  EXPECT_EQ(error_of("a && b"), ParseErrorKind::Syntax);
  EXPECT_EQ(error_of("x'"), ParseErrorKind::Lexing);
  EXPECT_EQ(error_of("p()"), ParseErrorKind::Syntax);
  EXPECT_EQ(error_of("a - b"), ParseErrorKind::Lexing);
  EXPECT_EQ(error_of("a <- b"), ParseErrorKind::Lexing);
  EXPECT_EQ(error_of("_a"), ParseErrorKind::Lexing);
  EXPECT_EQ(error_of("p(1)"), ParseErrorKind::Lexing);
  EXPECT_EQ(error_of(""), ParseErrorKind::Syntax);
  EXPECT_EQ(error_of("(a"), ParseErrorKind::Syntax);
  EXPECT_EQ(error_of("a)"), ParseErrorKind::Syntax);
  EXPECT_EQ(error_of("forall . p"), ParseErrorKind::Syntax);
  EXPECT_EQ(error_of("p(x) q"), ParseErrorKind::Syntax);
  EXPECT_EQ(error_of("a\r"), ParseErrorKind::Lexing);
  ParseError e{ParseErrorKind::Lexing, 0};
  EXPECT_EQ(e.message(), "lexing: empty token");
  EXPECT_THROW(parse_formula_or_throw("a &"), support::FormulaError);
  Lexer lx("p -> q");
  EXPECT_EQ(lx.token()->kind, Tok::NAME);
  EXPECT_EQ(lx.token()->kind, Tok::IMP);
  EXPECT_EQ(lx.token()->text, "q");
  EXPECT_EQ(lx.token()->kind, Tok::FIN);
}

TEST(FolSyntax, GeneratedNamesAreRefused) {
  for (const char* s :
       {"p(var1)", "p(var12)", "forall var3. p(var3)", "p(f_cst_1())", "p(x_cst)",
        "exists x_cst_7. p", "p(g(var2))", "p(x_cst_1(y))", "(exists x. p(x)) -> p(x_cst_1())"})
    EXPECT_EQ(error_of(s), ParseErrorKind::Reserved) << s;
  // Near misses and predicate names are fine.
  for (const char* s : {"p(var)", "p(vars1)", "p(var1x)", "p(x_cst_)", "p(x_cst_1a)", "p(x_csts)",
                        "var1", "x_cst_1(a)", "p(Var1)"})
    EXPECT_TRUE(std::holds_alternative<Formula>(parse_formula(s))) << s;
  EXPECT_TRUE(is_reserved_name("var0"));
  EXPECT_FALSE(is_reserved_name("var"));
}

TEST(FolSyntax, PrintingLevelsAndRuns) {
  EXPECT_EQ(S(P("p")), "p");
  EXPECT_EQ(S(P("p(c())")), "p(c())");
  EXPECT_EQ(S(P("p(f(x,y), z)")), "p(f(x,y),z)");
  EXPECT_EQ(S(P("~(a & b)")), "~(a & b)");
  EXPECT_EQ(S(P("~a & b")), "~a & b");
  EXPECT_EQ(S(P("(a -> b) -> c")), "(a -> b) -> c");
  EXPECT_EQ(S(P("a -> b -> c")), "a -> b -> c");
  EXPECT_EQ(S(P("a & b | c")), "a & b or c");
  EXPECT_EQ(S(P("(a | b) & c")), "(a or b) & c");
  EXPECT_EQ(S(P("(a <-> b) <-> c")), "(a <-> b) <-> c");
  EXPECT_EQ(S(P("forall x, y. exists z. p")), "/\\ x,y. \\/ z. p");
  EXPECT_EQ(S(P("(forall x. p) & q")), "/\\ x. p & q");
  EXPECT_EQ(S(P("forall x. (p(x) -> q(x))")), "/\\ x. (p(x) -> q(x))");
  EXPECT_EQ(S(P("~~p")), "~~p");
  EXPECT_EQ(S(P("~forall x. p")), "~/\\ x. p");
  EXPECT_EQ(S(P("~False | True")), "~False or True");
  // A quantifier inside a quantifier body of the other kind starts a new run.
  EXPECT_EQ(S(P("forall x. forall y. exists z. exists w. forall v. p")),
            "/\\ x,y. \\/ z,w. /\\ v. p");
}

TEST(FolSyntax, PrintingTermsAndExistentials) {
  Session ses;
  EXPECT_EQ(to_string(ses, mk_cst("k", {mk_var("x")})), "k");
  EXPECT_EQ(to_string(ses, mk_bvar("b")), "b");
  Term e = mk_evar("1", "n");
  EXPECT_EQ(to_string(ses, e), "n?");
  add_evar_val(ses, "1", mk_fn("a", {}));
  EXPECT_EQ(to_string(ses, e), "a()");
  // Chains of values are followed.
  add_evar_val(ses, "1", mk_evar("2", "m"));
  add_evar_val(ses, "2", mk_fn("f", {mk_var("z")}));
  EXPECT_EQ(to_string(ses, mk_atom("p", {e})), "p(f(z))");
}

TEST(FolSyntax, LongLinesBreakAtConnectives) {
  std::string text = "p0";
  for (int i = 1; i < 40; ++i) text += " & p" + std::to_string(i);
  std::ostringstream os;
  support::Printer pr(&os);
  pr.open_box(0);
  print_formul(
      Session(), pr,
      [](const Session& ses, support::Printer& p, int l, const std::string& n,
         const std::vector<Term>& a) { print_atom(ses, p, l, n, a); },
      0, P(text));
  pr.close_box();
  pr.print_flush();
  std::string out = os.str();
  EXPECT_NE(out.find('\n'), std::string::npos);
  for (std::size_t start = 0, nl; start < out.size(); start = nl + 1) {
    nl = out.find('\n', start);
    if (nl == std::string::npos) nl = out.size();
    EXPECT_LE(nl - start, 78u);
  }
}

namespace {
// Random formulas over a small vocabulary (no names the reader refuses).
struct Gen {
  std::mt19937 rng;
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  Term term(int d) {
    static const char* vars[] = {"x", "y", "z", "x1", "y_2"};
    static const char* fns[] = {"f", "g", "c", "h_1"};
    if (d <= 0 || pick(3) == 0) return mk_var(vars[pick(5)]);
    std::vector<Term> args;
    int n = pick(3);
    for (int i = 0; i < n; ++i) args.push_back(term(d - 1));
    return mk_fn(fns[pick(4)], std::move(args));
  }
  Formula formula(int d) {
    static const char* preds[] = {"p", "q", "R", "head_symb"};
    static const char* bvs[] = {"x", "y", "z", "w"};
    int k = d <= 0 ? pick(3) : pick(11);
    switch (k) {
      case 0:
        return pick(4) == 0 ? (pick(2) ? mk_true() : mk_false()) : mk_atom(preds[pick(4)], {});
      case 1:
      case 2: {
        std::vector<Term> args;
        int n = 1 + pick(3);
        for (int i = 0; i < n; ++i) args.push_back(term(2));
        return mk_atom(preds[pick(4)], std::move(args));
      }
      case 3:
        return mk_not(formula(d - 1));
      case 4:
        return mk_and(formula(d - 1), formula(d - 1));
      case 5:
        return mk_or(formula(d - 1), formula(d - 1));
      case 6:
        return mk_imp(formula(d - 1), formula(d - 1));
      case 7:
        return mk_iff(formula(d - 1), formula(d - 1));
      case 8:
      case 9:
        return mk_forall(bvs[pick(4)], formula(d - 1));
      default:
        return mk_exists(bvs[pick(4)], formula(d - 1));
    }
  }
};
}  // namespace

TEST(FolSyntax, PrintedFormulasReadBackEqual) {
  Gen g{std::mt19937(12345)};
  for (int i = 0; i < 4000; ++i) {
    Formula f = g.formula(1 + i % 6);
    std::string text = S(f);
    ParseResult r = parse_formula(text);
    ASSERT_TRUE(std::holds_alternative<Formula>(r)) << text;
    // Hash-consing: reading back gives the very same node.
    ASSERT_EQ(std::get<Formula>(r), f) << text << " read back as " << S(std::get<Formula>(r));
  }
}

TEST(FolSyntax, DeepNestingIsRefusedAndFlatChainsRead) {
  int status = support::run_with_big_stack([] {
    std::string deep(support::kMaxNesting, '~');
    EXPECT_TRUE(std::holds_alternative<Formula>(parse_formula(deep + "p")));
    EXPECT_EQ(error_of("~" + deep + "p"), ParseErrorKind::TooDeep);
    std::string parens = std::string(support::kMaxNesting + 1, '(') + "p" +
                         std::string(support::kMaxNesting + 1, ')');
    EXPECT_EQ(error_of(parens), ParseErrorKind::TooDeep);
    std::string fn = "p(";
    for (int i = 0; i <= support::kMaxNesting; ++i) fn += "f(";
    fn += "x" + std::string(support::kMaxNesting + 2, ')');
    EXPECT_EQ(error_of(fn), ParseErrorKind::TooDeep);
    std::string flat = "p0";
    for (int i = 1; i < 100000; ++i) flat += " & p" + std::to_string(i);
    ParseResult r = parse_formula(flat);
    EXPECT_TRUE(std::holds_alternative<Formula>(r));
    if (auto* f = std::get_if<Formula>(&r)) {
      Session ses;
      EXPECT_EQ(size(ses, *f), 2 * 100000 - 1);
      EXPECT_EQ(parse_formula(S(*f)).index(), 0u);
      EXPECT_TRUE(equal_formula(*f, formsubst(ses, Subst().add("x", mk_var("y")), *f)));
    }
    // A chain builds a tree as deep as it is long: far beyond the bound it is
    // refused, or every later walk of the formula would overflow the stack.
    std::string longer = flat;
    for (int i = 0; i < 200000; ++i) longer += " | q";
    EXPECT_EQ(error_of(longer), ParseErrorKind::TooDeep);
    return 0;
  });
  EXPECT_EQ(status, 0);
}

TEST(FolSyntax, DeepFormulasAreFreedWithoutRecursion) {
  // Built and dropped on the test's ordinary stack.
  Formula f = mk_atom("p", {});
  Term t = mk_var("x");
  for (int i = 0; i < 1000000; ++i) {
    f = mk_not(f);
    t = mk_fn("f", {t});
  }
  f = mk_atom("q", {t});
  t = Term();
  BankStats before = bank_stats();
  f = Formula();
  EXPECT_LT(bank_stats().terms + 1000000, before.terms + 1);
}

TEST(FolSyntax, TheBankKeepsOneNodePerTermWhileItGrows) {
  // Nodes are made and dropped while the table grows a piece at a time:
  // each live term must still be found (the same node made again), and
  // each dropped one be gone.
  const std::size_t base = bank_stats().terms;
  std::vector<Term> kept;
  for (int i = 0; i < 300000; ++i) {
    Term t = mk_fn("g", {mk_fn("c" + std::to_string(i), {})});
    if (i % 3 != 0) kept.push_back(t);
  }
  for (std::size_t i = 0; i < kept.size(); i += 2) kept[i] = Term();
  for (int i = 0, k = 0; i < 300000; ++i) {
    if (i % 3 == 0) continue;
    Term again = mk_fn("g", {mk_fn("c" + std::to_string(i), {})});
    if (kept[k]) {
      EXPECT_EQ(again.get(), kept[k].get()) << i;
    }
    ++k;
  }
  kept.clear();
  EXPECT_EQ(bank_stats().terms, base);
}

TEST(FolSyntax, RandomTextNeverBreaksTheReader) {
  // Any text either fails to read or reads to a formula whose printed form
  // reads back to the same formula.
  std::mt19937 rng(7);
  const std::string pieces[] = {"p",       "q(",      "f(",   "x",   "y",  ",",   ")",   "(", "~",
                                "&",       "|",       "->",   "<->", "=>", "/\\", "\\/", ".", " ",
                                "forall ", "exists ", "True", "c()", "-",  "<",   "'",   "_"};
  int read = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    int n = 1 + static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) text += pieces[rng() % std::size(pieces)];
    ParseResult r = parse_formula(text);
    if (auto* f = std::get_if<Formula>(&r)) {
      ++read;
      ParseResult back = parse_formula(S(*f));
      ASSERT_TRUE(std::holds_alternative<Formula>(back)) << text;
      EXPECT_EQ(std::get<Formula>(back), *f) << text;
    }
  }
  EXPECT_GT(read, 100);
}
