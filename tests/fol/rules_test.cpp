#include <gtest/gtest.h>

#include "test_util.h"

using namespace fol;
using foltest::P;
using foltest::S;
using foltest::T;

namespace {
int counter_of(const std::string& name, const std::string& prefix) {
  EXPECT_EQ(name.rfind(prefix, 0), 0u) << name;
  return std::stoi(name.substr(prefix.size()));
}
std::vector<std::string> texts(const FolRule& r) {
  std::vector<std::string> out;
  for (const KFormula& k : r.formulas) out.push_back(S(k.f));
  return out;
}
}  // namespace

TEST(FolSize, SizesAndSigns) {
  Session ses;
  EXPECT_EQ(size(ses, mk_true()), 1);
  EXPECT_EQ(size(ses, P("P(f(x), y)")), 4);
  EXPECT_EQ(size(ses, P("forall x. P(x)")), 3);
  EXPECT_EQ(size(ses, P("p & ~q")), 4);
  set_evar_val(ses, {{"1", T("f(a)")}});
  EXPECT_EQ(size(ses, mk_atom("p", {mk_evar("1", "e")})), 3);
  EXPECT_EQ(size(ses, mk_atom("p", {mk_evar("2", "e")})), 2);

  EXPECT_TRUE(negative_formula(P("~~~P")));
  EXPECT_FALSE(negative_formula(P("~~P")));
  EXPECT_TRUE(negative_formula(P("False")));
  EXPECT_FALSE(negative_formula(P("~False")));
  EXPECT_TRUE(negative_formula(P("~~False")));
  EXPECT_FALSE(negative_formula(P("True")));
  EXPECT_TRUE(negative_formula(P("~True")));
  EXPECT_EQ(elim_all_neg(P("~~~False")), mk_true());
  EXPECT_EQ(elim_all_neg(P("False")), mk_true());
  EXPECT_EQ(elim_all_neg(P("~~~(p & q)")), P("p & q"));
  EXPECT_EQ(negate_formula(P("False")), mk_true());
  EXPECT_EQ(negate_formula(P("True")), mk_false());
  EXPECT_EQ(negate_formula(P("~P")), P("~~P"));
  EXPECT_TRUE(is_true(P("True")));
  EXPECT_FALSE(is_true(P("~False")));
}

TEST(FolRenaming, FreshNamesInOrderOfFirstMeeting) {
  Session ses;
  Renaming r = get_renaming_formula(ses, Renaming(), P("forall x. P(x, y, y)"));
  ASSERT_EQ(r.dom(), Names{"y"});
  int n = counter_of(r.find("y")->name(), "var");
  r = get_renaming_formula(ses, Renaming(), P("p(b, f(a, b), c) & exists c. q(c, d)"));
  EXPECT_EQ(counter_of(r.find("b")->name(), "var"), n + 1);
  EXPECT_EQ(counter_of(r.find("a")->name(), "var"), n + 2);
  EXPECT_EQ(counter_of(r.find("c")->name(), "var"), n + 3);
  EXPECT_EQ(counter_of(r.find("d")->name(), "var"), n + 4);
  // Extending a renaming keeps what it maps, and leaves the one extended
  // as it was, whichever of the two is extended next.
  Renaming r2 = get_renaming_formula(ses, r, P("p(a, e)"));
  EXPECT_EQ(r2.find("a"), r.find("a"));
  EXPECT_EQ(counter_of(r2.find("e")->name(), "var"), n + 5);
  EXPECT_FALSE(r.find("e"));
  Renaming r3 = get_renaming_formula(ses, r, P("p(g)"));
  EXPECT_EQ(counter_of(r3.find("g")->name(), "var"), n + 6);
  EXPECT_FALSE(r3.find("e"));
  EXPECT_EQ(counter_of(r2.find("e")->name(), "var"), n + 5);
  // The same past the few entries a lookup scans: the index serves each
  // copy with its own entries only.
  std::string xs = "x0";
  for (int i = 1; i < 40; ++i) xs += ",x" + std::to_string(i);
  const Renaming big = get_renaming_formula(ses, Renaming(), P("p(" + xs + ")"));
  const Renaming b1 = get_renaming_formula(ses, big, P("q(u)"));
  const Renaming b2 = get_renaming_formula(ses, big, P("q(w)"));
  const Term u = mk_var("u"), w = mk_var("w"), x39 = mk_var("x39");
  EXPECT_TRUE(b1.defined(u.get()) && b2.defined(w.get()) && big.defined(x39.get()));
  EXPECT_FALSE(b1.defined(w.get()) || b2.defined(u.get()) || big.defined(u.get()));
  EXPECT_EQ(b1.find(x39.get()), b2.find(x39.get()));

  Term c = mk_cst("c", {});
  Renaming v;
  v.add(mk_var("x"), mk_var("v"));
  EXPECT_EQ(rename_formula(ses, v, mk_atom("P", {c, mk_var("x")})), mk_atom("P", {c, mk_var("v")}));
  EXPECT_EQ(rename_formula(ses, v, P("p(x) & forall x. q(x)")), P("p(v) & forall x. q(x)"));
  EXPECT_THROW(get_renaming_formula(ses, Renaming(), mk_atom("p", {mk_bvar("b")})),
               engine::InternalError);
}

