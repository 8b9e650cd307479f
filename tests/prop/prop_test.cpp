#include "propprover/prop.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/printer.h"

namespace {

using namespace prop;

const Formula a = atom("a"), b = atom("b"), c = atom("c"), p = atom("p"), q = atom("q");

std::string names(const std::vector<PropLogic::Rule>& rules) {
  std::string s;
  for (const auto& r : rules) {
    s += r.rule + "[";
    for (std::size_t i = 0; i < r.formulas.size(); ++i) {
      if (i) s += ", ";
      s += to_string(r.formulas[i]);
    }
    s += "]";
    EXPECT_EQ(r.kind, 1);
  }
  return s;
}

TEST(PropRules, TableForBothSigns) {
  PropLogic l;
  Constraints k;
  EXPECT_EQ(names(l.get_rules(k, iff(a, b), true)), "+iffl[a -> b]+iffr[b -> a]");
  EXPECT_EQ(names(l.get_rules(k, iff(a, b), false)), "-iff[~(a -> b), ~(b -> a)]");
  EXPECT_EQ(names(l.get_rules(k, imp(a, b), true)), "+imp[~a, b]");
  EXPECT_EQ(names(l.get_rules(k, imp(a, b), false)), "-impl[a]-impr[~b]");
  EXPECT_EQ(names(l.get_rules(k, or_(a, b), true)), "+or[a, b]");
  EXPECT_EQ(names(l.get_rules(k, or_(a, b), false)), "-orl[~a]-orr[~b]");
  EXPECT_EQ(names(l.get_rules(k, and_(a, b), true)), "+andl[a]+andr[b]");
  EXPECT_EQ(names(l.get_rules(k, and_(a, b), false)), "-and[~a, ~b]");
  for (const Formula& f : {neg(and_(a, b)), a, true_(), false_()}) {
    EXPECT_TRUE(l.get_rules(k, f, true).empty());
    EXPECT_TRUE(l.get_rules(k, f, false).empty());
  }
  // A negated operand is asserted as it stands (a double negation stays).
  EXPECT_EQ(names(l.get_rules(k, imp(neg(a), b), true)), "+imp[~(~a), b]");
  EXPECT_FALSE(l.indice_regle("+imp").has_value());
}

TEST(PropSigns, NegationAndSigns) {
  PropLogic l;
  EXPECT_TRUE(l.negative_formula(false_()));
  EXPECT_FALSE(l.negative_formula(true_()));
  EXPECT_TRUE(l.negative_formula(neg(neg(false_()))));
  EXPECT_TRUE(l.negative_formula(neg(p)));
  EXPECT_FALSE(l.negative_formula(neg(neg(p))));
  EXPECT_FALSE(l.negative_formula(neg(false_())));
  EXPECT_EQ(l.elim_all_neg(neg(neg(false_()))), true_());
  EXPECT_EQ(l.elim_all_neg(neg(p)), p);
  EXPECT_EQ(l.elim_all_neg(neg(neg(and_(p, q)))), and_(p, q));
  EXPECT_EQ(l.negate_formula(neg(p)), neg(neg(p)));
  EXPECT_EQ(l.negate_formula(true_()), false_());
  EXPECT_EQ(l.negate_formula(false_()), true_());
  EXPECT_TRUE(l.is_true(true_()));
  EXPECT_FALSE(l.is_true(false_()));
  EXPECT_TRUE(is_false(false_()));
  EXPECT_EQ(l.size(and_(p, neg(q))), 4);
}

TEST(PropPrint, BracketsAndAssociativity) {
  EXPECT_EQ(to_string(and_(or_(a, b), c)), "(a or b) & c");
  EXPECT_EQ(to_string(or_(a, and_(b, c))), "a or b & c");
  EXPECT_EQ(to_string(neg(and_(a, b))), "~(a & b)");
  EXPECT_EQ(to_string(neg(neg(a))), "~(~a)");
  EXPECT_EQ(to_string(imp(a, imp(b, c))), "a -> b -> c");
  EXPECT_EQ(to_string(imp(imp(a, b), c)), "(a -> b) -> c");
  EXPECT_EQ(to_string(iff(iff(a, b), iff(a, c))), "(a <-> b) <-> a <-> c");
  EXPECT_EQ(to_string(and_(neg(a), or_(true_(), false_()))), "~a & (True or False)");
  EXPECT_EQ(to_string(imp(neg(true_()), iff(a, b))), "~True -> (a <-> b)");

  // print_formula writes the same text through the shared printer.
  std::ostringstream os;
  support::pp().set_output(&os);
  PropLogic().print_formula(or_(imp(a, b), neg(c)));
  support::pp().print_flush();
  support::pp().set_output(&std::cout);
  EXPECT_EQ(os.str(), "(a -> b) or ~c");
}

TEST(PropEquality, UnifHeadAndOrder) {
  PropLogic l;
  engine::ConstraintArg<Constraints> two = engine::TwoConstraints<Constraints>{};
  auto u = l.unif(two, imp(p, q), imp(p, q));
  ASSERT_TRUE(u.has_value());
  EXPECT_EQ(u->unified, imp(p, q));
  EXPECT_EQ(u->outcome.index(), 2u);
  EXPECT_EQ(u->depth, 0);
  EXPECT_TRUE(u->extra.empty());
  EXPECT_FALSE(l.unif(two, p, q).has_value());

  EXPECT_EQ(l.head_symbol(and_(p, q)), l.head_symbol(and_(neg(q), imp(p, p))));
  EXPECT_EQ(to_string(l.head_symbol(neg(p))), "~head_symb");
  EXPECT_EQ(l.head_symbol(p), p);
  EXPECT_FALSE(l.head_symbol(p) == l.head_symbol(q));

  // True < False < Iff < Imp < Or < And < Not < Atom.
  std::vector<Formula> order = {true_(),   false_(),   iff(p, q), imp(p, q),
                                or_(p, q), and_(p, q), neg(p),    p};
  for (std::size_t i = 0; i < order.size(); ++i)
    for (std::size_t j = 0; j < order.size(); ++j)
      EXPECT_EQ(l.compare_structural(order[i], order[j]), i < j ? -1 : (i > j ? 1 : 0));
  EXPECT_EQ(l.compare_structural(atom("ab"), atom("b")), -1);
  EXPECT_EQ(l.compare_structural(atom("ab"), atom("a")), 1);
  EXPECT_EQ(l.compare_structural(atom("\xe9"), atom("z")), 1);  // bytes are unsigned
  EXPECT_EQ(l.compare_structural(imp(p, q), imp(q, p)), -1);
  EXPECT_EQ(l.compare_structural(imp(p, q), imp(p, p)), 1);

  // Built twice, a formula is the same value with the same hash.
  Formula f1 = iff(neg(atom("x")), and_(atom("y"), false_()));
  Formula f2 = iff(neg(atom("x")), and_(atom("y"), false_()));
  EXPECT_TRUE(l.equal_formula(f1, f2));
  EXPECT_EQ(l.hashed_hash(f1, true), l.hashed_hash(f2, true));
  EXPECT_TRUE(l.hashed_equal(f1, true, f2, true));
  EXPECT_FALSE(l.hashed_equal(f1, true, f2, false));
  EXPECT_EQ(Formula(), true_());
}

TEST(PropDepth, DeepFormulasBuildWithoutRecursion) {
  Formula f = p;
  for (int i = 0; i < 200000; ++i) f = neg(f);
  PropLogic l;
  EXPECT_FALSE(l.negative_formula(f));
  EXPECT_EQ(l.elim_all_neg(f), p);
  EXPECT_EQ(f.size(), 200001);
}

}  // namespace
