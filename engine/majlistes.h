// Upkeep of the working lists: the candidate list (ascending weight, bounded
// by `maxcndts` and the weight limits), the already-seen list and the
// decomposables list. Decides tautologies and subsumption, removes the
// clauses a new clause subsumes, and notices the empty clause.
//
//   Majlistes<L> m(core);
//   if (m.majcndats(c, core.cndats, core.djvues) == Majlistes<L>::Admission::Inserted) ...
//
// The lists are updated in place. Subsumption and unification failures are
// plain values; the exceptions are engine::Proved, from `majcndats`, when
// the empty clause ends the attempt, and the time limit or the interrupt key
// met in a walk over a list (support::stop_tick), which end the attempt too
// and leave every list whole.
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "engine/clauselists.h"
#include "engine/logic.h"
#include "engine/ptypes.h"
#include "support/signals.h"

namespace engine {

template <Logic L>
class Majlistes {
 public:
  using Cl = Clause<L>;
  using Ref = ClauseRef<L>;
  using Lit = Literal<L>;
  using formula = typename L::formula;
  using Decomposed = typename Core<L>::Decomposed;
  using Decomposable = typename Core<L>::Decomposable;
  using LitIndex = std::map<int, typename Core<L>::LitTableCell>;

  // Its entries, in this order: the engine's types and state (`core`),
  // `tauto`, `subsume`, `majcndats`, `majdjvues`, `add_empty_with_split`,
  // `majesclauses`, `add_decables`; then the steps they are made of.
  explicit Majlistes(Core<L>& core) : core_(core) {}

  // True when some literal of `neg` and some literal of `pos` have equal formulas.
  bool tauto(const Cl& c) const {
    for (const auto& n : c.neg)
      for (const auto& p : c.pos)
        if (core_.logic.equal_formula(n.formule, p.formule)) return true;
    return false;
  }

  // Does c1 subsume c2? The pure count and split-name tests run first, so
  // most failures cost no allocation; c2 is frozen once for all its tests.
  bool subsume(const Cl& c1, const Cl& c2) const {
    if (!cheap_ok(c1, c2)) return false;
    const FrozenClause<L>& f = frozen_of(c2);
    return match(c1, f ? *f : c2);
  }

  // How the candidate update ended for a clause that is not the empty one.
  enum class Admission {
    Inserted,    // c is a candidate now
    Refused,     // a tautology, too heavy, or subsumed: the lists are as they were
    EmptySplit,  // c has split literals only: the caller closes its split case
  };

  // Candidate update, in place: `cndats` changes only when c is inserted, so
  // a refused clause costs no copy of the list. Side effects: `taillecndats`,
  // `pdsmax_vu`, `empty_clause_number`. Throws Proved for the empty clause
  // (it ends the attempt).
  Admission majcndats(const Ref& c, std::vector<Ref>& cndats,
                      const std::vector<Decomposed>& djvues) {
    if (c->pos.empty() && c->neg.empty()) {
      core_.empty_clause_number = c->num;
      if (c->split_neg.empty() && c->split_pos.empty()) throw Proved{};
      return Admission::EmptySplit;
    }
    if (!admitted(*c, cndats, djvues)) return Admission::Refused;
    ajoute(c, cndats, core_.current.maxcndts);
    return Admission::Inserted;
  }

  // Marks `gone` the already-seen clauses that c subsumes, and drops their
  // entries in the literal index and their deferred literals. The list keeps
  // them until `drop_gone`: a walk over it may be running.
  void majdjvues(const Cl& c, std::vector<Decomposed>& djvues, std::vector<Decomposable>& decables,
                 LitIndex& lit_index) const {
    std::set<int> gone;
    for (auto& d : djvues) {
      support::stop_tick();
      if (d.gone || !subsume(c, *d.first)) continue;
      d.gone = true;
      lit_index.erase(d.first->num);
      gone.insert(d.first->num);
    }
    if (!gone.empty())
      std::erase_if(decables, [&gone](const Decomposable& e) { return gone.count(e.num) != 0; });
  }

  // An empty clause that closes a split case prunes the already-seen list,
  // then the candidates.
  void add_empty_with_split(const Cl& c, std::vector<Ref>& cndats, std::vector<Decomposed>& djvues,
                            std::vector<Decomposable>& decables, LitIndex& lit_index) {
    majdjvues(c, djvues, decables, lit_index);
    chcndts(c, cndats);
  }

  // Drops from l the clauses c subsumes. Changes no cell.
  void majesclauses(const Cl& c, std::vector<Ref>& l) const {
    erase_if_polled(l, [&](const Ref& d) { return subsume(c, *d); });
  }

  // Inserts the entry (c, lit, sign, num) before the first entry whose clause
  // is heavier than c (so after every entry of equal weight).
  static void add_decables(std::vector<Decomposable>& l, int num, ClauseRef<L> c, bool sign,
                           const Lit& lit) {
    auto it = std::find_if(l.begin(), l.end(),
                           [&c](const Decomposable& e) { return e.rest->poids > c->poids; });
    l.insert(it, Decomposable{std::move(c), lit, sign, num});
  }
  static void add_decables(std::vector<Decomposable>& l, int num, const Cl& c, bool sign,
                           const Lit& lit) {
    add_decables(l, num, share(Cl(c)), sign, lit);
  }

