// Generated-case checks of the subsumption test: on propositional clauses it
// is exactly containment of literals and split names; on clauses with
// variables it agrees with a separate matcher, holds for every clause against
// itself, its supersets and its unmerged instances, and is transitive.
// Fixed seeds: the same cases on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/clauselists.h"
#include "engine/majlistes.h"
#include "propprover/prop.h"
#include "tests/engine/tlogic.h"

namespace {

struct Rng {
  std::mt19937 rng;
  explicit Rng(std::uint32_t seed) : rng(seed) {}
  int pick(int n) { return static_cast<int>(rng() % static_cast<std::uint32_t>(n)); }
  bool coin(int percent) { return pick(100) < percent; }
  // An ascending subset of 1..n without repetition.
  std::vector<int> names(int n, int percent) {
    std::vector<int> out;
    for (int i = 1; i <= n; ++i)
      if (coin(percent)) out.push_back(i);
    return out;
  }
};

template <class L>
struct Clauses {
  using Cl = engine::Clause<L>;
  using Lit = engine::Literal<L>;
  using F = typename L::formula;

  L logic;
  engine::Core<L> core{logic};
  engine::Majlistes<L> m{core};

  // Sorted without duplicates, as the engine keeps clause literals.
  std::vector<Lit> sorted(const std::vector<F>& fs) {
    std::vector<Lit> out;
    for (const F& f : fs)
      engine::insert_sorted(engine::lit_cmp(core), out, Lit{f, {}, core.next_literal_number()});
    return out;
  }
  Cl clause(const std::vector<F>& pos, const std::vector<F>& neg, std::vector<int> split_neg = {},
            std::vector<int> split_pos = {}) {
    Cl c;
    c.pos = sorted(pos);
    c.neg = sorted(neg);
    c.split_neg = std::move(split_neg);
    c.split_pos = std::move(split_pos);
    c.origine = engine::make_origine<L>(engine::Parentless<L>{});
    c.num = core.next_clause_number();
    c.contraintes = engine::make_constraints<L>(typename L::constraints{});
    return c;
  }
  static std::vector<F> forms(const std::vector<Lit>& l) {
    std::vector<F> out;
    for (const Lit& x : l) out.push_back(x.formule);
    return out;
  }
};

std::vector<int> merged(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  std::sort(a.begin(), a.end());
  a.erase(std::unique(a.begin(), a.end()), a.end());
  return a;
}

// ---- Propositional clauses: subsumption is containment ----

using PL = prop::PropLogic;
using PCl = engine::Clause<PL>;

// A few atoms and compound formulas (a literal not yet taken apart).
prop::Formula prop_literal(Rng& g) {
  static const char* kAtoms[] = {"A", "B", "C", "D", "E"};
  prop::Formula a = prop::atom(kAtoms[g.pick(5)]);
  switch (g.pick(8)) {
    case 0:
      return prop::and_(a, prop::atom(kAtoms[g.pick(5)]));
    case 1:
      return prop::imp(prop::atom(kAtoms[g.pick(5)]), a);
    default:
      return a;
  }
}
std::vector<prop::Formula> prop_literals(Rng& g, int max) {
  std::vector<prop::Formula> out;
  for (int n = g.pick(max + 1); n > 0; --n) out.push_back(prop_literal(g));
  return out;
}

bool contains(const std::vector<engine::Literal<PL>>& big,
              const std::vector<engine::Literal<PL>>& small) {
  for (const auto& l : small)
    if (std::none_of(big.begin(), big.end(), [&](const auto& b) { return b.formule == l.formule; }))
      return false;
  return true;
}
bool contains(const std::vector<int>& big, const std::vector<int>& small) {
  return std::includes(big.begin(), big.end(), small.begin(), small.end());
}

std::string show(const PCl& c) {
  std::string s = "{";
  for (const auto& l : c.pos) s += " " + prop::to_string(l.formule);
  s += " |";
  for (const auto& l : c.neg) s += " ~" + prop::to_string(l.formule);
  s += " | split_neg";
  for (int n : c.split_neg) s += " " + std::to_string(n);
  s += " split_pos";
  for (int n : c.split_pos) s += " " + std::to_string(n);
  return s + " }";
}

TEST(SubsumeProperty, PropositionalIsContainmentOfLiteralsAndSplitNames) {
  Clauses<PL> cs;
  Rng g(1234);
  int yes = 0;
  for (int i = 0; i < 6000; ++i) {
    PCl c1 = cs.clause(prop_literals(g, 3), prop_literals(g, 3), g.names(4, 20), g.names(4, 20));
    // Half of the time c2 is built around c1, so that containment often holds.
    PCl c2;
    if (g.coin(50)) {
      auto p = Clauses<PL>::forms(c1.pos), n = Clauses<PL>::forms(c1.neg);
      if (!p.empty() && g.coin(20)) p.erase(p.begin() + g.pick(int(p.size())));
      for (const auto& f : prop_literals(g, 2)) p.push_back(f);
      for (const auto& f : prop_literals(g, 2)) n.push_back(f);
      c2 = cs.clause(p, n, merged(c1.split_neg, g.names(4, 15)),
                     g.coin(90) ? merged(c1.split_pos, g.names(4, 15)) : g.names(4, 30));
    } else {
      c2 = cs.clause(prop_literals(g, 4), prop_literals(g, 4), g.names(4, 40), g.names(4, 40));
    }
    bool want = contains(c2.pos, c1.pos) && contains(c2.neg, c1.neg) &&
                contains(c2.split_neg, c1.split_neg) && contains(c2.split_pos, c1.split_pos);
    yes += want;
    ASSERT_EQ(cs.m.subsume(c1, c2), want) << show(c1) << " <= " << show(c2);
    ASSERT_TRUE(cs.m.subsume(c1, c1)) << show(c1);
  }
  EXPECT_GT(yes, 1000);
}

// ---- Clauses with variables (the test logic: u..z are variables) ----

using TL = tlogic::TLogic;
using TCl = engine::Clause<TL>;

const std::vector<std::string> kVars = {"x", "y", "z"};

std::string targ(Rng& g, const std::vector<std::string>& vars) {
  static const char* kConsts[] = {"a", "b", "c"};
  if (!vars.empty() && g.coin(55)) return vars[g.pick(int(vars.size()))];
  return kConsts[g.pick(3)];
}

// P/2, Q/1 or R/0.
std::string tatom(Rng& g, const std::vector<std::string>& vars) {
  switch (g.pick(7)) {
    case 0:
      return "R";
    case 1:
    case 2:
      return "Q(" + targ(g, vars) + ")";
    default:
      return "P(" + targ(g, vars) + "," + targ(g, vars) + ")";
  }
}
std::vector<std::string> tatoms(Rng& g, int max, const std::vector<std::string>& vars) {
  std::vector<std::string> out;
  for (int n = g.pick(max + 1); n > 0; --n) out.push_back(tatom(g, vars));
  return out;
}

struct TAtom {
  std::string pred;
  std::vector<std::string> args;
};
TAtom tparse(const std::string& f) {
  TAtom a;
  std::size_t open = f.find('(');
  a.pred = f.substr(0, open);
  if (open == std::string::npos) return a;
  std::string cur;
  for (std::size_t k = open + 1; k < f.size(); ++k) {
    if (f[k] == ',' || f[k] == ')') {
      a.args.push_back(cur);
      cur.clear();
    } else {
      cur += f[k];
    }
  }
  return a;
}
bool is_var(const std::string& s) { return s.size() == 1 && s[0] >= 'u' && s[0] <= 'z'; }

std::string tsubst(const std::map<std::string, std::string>& s, const std::string& f) {
  TAtom a = tparse(f);
  if (a.args.empty()) return f;
  std::string out = a.pred + "(";
  for (std::size_t i = 0; i < a.args.size(); ++i) {
    auto it = s.find(a.args[i]);
    out += (i ? "," : "") + (it == s.end() ? a.args[i] : it->second);
  }
  return out + ")";
}

// Reference: an injective, sign-preserving map from c1's literals to c2's
// under one substitution of c1's variables; c2's variables are rigid.
bool tmatch(const std::string& p, const std::string& t, std::map<std::string, std::string>& th) {
  TAtom a = tparse(p), b = tparse(t);
  if (a.pred != b.pred || a.args.size() != b.args.size()) return false;
  for (std::size_t i = 0; i < a.args.size(); ++i) {
    if (is_var(a.args[i])) {
      auto [it, fresh] = th.emplace(a.args[i], b.args[i]);
      if (!fresh && it->second != b.args[i]) return false;
    } else if (a.args[i] != b.args[i]) {
      return false;
    }
  }
  return true;
}
bool tref(const std::vector<std::string>& l1, std::size_t n_pos1, std::size_t i,
          const std::vector<std::string>& p2, const std::vector<std::string>& n2,
          std::vector<bool>& usedp, std::vector<bool>& usedn,
          const std::map<std::string, std::string>& th) {
  if (i == l1.size()) return true;
  bool pos = i < n_pos1;
  const std::vector<std::string>& side = pos ? p2 : n2;
  std::vector<bool>& used = pos ? usedp : usedn;
  for (std::size_t j = 0; j < side.size(); ++j) {
    if (used[j]) continue;
    std::map<std::string, std::string> th1 = th;
    if (!tmatch(l1[i], side[j], th1)) continue;
    used[j] = true;
    bool ok = tref(l1, n_pos1, i + 1, p2, n2, usedp, usedn, th1);
    used[j] = false;
    if (ok) return true;
  }
  return false;
}
bool tref_subsumes(const TCl& c1, const TCl& c2) {
  if (!contains(c2.split_neg, c1.split_neg) || !contains(c2.split_pos, c1.split_pos)) return false;
  std::vector<std::string> l1 = Clauses<TL>::forms(c1.pos);
  for (const auto& l : c1.neg) l1.push_back(l.formule);
  auto p2 = Clauses<TL>::forms(c2.pos), n2 = Clauses<TL>::forms(c2.neg);
  std::vector<bool> up(p2.size()), un(n2.size());
  return tref(l1, c1.pos.size(), 0, p2, n2, up, un, {});
}

std::string show(const TCl& c) {
  std::string s = "{";
  for (const auto& l : c.pos) s += " " + l.formule;
  s += " |";
  for (const auto& l : c.neg) s += " ~" + l.formule;
  s += " | split_neg";
  for (int n : c.split_neg) s += " " + std::to_string(n);
  s += " split_pos";
  for (int n : c.split_pos) s += " " + std::to_string(n);
  return s + " }";
}

TCl tinstance(Clauses<TL>& cs, const std::map<std::string, std::string>& s, const TCl& c) {
  std::vector<std::string> p, n;
  for (const auto& l : c.pos) p.push_back(tsubst(s, l.formule));
  for (const auto& l : c.neg) n.push_back(tsubst(s, l.formule));
  return cs.clause(p, n, c.split_neg, c.split_pos);
}

TEST(SubsumeProperty, VariablesAgreeWithAReferenceMatcher) {
  Clauses<TL> cs;
  Rng g(99);
  int yes = 0;
  for (int i = 0; i < 6000; ++i) {
    TCl c1 = cs.clause(tatoms(g, 3, {"x", "y"}), tatoms(g, 2, {"x", "y"}), g.names(3, 15),
                       g.names(3, 15));
    TCl c2 = cs.clause(tatoms(g, 5, {"x", "z"}), tatoms(g, 3, {"x", "z"}), g.names(3, 50),
                       g.names(3, 50));
    bool want = tref_subsumes(c1, c2);
    yes += want;
    ASSERT_EQ(cs.m.subsume(c1, c2), want) << show(c1) << " <= " << show(c2);
    // Each literal of c2 serves at most once.
    if (c1.pos.size() > c2.pos.size() || c1.neg.size() > c2.neg.size()) {
      ASSERT_FALSE(cs.m.subsume(c1, c2)) << show(c1) << " <= " << show(c2);
    }
  }
  EXPECT_GT(yes, 300);
}

// c subsumes itself, every clause holding its literals and split names, and
// every instance of it in which no two literals merged (ground or not: the
// variables of the subsumed clause are frozen).
TEST(SubsumeProperty, SelfSupersetsAndUnmergedInstances) {
  Clauses<TL> cs;
  Rng g(2026);
  int instances = 0;
  for (int i = 0; i < 4000; ++i) {
    TCl c = cs.clause(tatoms(g, 3, kVars), tatoms(g, 3, kVars), g.names(3, 25), g.names(3, 25));
    ASSERT_TRUE(cs.m.subsume(c, c)) << show(c);

    auto p = Clauses<TL>::forms(c.pos), n = Clauses<TL>::forms(c.neg);
    for (const auto& f : tatoms(g, 2, kVars)) p.push_back(f);
    for (const auto& f : tatoms(g, 2, kVars)) n.push_back(f);
    TCl d =
        cs.clause(p, n, merged(c.split_neg, g.names(4, 30)), merged(c.split_pos, g.names(4, 30)));
    ASSERT_TRUE(cs.m.subsume(c, d)) << show(c) << " <= " << show(d);

    const bool ground = g.coin(50);
    std::map<std::string, std::string> sigma;
    for (const std::string& x : kVars)
      if (ground || g.coin(60))
        sigma.emplace(
            x, targ(g, ground ? std::vector<std::string>{} : std::vector<std::string>{"x", "w"}));
    TCl e = tinstance(cs, sigma, c);
    if (e.pos.size() == c.pos.size() && e.neg.size() == c.neg.size()) {
      ++instances;
      ASSERT_TRUE(cs.m.subsume(c, e)) << show(c) << " <= " << show(e);
    } else {
      // Two literals became one: c needs more literals of that sign than e has.
      ASSERT_FALSE(cs.m.subsume(c, e)) << show(c) << " <= " << show(e);
    }
  }
  EXPECT_GT(instances, 2000);
}

// a <= b and b <= c give a <= c. Chains are built from instances and
// supersets so that both steps hold often.
TEST(SubsumeProperty, Transitive) {
  Clauses<TL> cs;
  Rng g(4711);
  auto step = [&](const TCl& c) {
    std::map<std::string, std::string> sigma;
    for (const std::string& x : kVars)
      if (g.coin(40)) sigma.emplace(x, targ(g, {"x", "y", "z"}));
    TCl e = tinstance(cs, sigma, c);
    auto p = Clauses<TL>::forms(e.pos), n = Clauses<TL>::forms(e.neg);
    if (g.coin(50)) p.push_back(tatom(g, kVars));
    if (g.coin(50)) n.push_back(tatom(g, kVars));
    if (!p.empty() && g.coin(15)) p.erase(p.begin() + g.pick(int(p.size())));
    return cs.clause(p, n, merged(e.split_neg, g.names(3, 20)),
                     merged(e.split_pos, g.names(3, 20)));
  };
  int chains = 0;
  for (int i = 0; i < 4000; ++i) {
    TCl a = cs.clause(tatoms(g, 2, kVars), tatoms(g, 2, kVars), g.names(3, 20), g.names(3, 20));
    TCl b = step(a);
    TCl c = step(b);
    if (cs.m.subsume(a, b) && cs.m.subsume(b, c)) {
      ++chains;
      ASSERT_TRUE(cs.m.subsume(a, c)) << show(a) << " <= " << show(b) << " <= " << show(c);
    }
  }
  EXPECT_GT(chains, 1000);
}

}  // namespace
