// Printed clauses, deferred literals and proof trees.
#include "engine/affichage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "propprover/prop.h"
#include "tests/engine/tcore.h"

namespace {

using engine::Affichage;
using tcore::Capture;
using tcore::Cl;
using tcore::Fixture;
using tcore::TL;
using Tree = engine::ProofTree<TL>;

struct Printing : Fixture {
  Affichage<TL> a{core};
  Capture cap;

  // Files a clause of the given number in the clause table.
  Cl put(int num, std::vector<std::string> pos, std::vector<std::string> neg, double poids,
         engine::OriginePtr<TL> o) {
    Cl c = clause(pos, neg, poids);
    c.num = num;
    c.origine = std::move(o);
    core.clause_table[num] = ref(c);
    return c;
  }
  engine::OriginePtr<TL> none() { return engine::make_origine<TL>(engine::Parentless<TL>{}); }
  engine::OriginePtr<TL> res(int n1, int n2, const std::string& f) {
    return engine::make_origine<TL>(engine::ResOrigine<TL>{n1, none(), n2, none(), lit(f)});
  }
};

TEST(PrintClause, Forms) {
  Printing p;
  Cl c = p.clause({"P"}, {"Q"}, 2.0);
  c.num = 7;
  p.a.print_clause(c);
  EXPECT_EQ(p.cap.text(), "(7)P, ~Q :  #2.");
  Cl s = p.clause({}, {}, 1.0, {3}, {5});
  s.num = 4;
  s.indice = 3.0;
  p.a.print_clause(s);
  EXPECT_EQ(p.cap.text(), "(4)~sp3, sp5 :  #1. %3.");
  Cl all = p.clause({"P"}, {"Q"}, 1.5, {1}, {2});
  all.autres = p.lits({"?m"});
  all.num = -1;
  p.a.print_clause(all);
  EXPECT_EQ(p.cap.text(), "(-1)P, ~Q, ?m, ~sp1, sp2 :  #1.5");
}

TEST(PrintClause, NeverBreaksAndListsEndLines) {
  Printing p;
  std::vector<std::string> many;
  for (int i = 0; i < 30; ++i) many.push_back("Long_atom_" + std::to_string(100 + i));
  Cl c = p.clause(many);
  p.a.print_clause_list({c, p.clause({"A"})});
  std::string out = p.cap.text();
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
  EXPECT_GT(out.find('\n'), 78u);
}

TEST(PrintClause, Decomposables) {
  Printing p;
  p.a.print_dec_list({});
  EXPECT_EQ(p.cap.text(), "\n");
  Cl c = p.clause({"Q"});
  c.num = 3;
  auto r = engine::share(c);
  p.a.print_dec_list({{r, p.lit("P"), false, 9}, {r, p.lit("R"), true, 2}});
  EXPECT_EQ(p.cap.text(),
            "~P\n(3)Q :  #1.\nprovient de la clause 9\n\n"
            "R\n(3)Q :  #1.\nprovient de la clause 2\n\n\n");
}

TEST(PrintClause, PropositionalFormulas) {
  prop::PropLogic logic;
  engine::Core<prop::PropLogic> core(logic);
  Affichage<prop::PropLogic> a(core);
  Capture cap;
  engine::Clause<prop::PropLogic> c;
  c.num = 7;
  c.poids = 2.0;
  c.pos.push_back({prop::atom("p"), {}, 1});
  c.neg.push_back({prop::or_(prop::atom("q"), prop::atom("r")), {}, 2});
  a.print_clause(c);
  EXPECT_EQ(cap.text(), "(7)p, ~(q or r) :  #2.");
}

TEST(ProofTree, SingleParentlessClause) {
  Printing p;
  Cl c = p.put(1, {"P"}, {}, 1.0, p.none());
  p.a.print_proof(engine::make_tree<TL>(Tree::Deferred{c}), p.core.clause_table);
  EXPECT_EQ(p.cap.text(), "\\(1)P :  #1.\n");
}

TEST(ProofTree, TwoChildNodesAndAClauseReachedTwice) {
  Printing p;
  auto o = [&](auto alt) { return engine::make_origine<TL>(alt); };
  p.put(1, {"A"}, {}, 1.0, p.none());
  p.put(2, {"P"}, {}, 1.0, o(engine::DecOrigine<TL>{1, p.none(), p.lit("A"), "+and"}));
  p.put(3, {"Q"}, {"P"}, 1.0, p.none());
  p.put(4, {"Q"}, {}, 2.0, p.res(2, 3, "P"));
  p.put(5, {}, {"Q"}, 2.0, o(engine::SplitOrigine<TL>{4, p.none(), 2}));
  p.put(6, {}, {"Q"}, 2.0, o(engine::ContrOrigine<TL>{5, p.none(), p.lit("Q")}));
  Cl root = p.put(7, {}, {}, 3.0, p.res(4, 6, "Q"));
  p.a.print_proof(engine::make_tree<TL>(Tree::Deferred{root}), p.core.clause_table);
  // The second parent is expanded first, so (4) is a leaf under the root.
  EXPECT_EQ(p.cap.text(),
            "\\(7) :  #3. $res Q\n"
            " \\(4)Q :  #2.\n"
            " \\(6)~Q :  #2. $contr Q\n"
            "  \\(5)~Q :  #2. $split 2 \n"
            "   \\(4)Q :  #2. $res P\n"
            "    \\(2)P :  #1. $dec +and A\n"
            "    |\\(1)A :  #1.\n"
            "    \\(3)Q, ~P :  #1.\n");
}

TEST(ProofTree, MissingParentPrintsNothing) {
  Printing p;
  Cl root = p.put(7, {}, {}, 3.0, p.res(4, 6, "Q"));
  p.put(6, {}, {"Q"}, 1.0, p.none());
  EXPECT_THROW(p.a.print_proof(engine::make_tree<TL>(Tree::Deferred{root}), p.core.clause_table),
               engine::Noprinting);
  EXPECT_EQ(p.cap.text(), "");
}

TEST(ProofTree, LongChainIsLinear) {
  // Each clause derives from the previous one twice over: expanded once each.
  Printing p;
  p.put(1, {"A"}, {}, 1.0, p.none());
  for (int n = 2; n <= 2000; ++n) p.put(n, {"A"}, {}, 1.0, p.res(n - 1, n - 1, "A"));
  std::set<int> shown;
  auto t = p.a.make_proof_tree(*p.core.clause_table.at(2000), p.core.clause_table, shown);
  EXPECT_EQ(shown.size(), 2000u);
  const auto& r = std::get<Tree::Res>(t->v);
  EXPECT_TRUE(std::holds_alternative<Tree::Leaf>(r.t1->v));
}

}  // namespace