  // ---- The steps of the entries above ----

  // The clause with apply_subst on the formula of every literal; nothing reclassified.
  Cl apply_subst_clause(const typename L::substitution& s, const Cl& c) const {
    Cl r = c;
    for (auto* l : {&r.pos, &r.neg, &r.autres})
      for (auto& lit : *l) lit.formule = core_.logic.apply_subst(s, lit.formule);
    return r;
  }

  // Does c1 subsume c2f, already frozen (see `frozen_of`)?
  bool subsume_frozen(const Cl& c1, const Cl& c2f) const {
    return cheap_ok(c1, c2f) && match(c1, c2f);
  }

  // The weight tests of the candidate update: true when a clause of weight
  // w that is not empty is refused whatever its literals.
  bool refused_by_weight(double w) const {
    return w > core_.weights.pdsmax_global ||
           (core_.taillecndats >= core_.current.maxcndts && w > core_.weights.pdsmax_vu);
  }

  // Inserts c after every candidate of weight at most its own, drops the
  // candidates it subsumes and cuts the list after `capacity` entries. Kept
  // candidates move down over the dropped ones, so the list is neither
  // copied nor reallocated. Side effects: `taillecndats`, `pdsmax_vu`
  // (weight of the last kept entry).
  void ajoute(const Ref& c, std::vector<Ref>& l, int capacity) {
    std::size_t w = 0, i = 0;  // l[0, w) is the new list; l[i, end) is still to be read
    bool inserted = false;
    try {
      while (true) {
        support::stop_tick();
        if (capacity == 0) {  // a negative capacity (maxcndts below 0) never cuts
          core_.taillecndats = core_.current.maxcndts;
          l.erase(l.begin() + static_cast<std::ptrdiff_t>(w), l.end());
          return;
        }
        if (i == l.size()) {
          l.erase(l.begin() + static_cast<std::ptrdiff_t>(w), l.end());
          if (!inserted) {
            ++core_.taillecndats;
            core_.weights.pdsmax_vu = c->poids;
            l.push_back(c);
          }
          return;
        }
        Ref& h = l[i];
        if (h->poids <= c->poids || inserted) {
          if (subsume(*c, *h)) {
            --core_.taillecndats;
          } else {
            core_.weights.pdsmax_vu = h->poids;
            if (w != i) l[w] = std::move(h);
            ++w;
            --capacity;
          }
          ++i;
        } else {
          inserted = true;
          ++core_.taillecndats;
          core_.weights.pdsmax_vu = c->poids;
          if (w < i) {
            l[w] = c;
          } else {
            l.insert(l.begin() + static_cast<std::ptrdiff_t>(i), c);
            ++i;
          }
          ++w;
          --capacity;
        }
      }
    } catch (...) {
      // A stop request: the list stays whole, less the gap l[w, i).
      l.erase(l.begin() + static_cast<std::ptrdiff_t>(w),
              l.begin() + static_cast<std::ptrdiff_t>(i));
      throw;
    }
  }

  // Drops the candidates c subsumes. Side effects: `taillecndats`,
  // `pdsmax_vu` (the weight of the last candidate kept).
  void chcndts(const Cl& c, std::vector<Ref>& cndats) {
    erase_if_polled(cndats, [&](const Ref& d) {
      if (subsume(c, *d)) {
        --core_.taillecndats;
        return true;
      }
      core_.weights.pdsmax_vu = d->poids;
      return false;
    });
  }

  // std::erase_if with a stop check per element, and whole after a stop
  // request: the entries kept so far, then those not tested yet, never a
  // moved-from hole (a later axiom walks the lists the attempt left).
  template <class T, class Pred>
  static void erase_if_polled(std::vector<T>& v, Pred pred) {
    std::size_t w = 0, i = 0;
    try {
      for (; i < v.size(); ++i) {
        support::stop_tick();
        if (pred(v[i])) continue;
        if (w != i) v[w] = std::move(v[i]);
        ++w;
      }
    } catch (...) {
      v.erase(v.begin() + static_cast<std::ptrdiff_t>(w),
              v.begin() + static_cast<std::ptrdiff_t>(i));
      throw;
    }
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(w), v.end());
  }

  static void drop_gone(std::vector<Decomposed>& djvues) {
    std::erase_if(djvues, [](const Decomposed& d) { return d.gone; });
  }

 private:
  // The admission test of a clause that is not empty: false when it is a
  // tautology, too heavy, or subsumed by a seen clause or a candidate.
  bool admitted(const Cl& c, const std::vector<Ref>& cndats,
                const std::vector<Decomposed>& djvues) {
    if (tauto(c)) return false;
    if (refused_by_weight(c.poids)) return false;
    const FrozenClause<L>& frozen = frozen_of(c);
    const Cl& cf = frozen ? *frozen : c;
    for (const auto& d : djvues) {
      support::stop_tick();
      if (!d.gone && subsume_frozen(*d.first, cf)) return false;
    }
    for (const auto& d : cndats) {
      support::stop_tick();
      if (subsume_frozen(*d, cf)) return false;
    }
    return true;
  }

