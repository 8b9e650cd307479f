// Upkeep of the working lists: the candidate list (ascending weight, bounded
// by `maxcndts` and the weight limits), the already-seen list and the
// decomposables list. Decides tautologies and subsumption, removes the
// clauses a new clause subsumes, and notices the empty clause.
//
//   Majlistes<L> m(core);
//   core.cndats = m.majcndats(c, core.cndats, core.djvues);   // may throw Proved / EmptySplit
//
// Subsumption and unification failures are plain values; the only
// exceptions are engine::Proved and engine::EmptySplit from `majcndats`.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "engine/clauselists.h"
#include "engine/logic.h"
#include "engine/ptypes.h"

namespace engine {

template <Logic L>
class Majlistes {
 public:
  using Cl = Clause<L>;
  using Lit = Literal<L>;
  using formula = typename L::formula;
  using Decomposed = typename Core<L>::Decomposed;
  using Decomposable = typename Core<L>::Decomposable;
  using LitIndex = std::map<int, typename Core<L>::LitTableCell>;

  // The result of `majdjvues`: (already-seen list, decomposables list, literal index).
  struct Djvues {
    std::vector<Decomposed> djvues;
    std::vector<Decomposable> decables;
    LitIndex lit_index;
  };

  explicit Majlistes(Core<L>& core) : core_(core) {}

  // True when some literal of `neg` and some literal of `pos` have equal formulas.
  bool tauto(const Cl& c) const {
    for (const auto& n : c.neg)
      for (const auto& p : c.pos)
        if (core_.logic.equal_formula(n.formule, p.formule)) return true;
    return false;
  }

  // The clause with apply_subst on the formula of every literal; nothing reclassified.
  Cl apply_subst_clause(const typename L::substitution& s, const Cl& c) const {
    Cl r = c;
    for (auto* l : {&r.pos, &r.neg, &r.autres})
      for (auto& lit : *l) lit.formule = core_.logic.apply_subst(s, lit.formule);
    return r;
  }

  // c2 with its variables replaced by constants: the form `subsume` matches against.
  Cl freeze(const Cl& c2) const {
    typename L::varset v = core_.logic.empty_varset();
    for (const auto* l : {&c2.pos, &c2.neg, &c2.autres})
      for (const auto& lit : *l) v = core_.logic.union_varset(v, core_.logic.vars_of_formula(lit.formule));
    return apply_subst_clause(core_.logic.vars_to_constants(v), c2);
  }

  // Does c1 subsume c2?
  bool subsume(const Cl& c1, const Cl& c2) const { return subsume_frozen(c1, freeze(c2)); }

  // Does c1 subsume the frozen clause c2f (see `freeze`)? Every test here is
  // pure, so the cheap ones (counts, split names) run first.
  bool subsume_frozen(const Cl& c1, const Cl& c2f) const {
    if (c1.pos.size() > c2f.pos.size() || c1.neg.size() > c2f.neg.size()) return false;
    if (!contained(c1.split_neg, c2f.split_neg) || !contained(c1.split_pos, c2f.split_pos)) return false;
    std::vector<formula> p1, n1, p2, n2;
    for (const auto& l : c1.pos) p1.push_back(l.formule);
    for (const auto& l : c1.neg) n1.push_back(l.formule);
    for (const auto& l : c2f.pos) p2.push_back(l.formule);
    for (const auto& l : c2f.neg) n2.push_back(l.formule);
    return test_sub(p1, n1, p2, n2);
  }

  // Candidate update. Side effects: `taillecndats`, `pdsmax_vu`,
  // `empty_clause_number`. Throws Proved for the empty clause, EmptySplit for
  // a clause left with split literals only.
  std::vector<Cl> majcndats(const Cl& c, const std::vector<Cl>& cndats, const std::vector<Decomposed>& djvues) {
    if (c.pos.empty() && c.neg.empty()) {
      core_.empty_clause_number = c.num;
      if (c.split_neg.empty() && c.split_pos.empty()) throw Proved{};
      throw EmptySplit{};
    }
    if (tauto(c)) return cndats;
    if (c.poids > core_.weights.pdsmax_global) return cndats;
    if (core_.taillecndats >= core_.current.maxcndts && c.poids > core_.weights.pdsmax_vu) return cndats;
    Cl cf = freeze(c);
    for (const auto& d : djvues)
      if (subsume_frozen(d.first, cf)) return cndats;
    for (const auto& d : cndats)
      if (subsume_frozen(d, cf)) return cndats;
    return ajoute(c, cndats, core_.current.maxcndts);
  }

  // Inserts c after every candidate of weight at most its own, drops the
  // candidates it subsumes and cuts the list after `capacity` entries.
  // Side effects: `taillecndats`, `pdsmax_vu` (weight of the last kept entry).
  std::vector<Cl> ajoute(const Cl& c, const std::vector<Cl>& l, int capacity) {
    std::vector<Cl> out;
    out.reserve(l.size() + 1);
    bool inserted = false;
    std::size_t i = 0;
    while (true) {
      if (capacity <= 0) {
        core_.taillecndats = core_.current.maxcndts;
        return out;
      }
      if (i == l.size()) {
        if (!inserted) {
          ++core_.taillecndats;
          core_.weights.pdsmax_vu = c.poids;
          out.push_back(c);
        }
        return out;
      }
      const Cl& h = l[i];
      if (h.poids <= c.poids || inserted) {
        if (subsume(c, h)) {
          --core_.taillecndats;
        } else {
          core_.weights.pdsmax_vu = h.poids;
          out.push_back(h);
          --capacity;
        }
        ++i;
      } else {
        inserted = true;
        ++core_.taillecndats;
        core_.weights.pdsmax_vu = c.poids;
        out.push_back(c);
        --capacity;
      }
    }
  }

