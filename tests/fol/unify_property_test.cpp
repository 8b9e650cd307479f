// Generated-case checks of unification, of instances kept pending and of the
// engine's subsumption test on first-order clauses: every found unifier
// equates both sides and is solved, every pair with a common instance
// unifies with a most general unifier, a pending instance answers as its
// built formula, and subsumption agrees with a separate matcher. Fixed
// seeds: the same cases on every run.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/majlistes.h"
#include "test_util.h"

using namespace fol;
using foltest::S;

namespace {

// Small signature so that random sides often share symbols and variables.
struct Gen {
  std::mt19937 rng;
  explicit Gen(std::uint32_t seed) : rng(seed) {}

  int pick(int n) { return static_cast<int>(rng() % static_cast<std::uint32_t>(n)); }
  bool coin(int percent) { return pick(100) < percent; }

  Term var(const std::vector<std::string>& vars) { return mk_var(vars[pick(int(vars.size()))]); }

  // A term over a(), b(), f/1, g/1, h/2 and the given variables.
  Term term(int depth, const std::vector<std::string>& vars) {
    int k = depth <= 0 ? pick(2) : pick(6);
    if (k == 0 && !vars.empty()) return var(vars);
    switch (k) {
      case 0:
      case 1:
        return mk_fn(pick(2) ? "a" : "b", {});
      case 2:
        return mk_fn("f", {term(depth - 1, vars)});
      case 3:
        return mk_fn("g", {term(depth - 1, vars)});
      case 4:
        return mk_fn("h", {term(depth - 1, vars), term(depth - 1, vars)});
      default:
        return vars.empty() ? mk_fn("a", {}) : var(vars);
    }
  }
  Term ground(int depth) { return term(depth, {}); }

  // p/2, q/1 or r/0.
  Formula atom(int depth, const std::vector<std::string>& vars) {
    switch (pick(5)) {
      case 0:
        return mk_atom("q", {term(depth, vars)});
      case 1:
        return mk_atom("r", {});
      default:
        return mk_atom("p", {term(depth, vars), term(depth, vars)});
    }
  }

  // The same atom shape as `a` with fresh arguments (most random pairs of
  // different predicates fail at once and test nothing).
  Formula same_shape(const Formula& a, int depth, const std::vector<std::string>& vars) {
    std::vector<Term> args;
    for (std::size_t i = 0; i < a->args().size(); ++i) args.push_back(term(depth, vars));
    return mk_atom(a->name(), args);
  }

  // A formula with connectives and quantifiers over atoms.
  Formula formula(int depth, const std::vector<std::string>& vars) {
    if (depth <= 0) return atom(1, vars);
    switch (pick(6)) {
      case 0:
        return mk_not(formula(depth - 1, vars));
      case 1:
        return mk_and(formula(depth - 1, vars), formula(depth - 1, vars));
      case 2:
        return mk_imp(formula(depth - 1, vars), formula(depth - 1, vars));
      case 3: {
        std::string x = vars[pick(int(vars.size()))];
        return pick(2) ? mk_forall(x, formula(depth - 1, vars))
                       : mk_exists(x, formula(depth - 1, vars));
      }
      default:
        return atom(1, vars);
    }
  }

