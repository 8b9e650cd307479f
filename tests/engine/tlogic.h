// A tiny logic for the engine's unit tests: a formula is its text. Atoms are
// "P" or "P(a,x)"; single letters u..z are variables; "~" negates; "T" is
// true; a formula starting with "?" has no decidable sign (Metavar).
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/logic.h"
#include "support/printer.h"

namespace tlogic {

struct Empty {
  bool operator==(const Empty&) const = default;
};

class TLogic {
 public:
  using formula = std::string;
  using substitution = std::map<std::string, std::string>;
  using constraints = Empty;
  using renaming = Empty;
  using varset = std::set<std::string>;
  struct Metavar {};
  using Unif = engine::UnifResult<formula, substitution, constraints>;

  constraints empty_constraints() const { return {}; }
  formula apply_subst(const substitution& s, const formula& f) const {
    Atom a = parse(f);
    std::string out = a.neg + a.pred;
    if (!a.args.empty()) {
      out += "(";
      for (std::size_t i = 0; i < a.args.size(); ++i) out += (i ? "," : "") + resolve(s, a.args[i]);
      out += ")";
    }
    return out;
  }
  std::optional<Unif> unif(const engine::ConstraintArg<constraints>& c, const formula& f,
                           const formula& g) const {
    Atom a = parse(f), b = parse(g);
    if (a.neg != b.neg || a.pred != b.pred || a.args.size() != b.args.size()) return std::nullopt;
    substitution s;
    for (std::size_t i = 0; i < a.args.size(); ++i) {
      std::string x = resolve(s, a.args[i]), y = resolve(s, b.args[i]);
      if (x == y) continue;
      if (is_var(x))
        s[x] = y;
      else if (is_var(y))
        s[y] = x;
      else
        return std::nullopt;
    }
    return Unif{0, s, c, {}, apply_subst(s, f), {}};
  }
  int size(const formula& f) const { return static_cast<int>(f.size()); }
  bool is_true(const formula& f) const { return f == "T"; }
  bool negative_formula(const formula& f) const {
    if (!f.empty() && f[0] == '?') throw Metavar{};
    std::size_t n = 0;
    while (n < f.size() && f[n] == '~') ++n;
    return n % 2 == 1;
  }
  formula negate_formula(const formula& f) const { return "~" + f; }
  formula elim_all_neg(const formula& f) const {
    if (!f.empty() && f[0] == '?') throw Metavar{};
    return f.substr(f.find_first_not_of('~') == std::string::npos ? f.size()
                                                                  : f.find_first_not_of('~'));
  }
  bool may_unify(const formula&, const formula&) const { return true; }
  int count_fresh_names(const std::vector<formula>&) const { return 0; }
  void skip_fresh_names(int) const {}
  renaming empty_renaming() const { return {}; }
  renaming get_renaming_formula(const renaming& r, const formula&) const { return r; }
  renaming get_renaming_constraints(const renaming& r, const constraints&) const { return r; }
  formula rename_formula(const renaming&, const formula& f) const { return f; }
  constraints rename_constraints(const renaming&, const constraints& c) const { return c; }
  varset empty_varset() const { return {}; }
  varset vars_of_formula(const formula& f) const {
    varset v;
    for (const auto& a : parse(f).args)
      if (is_var(a)) v.insert(a);
    return v;
  }
  substitution vars_to_constants(const varset& v) const {
    substitution s;
    for (const auto& x : v) s[x] = x + "_cst";
    return s;
  }
  bool is_empty_inter_varset(const varset& a, const varset& b) const {
    for (const auto& x : a)
      if (b.count(x)) return false;
    return true;
  }
  varset union_varset(const varset& a, const varset& b) const {
    varset r = a;
    r.insert(b.begin(), b.end());
    return r;
  }
  std::vector<engine::Decomposition<formula, substitution, constraints>> get_rules(
      const constraints&, const formula&, bool) const {
    return {};
  }
  void print_formula(const formula& f) const { support::pp().print_string(f); }
  void print_constraints(const constraints&) const {}
  bool equal_formula(const formula& a, const formula& b) const { return a == b; }
  formula head_symbol(const formula& f) const { return parse(f).pred; }
  bool hashed_equal(const formula& a, bool sa, const formula& b, bool sb) const {
    return a == b && sa == sb;
  }
  std::size_t hashed_hash(const formula& f, bool s) const {
    std::size_t h = 7;
    for (unsigned char ch : f) h = h * 131 + ch;
    return h * 2 + (s ? 1 : 0);
  }
  engine::Indice indice_regle(const std::string&) const { return std::nullopt; }
  int compare_structural(const formula& a, const formula& b) const {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }

 private:
  struct Atom {
    std::string neg, pred;
    std::vector<std::string> args;
  };
  static bool is_var(const std::string& s) { return s.size() == 1 && s[0] >= 'u' && s[0] <= 'z'; }
  static std::string resolve(const substitution& s, std::string x) {
    for (int guard = 0; guard < 100; ++guard) {
      auto it = s.find(x);
      if (it == s.end() || it->second == x) break;
      x = it->second;
    }
    return x;
  }
  static Atom parse(const formula& f) {
    Atom a;
    std::size_t i = 0;
    while (i < f.size() && f[i] == '~') a.neg += f[i++];
    std::size_t open = f.find('(', i);
    if (open == std::string::npos) {
      a.pred = f.substr(i);
      return a;
    }
    a.pred = f.substr(i, open - i);
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
};

static_assert(engine::Logic<TLogic>);

}  // namespace tlogic