TEST(FolRenaming, VariableSets) {
  Subst c = vars_to_constants({"x", "y"});
  EXPECT_EQ(*c.find("x"), mk_fn("x_cst", {}));
  EXPECT_EQ(*c.find("y"), mk_fn("y_cst", {}));
  EXPECT_FALSE(is_empty_inter_varset({"x", "y"}, {"y"}));
  EXPECT_TRUE(is_empty_inter_varset({"x", "y"}, {"z"}));
  EXPECT_EQ(union_varset({"y", "x"}, {"x"}), (Names{"x", "y"}));
}

TEST(FolRules, Connectives) {
  Session ses;
  Constraints none;
  auto rules = [&](const std::string& f, bool sign) {
    return get_rules(ses, none, {P(f), 5}, sign);
  };
  EXPECT_TRUE(rules("p(x)", true).empty());
  EXPECT_TRUE(rules("~p", false).empty());
  EXPECT_TRUE(rules("True", true).empty());
  EXPECT_TRUE(rules("False", false).empty());
  auto r = rules("p & q", true);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].rule, "+and");
  EXPECT_EQ(texts(r[0]), (std::vector<std::string>{"p"}));
  EXPECT_EQ(texts(r[1]), (std::vector<std::string>{"q"}));
  EXPECT_EQ(r[0].formulas[0].key, 5);
  EXPECT_EQ(r[0].kind, 1);
  r = rules("p & q", false);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].rule, "-and");
  EXPECT_EQ(texts(r[0]), (std::vector<std::string>{"~p", "~q"}));
  r = rules("p | q", true);
  EXPECT_EQ(r[0].rule, "or");
  EXPECT_EQ(texts(r[0]), (std::vector<std::string>{"p", "q"}));
  r = rules("p | q", false);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[1].rule, "-or");
  EXPECT_EQ(texts(r[1]), (std::vector<std::string>{"~q"}));
  r = rules("p -> q", true);
  EXPECT_EQ(r[0].rule, "+imp");
  EXPECT_EQ(texts(r[0]), (std::vector<std::string>{"~p", "q"}));
  r = rules("p -> q", false);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(texts(r[0]), (std::vector<std::string>{"p"}));
  EXPECT_EQ(texts(r[1]), (std::vector<std::string>{"~q"}));
  r = rules("p <-> q", true);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].rule, "+iffl");
  EXPECT_EQ(r[1].rule, "+iffr");
  EXPECT_EQ(texts(r[1]), (std::vector<std::string>{"q -> p"}));
  r = rules("p <-> q", false);
  EXPECT_EQ(r[0].rule, "-iff");
  EXPECT_EQ(texts(r[0]), (std::vector<std::string>{"~(p -> q)", "~(q -> p)"}));
  EXPECT_FALSE(indice_regle("+and"));
}

TEST(FolRules, SkolemTermsAcrossAttempts) {
  Session ses;
  Constraints none;
  auto r1 = get_rules(ses, none, {P("exists x. p(x)"), 0}, true);
  ASSERT_EQ(r1.size(), 1u);
  EXPECT_EQ(r1[0].rule, "-fa");
  EXPECT_EQ(r1[0].kind, 3);
  const Term& s1 = r1[0].formulas[0].f->args()[0];
  int n = counter_of(s1->name(), "x_cst_");
  EXPECT_TRUE(s1->args().empty());
  EXPECT_EQ(S(r1[0].formulas[0].f), "p(" + s1->name() + "())");
  // A negative universal: the Skolem term takes the free variables, in order.
  auto r2 = get_rules(ses, none, {P("forall x. P(x, y, b)"), 0}, false);
  EXPECT_EQ(texts(r2[0]),
            (std::vector<std::string>{"~P(x_cst_" + std::to_string(n + 1) + "(b,y),y,b)"}));
  auto r3 = get_rules(ses, none, {P("exists x. p(x)"), 0}, true);
  EXPECT_EQ(r3[0].formulas[0].f->args()[0]->name(), "x_cst_" + std::to_string(n + 2));
}