  // A term t with theta(t) = g: some subterms of the ground term g are
  // replaced by variables, each bound in theta to the subterm it hides
  // (a variable already bound is used only where its value stands).
  Term generalise(const Term& g, const std::vector<std::string>& vars,
                  std::map<std::string, Term>& theta) {
    if (coin(35)) {
      const std::string& x = vars[pick(int(vars.size()))];
      auto it = theta.find(x);
      if (it == theta.end()) {
        theta.emplace(x, g);
        return mk_var(x);
      }
      if (it->second == g) return mk_var(x);
    }
    std::vector<Term> args;
    for (const Term& a : g->args()) args.push_back(generalise(a, vars, theta));
    return mk_fn(g->name(), args);
  }
};

const std::vector<std::string> kVars = {"x", "y", "z", "w"};

Subst to_subst(const std::map<std::string, Term>& m) {
  Subst s;
  for (const auto& [k, v] : m) s = s.add(k, v);
  return s;
}

engine::ConstraintArg<int> no_constraint() { return engine::NoConstraint<int>{}; }

// The unifier of a and b through the batch logic's `unif`, checked for what
// every successful result must satisfy.
std::optional<Subst> checked_unif(FolBatchLogic& l, const Formula& a, const Formula& b) {
  auto r = l.unif(no_constraint(), a, b);
  if (!r) return std::nullopt;
  const Session& ses = l.session();
  const Subst& s = r->subst;
  Formula sa = formsubst(ses, s, a), sb = formsubst(ses, s, b);
  EXPECT_TRUE(equal_formula(sa, sb)) << S(a) << " / " << S(b) << ": " << S(sa) << " vs " << S(sb);
  if (a->kind() == FormKind::Atom) {
    EXPECT_EQ(sa, sb) << S(a) << " / " << S(b);
  }
  EXPECT_EQ(formsubst(ses, s, sa), sa) << "not idempotent on " << S(a) << " / " << S(b);
  // Solved form: no bound variable occurs in any value.
  for (const auto& [x, t] : s.funset()) {
    EXPECT_EQ(termsubst(ses, s, t), t)
        << x << " -> " << to_string(ses, t) << " for " << S(a) << " / " << S(b);
    EXPECT_FALSE(t->has_bvar()) << S(a) << " / " << S(b);
  }
  EXPECT_EQ(r->unified, sa);
  EXPECT_TRUE(r->extra.empty());
  EXPECT_TRUE(std::holds_alternative<engine::NoConstraint<int>>(r->outcome));
  return s;
}

TEST(UnifyProperty, FoundUnifiersEquateBothSidesAndAreIdempotent) {
  FolBatchLogic l;
  Gen g(20261209);
  int found = 0;
  for (int i = 0; i < 4000; ++i) {
    Formula a = g.atom(3, kVars);
    Formula b = g.coin(85) ? g.same_shape(a, 3, kVars) : g.atom(3, kVars);
    if (checked_unif(l, a, b)) ++found;
    if (::testing::Test::HasFailure()) return;
  }
  EXPECT_GT(found, 400);
}

// Two atoms with a known common ground instance theta must unify, and the
// unifier must be most general: theta factors through it.
TEST(UnifyProperty, CommonInstancesUnifyWithAMostGeneralUnifier) {
  Session ses;
  FolBatchLogic l;
  Gen g(77);
  for (int i = 0; i < 4000; ++i) {
    std::map<std::string, Term> theta;
    std::vector<Term> la, lb;
    int n = 1 + g.pick(3);
    for (int k = 0; k < n; ++k) {
      Term t = g.ground(3);
      la.push_back(g.generalise(t, kVars, theta));
      lb.push_back(g.generalise(t, kVars, theta));
    }
    Formula a = mk_atom("p", la), b = mk_atom("p", lb);
    std::optional<Subst> s = checked_unif(l, a, b);
    ASSERT_TRUE(s) << S(a) << " / " << S(b) << " have a common instance";
    Subst th = to_subst(theta);
    for (const std::string& x : kVars) {
      Term v = mk_var(x);
      EXPECT_EQ(termsubst(ses, th, termsubst(ses, *s, v)), termsubst(ses, th, v))
          << x << " in " << S(a) << " / " << S(b);
    }
    if (::testing::Test::HasFailure()) return;
  }
}

// A formula against an instance of itself whose substitution mentions only
// other variables: the unifier exists and maps the first onto the second.
TEST(UnifyProperty, InstancesOfFormulasUnify) {
  Session ses;
  FolBatchLogic l;
  Gen g(4242);
  const std::vector<std::string> other = {"u", "v"};
  for (int i = 0; i < 3000; ++i) {
    Formula a = g.formula(3, kVars);
    std::map<std::string, Term> sigma;
    for (const std::string& x : kVars)
      if (g.coin(70)) sigma.emplace(x, g.term(2, other));
    Formula b = formsubst(ses, to_subst(sigma), a);
    std::optional<Subst> s = checked_unif(l, a, b);
    ASSERT_TRUE(s) << S(a) << " / " << S(b);
    EXPECT_TRUE(equal_formula(formsubst(ses, *s, a), b)) << S(a) << " / " << S(b);
    if (::testing::Test::HasFailure()) return;
  }
}

// A formula unifies with itself and with its bound-name variants, binding
// nothing.
TEST(UnifyProperty, AlphaVariantsUnifyBindingNothing) {
  Session ses;
  FolBatchLogic l;
  Gen g(9);
  for (int i = 0; i < 2000; ++i) {
    Formula body = g.formula(2, kVars);
    Formula a = g.coin(50) ? mk_forall("x", body) : mk_exists("x", body);
    Formula b = mk_quant(a->kind(), "x1", formsubst(ses, Subst().add("x", mk_var("x1")), body));
    ASSERT_TRUE(equal_formula(a, b)) << S(a) << " / " << S(b);
    for (const Formula& other : {a, b}) {
      std::optional<Subst> s = checked_unif(l, a, other);
      ASSERT_TRUE(s) << S(a) << " / " << S(other);
      EXPECT_TRUE(s->empty()) << S(a) << " / " << S(other);
    }
    if (::testing::Test::HasFailure()) return;
  }
}

// The full logic's `unif` with empty constraints finds the same unifiers, and
// keeps the first formula's key.
TEST(UnifyProperty, FullLogicAgreesWithTheBatchLogic) {
  FolBatchLogic batch;
  FolLogic full;
  Gen g(31337);
  for (int i = 0; i < 2000; ++i) {
    Formula a = g.atom(3, kVars);
    Formula b = g.same_shape(a, 3, kVars);
    auto rb = batch.unif(no_constraint(), a, b);
    for (const FolConstraintArg& c :
         {FolConstraintArg{engine::NoConstraint<Constraints>{}},
          FolConstraintArg{engine::TwoConstraints<Constraints>{{}, {}}}}) {
      auto rf = full.unif(c, KFormula{a, 3}, KFormula{b, 5});
      ASSERT_EQ(bool(rb), bool(rf)) << S(a) << " / " << S(b);
      if (!rf) continue;
      EXPECT_EQ(rf->subst.funset(), rb->subst.funset()) << S(a) << " / " << S(b);
      EXPECT_EQ(rf->unified.f, rb->unified);
      EXPECT_EQ(rf->unified.key, 3);
      EXPECT_EQ(rf->depth, rb->depth);
      EXPECT_EQ(rf->outcome.index(), c.index());
    }
    if (::testing::Test::HasFailure()) return;
  }
}

// Terms with existential variables (never bound; they unify through their
// stored values) and named constants with dependencies: whatever the full
// logic's `unif` finds still equates both sides and is solved. Stored values
// are ground but may mention other existential variables (without cycles, as
// the assistant stores them); a value mentioning a variable is checked below.
Term evar_term(Gen& g, int depth, const std::vector<Term>& evars,
               const std::vector<std::string>& vars) {
  int k = g.pick(10);
  if (k < 3) return evars[g.pick(int(evars.size()))];
  if (k == 3) return mk_cst("k", {evars[g.pick(int(evars.size()))]});
  if (depth <= 0 || k < 6) return g.term(0, vars);
  if (k < 8) return mk_fn("f", {evar_term(g, depth - 1, evars, vars)});
  return mk_fn("h", {evar_term(g, depth - 1, evars, vars), evar_term(g, depth - 1, evars, vars)});
}

FolConstraintArg no_constraints() { return engine::NoConstraint<Constraints>{}; }

TEST(UnifyProperty, ExistentialVariablesKeepUnifiersSound) {
  FolLogic l;
  Gen g(606);
  const std::vector<Term> evars = {mk_evar("1", "e"), mk_evar("2", "d"), mk_evar("3", "c")};
  int found = 0;
  for (int i = 0; i < 6000; ++i) {
    // e3 may hold a value mentioning e1 or e2; e2 one mentioning e1; e1 none.
    EvarVals vals;
    if (g.coin(60)) vals.emplace_back("3", evar_term(g, 2, {evars[0], evars[1]}, {}));
    if (g.coin(60)) vals.emplace_back("2", evar_term(g, 2, {evars[0]}, {}));
    if (g.coin(30)) vals.emplace_back("1", g.ground(1));
    set_evar_val(l.session(), vals);
    std::vector<Term> la, lb;
    for (int k = 1 + g.pick(2); k > 0; --k) {
      la.push_back(evar_term(g, 2, evars, kVars));
      lb.push_back(evar_term(g, 2, evars, kVars));
    }
    Formula a = mk_atom("p", la), b = mk_atom("p", lb);
    auto r = l.unif(no_constraints(), KFormula{a, 1}, KFormula{b, 2});
    if (!r) continue;
    ++found;
    const Session& ses = l.session();
    const Subst& s = r->subst;
    Formula sa = formsubst(ses, s, a), sb = formsubst(ses, s, b);
    ASSERT_EQ(sa, sb) << S(a) << " / " << S(b) << ": " << S(sa) << " vs " << S(sb);
    ASSERT_EQ(formsubst(ses, s, sa), sa) << "not idempotent on " << S(a) << " / " << S(b);
    ASSERT_EQ(r->unified.f, sa);
    // Existential variables are never bound.
    for (const auto& [x, t] : s.funset()) ASSERT_TRUE(x == "x" || x == "y" || x == "z" || x == "w");
  }
  EXPECT_GT(found, 500);
}

// With ?e holding f(y), y = ?e is y = f(y): no unifier. Binding y to ?e
// anyway would leave the cycle y -> ?e -> f(y) in the unifier, and the next
// equation that walks it, z = y here, would never end.
TEST(UnifyProperty, StoredValueMentioningAVariableIsNoCycle) {
  FolLogic l;
  Term e = mk_evar("1", "e"), y = mk_var("y"), z = mk_var("z");
  add_evar_val(l.session(), "1", mk_fn("f", {y}));
  EXPECT_FALSE(
      l.unif(no_constraints(), KFormula{mk_atom("p", {y}), 0}, KFormula{mk_atom("p", {e}), 0}));
  EXPECT_FALSE(l.unif(no_constraints(), KFormula{mk_atom("p", {y, z}), 0},
                      KFormula{mk_atom("p", {e, y}), 0}));
  EXPECT_FALSE(l.unif(no_constraints(), KFormula{mk_atom("p", {y, y}), 0},
                      KFormula{mk_atom("p", {e, z}), 0}));
}

// ---- Instances kept pending ----

// The batch logic keeps a ground instance of a large formula as the pair
// (formula, substitution). Every member must answer for the pair what it
// answers for the built instance: random bodies, padded past the size from
// which instances wait, under random ground substitutions, against a logic
// given the same formulas built.
TEST(PendingInstanceProperty, EveryMemberAnswersAsOnTheBuiltFormula) {
  const Session none;
  Gen g(1789);
  auto pending = [&](Formula& built) {
    // Connectives and quantifiers over a large part: the pair is taken
    // apart several times before its parts are small enough to be built.
    Formula f = g.formula(3, kVars);
    for (int wraps = 0; f->structural_size() < 64 || wraps < 8; ++wraps) {
      Formula small = g.formula(2, kVars);
      switch (g.pick(6)) {
        case 0:
          f = mk_forall(kVars[g.pick(4)], f);
          break;
        case 1:
          f = mk_exists(kVars[g.pick(4)], f);
          break;
        case 2:
          f = g.coin(50) ? mk_and(small, f) : mk_or(f, small);
          break;
        case 3:
          f = g.coin(50) ? mk_imp(small, f) : mk_iff(f, small);
          break;
        case 4:
          f = mk_not(f);
          break;
        default:
          f = mk_and(f, g.formula(3, kVars));
      }
    }
    Subst s;
    for (const std::string& x : kVars)
      if (g.coin(60)) s = s.add(x, g.ground(2));
    built = formsubst(none, s, f);
    return LazyFormula::delay(none, f, s);
  };
  FolBatchLogic lazy, eager;  // Skolem and renaming counters move in step
  int kept = 0;
  for (int i = 0; i < 1500; ++i) {
    Formula m, m2;
    const LazyFormula l = pending(m), l2 = pending(m2);
    kept += !l.built();
    ASSERT_EQ(l.build(), m) << S(m);
    EXPECT_EQ(l.closed(), m->free_vars().empty()) << S(m);
    EXPECT_EQ(l.free_vars(), m->free_vars()) << S(m);
    EXPECT_EQ(l.size(), size(none, m)) << S(m);
    EXPECT_EQ(l.alpha_hash(), m->alpha_hash()) << S(m);
    EXPECT_EQ(lazy.negate_formula(l).build(), negate_formula(m)) << S(m);
    EXPECT_EQ(lazy.elim_all_neg(l).build(), elim_all_neg(m)) << S(m);
    // Decomposed as the engine does, down to the atoms: sign, body, rules.
    std::vector<std::pair<LazyFormula, Formula>> todo = {{l, m}};
    for (std::size_t n = 0; n < todo.size() && n < 60; ++n) {
      const auto [tl, tm] = todo[n];
      const bool sign = !lazy.negative_formula(tl);
      ASSERT_EQ(sign, !negative_formula(tm)) << S(tm);
      auto rl = lazy.get_rules(0, lazy.elim_all_neg(tl), sign);
      auto re = eager.get_rules(0, elim_all_neg(tm), sign);
      ASSERT_EQ(rl.size(), re.size()) << S(tm);
      for (std::size_t k = 0; k < rl.size(); ++k) {
        EXPECT_EQ(rl[k].rule, re[k].rule);
        EXPECT_EQ(rl[k].kind, re[k].kind);
        ASSERT_EQ(rl[k].formulas.size(), re[k].formulas.size());
        for (std::size_t j = 0; j < rl[k].formulas.size(); ++j) {
          const Formula b = re[k].formulas[j].build();
          ASSERT_EQ(rl[k].formulas[j].build(), b) << S(tm);
          todo.emplace_back(rl[k].formulas[j], b);
        }
      }
    }
    EXPECT_EQ(lazy.equal_formula(l, l2), equal_formula(m, m2)) << S(m) << " / " << S(m2);
    EXPECT_EQ(lazy.equal_formula(l, m), true) << S(m);
    EXPECT_EQ(lazy.compare_structural(l, l2), compare(m, m2)) << S(m) << " / " << S(m2);
    EXPECT_EQ(lazy.may_unify(l, l2), may_unify(m, m2)) << S(m) << " / " << S(m2);
    // Substitutions and renamings that may or may not reach a free variable.
    Subst s;
    if (g.coin(50)) s = s.add(kVars[g.pick(4)], g.term(1, {"u", "v"}));
    EXPECT_EQ(lazy.apply_subst(s, l).build(), formsubst(none, s, m)) << S(m);
    const Renaming rl = lazy.get_renaming_formula(lazy.empty_renaming(), l);
    const Renaming re = eager.get_renaming_formula(eager.empty_renaming(), m);
    EXPECT_EQ(rl.dom(), re.dom()) << S(m);
    for (const std::string& x : rl.dom()) EXPECT_EQ(rl.find(x), re.find(x)) << x << " in " << S(m);
    EXPECT_EQ(lazy.rename_formula(rl, l).build(), eager.rename_formula(re, m).build()) << S(m);
    EXPECT_EQ(lazy.count_fresh_names({l, l2}), eager.count_fresh_names({m, m2})) << S(m);
    if (::testing::Test::HasFailure()) return;
  }
  EXPECT_GT(kept, 1000);
}

// ---- Subsumption on first-order clauses ----

using BL = FolBatchLogic;
using Cl = engine::Clause<BL>;
using Lit = engine::Literal<BL>;

struct Clauses {
  BL logic;
  engine::Core<BL> core{logic};
  engine::Majlistes<BL> m{core};