  // Drops the already-seen clauses that c subsumes, with their entries in the
  // literal index and their deferred literals.
  Djvues majdjvues(const Cl& c, std::vector<Decomposed> djvues, std::vector<Decomposable> decables,
                   LitIndex lit_index) const {
    std::vector<Decomposed> kept;
    kept.reserve(djvues.size());
    std::set<int> gone;
    for (auto& d : djvues) {
      if (subsume(c, d.first)) {
        lit_index.erase(d.first.num);
        gone.insert(d.first.num);
      } else {
        kept.push_back(std::move(d));
      }
    }
    if (!gone.empty())
      std::erase_if(decables, [&gone](const Decomposable& e) { return gone.count(e.num) != 0; });
    return Djvues{std::move(kept), std::move(decables), std::move(lit_index)};
  }

  // The candidates without those c subsumes. Side effects: `taillecndats`, `pdsmax_vu`.
  std::vector<Cl> chcndts(const Cl& c, const std::vector<Cl>& cndats) {
    std::vector<Cl> out;
    out.reserve(cndats.size());
    for (const auto& d : cndats) {
      if (subsume(c, d)) {
        --core_.taillecndats;
      } else {
        core_.weights.pdsmax_vu = d.poids;
        out.push_back(d);
      }
    }
    return out;
  }

  // `majdjvues` then `chcndts`, for an empty clause that still has split literals.
  std::pair<std::vector<Cl>, Djvues> add_empty_with_split(const Cl& c, const std::vector<Cl>& cndats,
                                                          std::vector<Decomposed> djvues,
                                                          std::vector<Decomposable> decables, LitIndex lit_index) {
    Djvues d = majdjvues(c, std::move(djvues), std::move(decables), std::move(lit_index));
    std::vector<Cl> cs = chcndts(c, cndats);
    return {std::move(cs), std::move(d)};
  }

  // The clauses of l that c does not subsume.
  std::vector<Cl> majesclauses(const Cl& c, const std::vector<Cl>& l) const {
    std::vector<Cl> out;
    out.reserve(l.size());
    for (const auto& d : l)
      if (!subsume(c, d)) out.push_back(d);
    return out;
  }

  // Inserts the entry (c, lit, sign, num) before the first entry whose clause
  // is heavier than c (so after every entry of equal weight).
  static void add_decables(std::vector<Decomposable>& l, int num, const Cl& c, bool sign, const Lit& lit) {
    auto it = std::find_if(l.begin(), l.end(), [&c](const Decomposable& e) { return e.rest.poids > c.poids; });
    l.insert(it, Decomposable{c, lit, sign, num});
  }

 private:
  static bool contained(const std::vector<int>& a, const std::vector<int>& b) {
    for (int x : a)
      if (std::find(b.begin(), b.end(), x) == b.end()) return false;
    return true;
  }

  std::vector<formula> substituted(const typename L::substitution& s, const std::vector<formula>& l,
                                   std::size_t skip) const {
    std::vector<formula> out;
    out.reserve(l.size());
    for (std::size_t i = 0; i < l.size(); ++i)
      if (i != skip) out.push_back(core_.logic.apply_subst(s, l[i]));
    return out;
  }
  static std::vector<formula> without(const std::vector<formula>& l, std::size_t skip) {
    std::vector<formula> out;
    out.reserve(l.size());
    for (std::size_t i = 0; i < l.size(); ++i)
      if (i != skip) out.push_back(l[i]);
    return out;
  }

  // Backtracking match of c1's literals, one by one, with distinct literals
  // of c2 of the same sign. Recursion depth: the number of literals of c1.
  bool test_sub(const std::vector<formula>& p1, const std::vector<formula>& n1, const std::vector<formula>& p2,
                const std::vector<formula>& n2) const {
    bool on_pos = !p1.empty();
    if (!on_pos && n1.empty()) return true;
    const formula& l1 = on_pos ? p1.front() : n1.front();
    const std::vector<formula>& side = on_pos ? p2 : n2;
    for (std::size_t j = 0; j < side.size(); ++j) {
      auto u = core_.logic.unif(ConstraintArgOf<L>{NoConstraint<typename L::constraints>{}}, l1, side[j]);
      if (!u || !u->extra.empty()) continue;
      std::vector<formula> rp1 = substituted(u->subst, p1, on_pos ? 0 : p1.size());
      std::vector<formula> rn1 = substituted(u->subst, n1, on_pos ? n1.size() : 0);
      bool ok = on_pos ? test_sub(rp1, rn1, without(p2, j), n2) : test_sub(rp1, rn1, p2, without(n2, j));
      if (ok) return true;
    }
    return false;
  }

  Core<L>& core_;
};

}  // namespace engine