TEST(FolRules, InstancesFromTheTable) {
  Session ses;
  Constraints none;
  auto r = get_rules(ses, none, {P("forall x. p(x)"), 1}, true);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].rule, "+fa");
  EXPECT_EQ(r[0].kind, 3);
  EXPECT_EQ(texts(r[0]), (std::vector<std::string>{"p(x)"}));

  Constraints c{{TableEntry{2, {{InstanceItem{"x", T("a()")}}}},
                 TableEntry{1,
                            {{InstanceItem{"y", T("d()")}, InstanceItem{"x", T("b()")}, KeyItem{3}},
                             {InstanceItem{"x", T("f(z)")}}}},
                 TableEntry{1, {{InstanceItem{"x", T("e()")}}}}},
                {}};
  r = get_rules(ses, c, {P("forall x. p(x)"), 1}, true);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(texts(r[1]), (std::vector<std::string>{"p(b())"}));
  EXPECT_EQ(texts(r[2]), (std::vector<std::string>{"p(f(z))"}));
  EXPECT_EQ(r[1].kind, 0);
  EXPECT_EQ(r[2].constraints.table.size(), 3u);
  r = get_rules(ses, c, {P("exists x. p(x)"), 1}, false);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(texts(r[0]), (std::vector<std::string>{"~p(x)"}));
  EXPECT_EQ(texts(r[1]), (std::vector<std::string>{"~p(b())"}));
  EXPECT_EQ(r[1].kind, 3);

  // The reduced variant never makes hint instances, constants or existentials.
  std::size_t made = bank_stats().cst_evar_made;
  FolBatchLogic batch;
  auto b = batch.get_rules(0, P("forall x. p(x)"), true);
  EXPECT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].constraints, 0);
  EXPECT_EQ(bank_stats().cst_evar_made, made);
}

TEST(FolEquality, UpToBoundNames) {
  EXPECT_TRUE(equal_formula(P("forall x. P(x)"), P("forall y. P(y)")));
  EXPECT_FALSE(equal_formula(P("forall x. P(x)"), P("exists x. P(x)")));
  EXPECT_FALSE(equal_formula(P("P(x)"), P("P(y)")));
  EXPECT_FALSE(equal_formula(P("p & q"), P("q & p")));
  // A bound name never captures a free one.
  EXPECT_FALSE(equal_formula(P("forall x. p(x, x)"), P("forall y. p(y, x)")));
  EXPECT_FALSE(equal_formula(P("forall y. p(y, x)"), P("forall x. p(x, x)")));
  EXPECT_TRUE(equal_formula(P("forall x. forall y. p(x, y)"), P("forall y. forall x. p(y, x)")));
  EXPECT_FALSE(equal_formula(P("forall x. forall y. p(x, y)"), P("forall y. forall x. p(x, y)")));
  EXPECT_TRUE(
      equal_formula(P("forall x. p(x) & exists x. q(x)"), P("forall z. p(z) & exists w. q(w)")));
  EXPECT_TRUE(equal_formula(P("forall x. forall x. p(x)"), P("forall y. forall z. p(z)")));
  EXPECT_FALSE(equal_formula(P("forall x. forall x. p(x)"), P("forall y. forall z. p(y)")));
  EXPECT_FALSE(equal_formula(P("forall x. q(f(x), z)"), P("forall y. q(f(y), y)")));
  FolLogic L;
  EXPECT_TRUE(L.equal_formula({P("p"), 1}, {P("p"), 2}));
  EXPECT_FALSE(L.hashed_equal({P("P(x)"), 0}, true, {P("P(x)"), 0}, false));
  EXPECT_TRUE(L.hashed_equal({P("forall x. P(x)"), 0}, true, {P("forall y. P(y)"), 3}, true));
  EXPECT_EQ(L.hashed_hash({P("forall x. P(x)"), 0}, true),
            L.hashed_hash({P("forall y. P(y)"), 3}, true));
  EXPECT_EQ(L.compare_structural({P("p"), 1}, {P("p"), 2}), -1);
}