  std::vector<Lit> sorted(const std::vector<Formula>& fs) {
    std::vector<Lit> out;
    for (const Formula& f : fs)
      engine::insert_sorted(engine::lit_cmp(core), out, Lit{f, {}, core.next_literal_number()});
    return out;
  }
  Cl clause(const std::vector<Formula>& pos, const std::vector<Formula>& neg) {
    Cl c;
    c.pos = sorted(pos);
    c.neg = sorted(neg);
    c.origine = engine::make_origine<BL>(engine::Parentless<BL>{});
    c.num = core.next_clause_number();
    return c;
  }
  static std::vector<Formula> forms(const std::vector<Lit>& l) {
    std::vector<Formula> out;
    for (const Lit& x : l) out.push_back(x.formule.build());
    return out;
  }
  Cl instance(const Subst& s, const Cl& c) {
    const Session& ses = logic.session();
    std::vector<Formula> p, n;
    for (const Lit& x : c.pos) p.push_back(formsubst(ses, s, x.formule.build()));
    for (const Lit& x : c.neg) n.push_back(formsubst(ses, s, x.formule.build()));
    return clause(p, n);
  }
};

std::string show(const Cl& c) {
  std::string s = "{";
  for (const Lit& l : c.pos) s += " " + S(l.formule.build());
  s += " |";
  for (const Lit& l : c.neg) s += " ~" + S(l.formule.build());
  return s + " }";
}

// One-way matching of a pattern onto a term whose variables are rigid
// symbols (the second clause's variables are frozen).
bool match_term(const Term& p, const Term& t, std::map<std::string, Term>& th) {
  if (p->kind() == TermKind::Var) {
    auto [it, fresh] = th.emplace(p->name(), t);
    return fresh || it->second == t;
  }
  if (t->kind() != TermKind::Fn || t->name() != p->name() || t->args().size() != p->args().size())
    return false;
  for (std::size_t i = 0; i < p->args().size(); ++i)
    if (!match_term(p->args()[i], t->args()[i], th)) return false;
  return true;
}

bool match_atom(const Formula& p, const Formula& t, std::map<std::string, Term>& th) {
  if (p->name() != t->name() || p->args().size() != t->args().size()) return false;
  for (std::size_t i = 0; i < p->args().size(); ++i)
    if (!match_term(p->args()[i], t->args()[i], th)) return false;
  return true;
}

// Reference: some injective, sign-preserving map from the literals of c1
// to those of c2 is matched by a single substitution.
bool reference(const std::vector<Formula>& p1, const std::vector<Formula>& n1, std::size_t i,
               const std::vector<Formula>& p2, const std::vector<Formula>& n2,
               std::vector<bool>& usedp, std::vector<bool>& usedn,
               const std::map<std::string, Term>& th) {
  bool pos = i < p1.size();
  if (!pos && i - p1.size() >= n1.size()) return true;
  const Formula& l = pos ? p1[i] : n1[i - p1.size()];
  const std::vector<Formula>& side = pos ? p2 : n2;
  std::vector<bool>& used = pos ? usedp : usedn;
  for (std::size_t j = 0; j < side.size(); ++j) {
    if (used[j]) continue;
    std::map<std::string, Term> th1 = th;
    if (!match_atom(l, side[j], th1)) continue;
    used[j] = true;
    bool ok = reference(p1, n1, i + 1, p2, n2, usedp, usedn, th1);
    used[j] = false;
    if (ok) return true;
  }
  return false;
}

bool reference_subsumes(const Cl& c1, const Cl& c2) {
  auto p1 = Clauses::forms(c1.pos), n1 = Clauses::forms(c1.neg);
  auto p2 = Clauses::forms(c2.pos), n2 = Clauses::forms(c2.neg);
  std::vector<bool> up(p2.size()), un(n2.size());
  return reference(p1, n1, 0, p2, n2, up, un, {});
}

// Atoms over p/2, q/1 with shallow terms: small enough that random clauses
// often match.
Formula small_atom(Gen& g, const std::vector<std::string>& vars) {
  return g.coin(60) ? mk_atom("p", {g.term(1, vars), g.term(1, vars)})
                    : mk_atom("q", {g.term(1, vars)});
}
std::vector<Formula> small_atoms(Gen& g, int max, const std::vector<std::string>& vars) {
  std::vector<Formula> out;
  for (int n = g.pick(max + 1); n > 0; --n) out.push_back(small_atom(g, vars));
  return out;
}
// Clause literals need not be atoms: a literal not yet taken apart may hold
// connectives and quantifiers.
std::vector<Formula> small_literals(Gen& g, int max, const std::vector<std::string>& vars) {
  std::vector<Formula> out;
  for (int n = g.pick(max + 1); n > 0; --n)
    out.push_back(g.coin(75) ? small_atom(g, vars) : g.formula(2, vars));
  return out;
}

TEST(SubsumeFolProperty, SelfSupersetsAndInstances) {
  Clauses cs;
  Gen g(555);
  for (int i = 0; i < 2000; ++i) {
    Cl c = cs.clause(small_literals(g, 3, kVars), small_literals(g, 3, kVars));
    EXPECT_TRUE(cs.m.subsume(c, c)) << show(c);
    // A clause holding all of c's literals and more.
    std::vector<Formula> p = Clauses::forms(c.pos), n = Clauses::forms(c.neg);
    for (const Formula& f : small_literals(g, 2, kVars)) p.push_back(f);
    for (const Formula& f : small_literals(g, 2, kVars)) n.push_back(f);
    Cl d = cs.clause(p, n);
    EXPECT_TRUE(cs.m.subsume(c, d)) << show(c) << " <= " << show(d);
    // An instance (ground or not) with as many literals of each sign: two
    // literals that become one can no longer both be matched.
    std::map<std::string, Term> sigma;
    const bool ground = g.coin(50);
    for (const std::string& x : kVars)
      if (ground || g.coin(60)) sigma.emplace(x, g.term(1, ground ? Names{} : Names{"x", "u"}));
    Cl e = cs.instance(to_subst(sigma), c);
    if (e.pos.size() == c.pos.size() && e.neg.size() == c.neg.size()) {
      EXPECT_TRUE(cs.m.subsume(c, e)) << show(c) << " <= " << show(e);
    }
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(SubsumeFolProperty, AgreesWithAReferenceMatcher) {
  Clauses cs;
  Gen g(8080);
  int yes = 0;
  for (int i = 0; i < 5000; ++i) {
    Cl c1 = cs.clause(small_atoms(g, 3, {"x", "y"}), small_atoms(g, 2, {"x", "y"}));
    Cl c2 = cs.clause(small_atoms(g, 4, {"x", "z"}), small_atoms(g, 3, {"x", "z"}));
    bool want = reference_subsumes(c1, c2);
    yes += want;
    ASSERT_EQ(cs.m.subsume(c1, c2), want) << show(c1) << " <= " << show(c2);
    // Each literal of c2 serves once: more literals of a sign never subsume.
    if (c1.pos.size() > c2.pos.size() || c1.neg.size() > c2.neg.size()) {
      ASSERT_FALSE(want) << show(c1) << " <= " << show(c2);
    }
  }
  EXPECT_GT(yes, 200);
}

}  // namespace