  // The frozen copy of c2, null when c2 has no variable (it is its own
  // frozen form: a set whose intersection with itself is empty is empty).
  // Kept with c2, so a clause tested many times is frozen once.
  const FrozenClause<L>& frozen_of(const Cl& c2) const {
    return c2.frozen.get([&]() -> FrozenClause<L> {
      typename L::varset v = core_.logic.empty_varset();
      for (const auto* l : {&c2.pos, &c2.neg, &c2.autres})
        for (const auto& lit : *l)
          v = core_.logic.union_varset(v, core_.logic.vars_of_formula(lit.formule));
      if (core_.logic.is_empty_inter_varset(v, v)) return nullptr;
      return share(apply_subst_clause(core_.logic.vars_to_constants(v), c2));
    });
  }

  // The (head symbol, sign) pairs of a clause's literals as a 64-bit
  // signature, kept with the clause: a literal only matches one of the same
  // head and sign, so c1 can subsume c2 only if c2 has all of c1's heads.
  std::uint64_t heads_of(const Cl& c) const {
    return c.heads.get([&] {
      std::uint64_t s = 0;
      auto add = [&](const std::vector<Lit>& side, bool sign) {
        for (const Lit& l : side) {
          const std::size_t h = core_.logic.hashed_hash(core_.logic.head_symbol(l.formule), sign);
          s |= std::uint64_t{1} << ((static_cast<std::uint64_t>(h) * 0x9E3779B97F4A7C15ULL) >> 58);
        }
      };
      add(c.pos, true);
      add(c.neg, false);
      return s;
    });
  }

  // Necessary conditions that freezing does not change: each literal of c2
  // serves once, c2 has every head of c1, and c1's split names must all be
  // c2's.
  bool cheap_ok(const Cl& c1, const Cl& c2) const {
    if (c1.pos.size() > c2.pos.size() || c1.neg.size() > c2.neg.size()) return false;
    if ((heads_of(c1) & ~heads_of(c2)) != 0) return false;
    const SplitFacts &f1 = split_facts(c1), &f2 = split_facts(c2);
    const bool exact = f1.exact && f2.exact;
    return names_included(c1.split_neg, f1.neg, c2.split_neg, f2.neg, exact) &&
           names_included(c1.split_pos, f1.pos, c2.split_pos, f2.pos, exact);
  }

  bool match(const Cl& c1, const Cl& c2f) const {
    std::vector<char> usedp(c2f.pos.size(), 0), usedn(c2f.neg.size(), 0);
    return test_sub(c1.pos, 0, c1.neg, 0, c2f.pos, c2f.neg, usedp, usedn);
  }

  static const formula& form(const Lit& l) { return l.formule; }
  static const formula& form(const formula& f) { return f; }

  template <class A>
  std::vector<formula> substituted(const typename L::substitution& s, const std::vector<A>& l,
                                   std::size_t from) const {
    std::vector<formula> out;
    out.reserve(l.size() - std::min(from, l.size()));
    for (std::size_t i = from; i < l.size(); ++i)
      out.push_back(core_.logic.apply_subst(s, form(l[i])));
    return out;
  }

  // Backtracking match of c1's literals (from positions ip and in), first the
  // positive then the negative ones, each with a distinct unused literal of
  // c2 of the same sign; a match's substitution applies to the literals of c1
  // still to come. Recursion depth: the number of literals of c1.
  template <class A>
  bool test_sub(const std::vector<A>& p1, std::size_t ip, const std::vector<A>& n1, std::size_t in,
                const std::vector<Lit>& p2, const std::vector<Lit>& n2, std::vector<char>& usedp,
                std::vector<char>& usedn) const {
    bool on_pos = ip < p1.size();
    if (!on_pos && in >= n1.size()) return true;
    const formula& l1 = on_pos ? form(p1[ip]) : form(n1[in]);
    const std::vector<Lit>& side = on_pos ? p2 : n2;
    std::vector<char>& used = on_pos ? usedp : usedn;
    for (std::size_t j = 0; j < side.size(); ++j) {
      if (used[j] || !core_.logic.may_unify(l1, side[j].formule)) continue;
      auto u = core_.logic.unif(ConstraintArgOf<L>{NoConstraint<typename L::constraints>{}}, l1,
                                side[j].formule);
      if (!u || !u->extra.empty()) continue;
      std::vector<formula> rp1 = substituted(u->subst, p1, on_pos ? ip + 1 : ip);
      std::vector<formula> rn1 = substituted(u->subst, n1, on_pos ? in : in + 1);
      used[j] = 1;
      bool ok = test_sub(rp1, 0, rn1, 0, p2, n2, usedp, usedn);
      used[j] = 0;
      if (ok) return true;
    }
    return false;
  }

  Core<L>& core_;
};

}  // namespace engine