TEST(FolEquality, HeadSymbols) {
  Formula H = mk_atom("head_symb", {});
  EXPECT_EQ(head_symbol(P("P(f(x), a)")), P("P"));
  EXPECT_EQ(head_symbol(P("~P(x)")), mk_not(H));
  EXPECT_EQ(head_symbol(P("~q")), mk_not(H));
  EXPECT_EQ(head_symbol(P("True")), mk_true());
  EXPECT_EQ(head_symbol(P("a -> b")), mk_imp(H, H));
  EXPECT_EQ(head_symbol(P("exists y. q(y)")), mk_exists("varhs", H));
  FolLogic L;
  EXPECT_EQ(L.head_symbol({P("p(x)"), 7}).key, 0);
}

TEST(FolOrder, StructuralOrder) {
  // False < True < Atom < Not < And < Or < Imp < Iff < Forall < Exists.
  std::vector<Formula> ordered{P("False"),       P("True"),       P("a"),      P("~a"),
                               P("a & a"),       P("a | a"),      P("a -> a"), P("a <-> a"),
                               P("forall x. a"), P("exists x. a")};
  for (std::size_t i = 0; i < ordered.size(); ++i)
    for (std::size_t j = 0; j < ordered.size(); ++j)
      EXPECT_EQ(compare(ordered[i], ordered[j]), i < j ? -1 : i > j ? 1 : 0) << i << " " << j;
  // Var < Fn < Bvar < Cst < Evar; names byte by byte; shorter argument lists first.
  std::vector<Term> terms{mk_var("z"), mk_fn("a", {}), mk_bvar("a"), mk_cst("a", {}),
                          mk_evar("0", "a")};
  for (std::size_t i = 0; i + 1 < terms.size(); ++i) EXPECT_EQ(compare(terms[i], terms[i + 1]), -1);
  EXPECT_EQ(compare(mk_var("var10"), mk_var("var2")), -1);
  EXPECT_EQ(compare(mk_var("x"), mk_var("x'")), -1);
  EXPECT_EQ(compare(P("p(a)"), P("p(a, a)")), -1);
  EXPECT_EQ(compare(P("p(b)"), P("p(a, a)")), 1);
  EXPECT_EQ(compare(P("forall x. b"), P("forall y. a")), -1);
}

// Each logic instance owns its counters and its existential values: two
// instances in one process advance and store independently.
TEST(FolSession, TwoInstancesShareNothing) {
  FolLogic a, b;
  auto skolem = [](FolLogic& l) {
    return l.get_rules({}, {P("exists x. p(x)"), 0}, true)[0].formulas[0].f->args()[0]->name();
  };
  auto fresh = [](FolLogic& l) {
    return l.get_renaming_formula({}, {P("p(y)"), 0}).find("y")->name();
  };
  EXPECT_EQ(skolem(a), "x_cst_1");
  EXPECT_EQ(skolem(a), "x_cst_2");
  EXPECT_EQ(skolem(b), "x_cst_1");  // b's counter has not moved
  EXPECT_EQ(fresh(a), "var1");
  EXPECT_EQ(fresh(a), "var2");
  EXPECT_EQ(fresh(b), "var1");
  b.skip_fresh_names(5);
  EXPECT_EQ(fresh(b), "var7");
  EXPECT_EQ(fresh(a), "var3");
  EXPECT_EQ(a.count_fresh_names({{P("q(u, v)"), 0}}), 2);
  EXPECT_EQ(fresh(a), "var4");  // counting took no name

  // A value stored in a is not seen by b.
  const Term e = mk_evar("1", "e");
  add_evar_val(a.session(), "1", T("c()"));
  EXPECT_EQ(S(a.session(), mk_atom("p", {e})), "p(c())");
  EXPECT_EQ(S(b.session(), mk_atom("p", {e})), "p(e?)");
  EXPECT_EQ(evar_value(b.session(), "1"), nullptr);
  add_evar_val(b.session(), "1", T("d()"));
  EXPECT_EQ(*evar_value(a.session(), "1"), T("c()"));
  EXPECT_EQ(*evar_value(b.session(), "1"), T("d()"));
  EXPECT_EQ(a.size({mk_atom("p", {e}), 0}), 2);
  EXPECT_EQ(give_evar_val(a.session()).size(), 1u);
  EXPECT_EQ(give_evar_val(b.session()).size(), 1u);
}
