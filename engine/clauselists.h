// Operations on literal lists and clause histories shared by decomposition,
// resolution and splitting: sorted merges without duplicates, removal of one
// literal, classification by sign, substitution, renaming, histories,
// clause splitting, and the clause and axiom tables. The split-context
// tests are in engine/splitnames.h.
//
//   auto cmp = lit_cmp(core);
//   auto pos = merge_perso(cmp, new_lits, rest.pos);   // of two equal literals the new one stays
//
// Every walk is a loop: lists grow without bound during a search.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/logic.h"
#include "engine/ptypes.h"
#include "engine/splitnames.h"

namespace engine {

// ---- Orders ----

inline int int_compare(int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); }
inline int string_compare(const std::string& a, const std::string& b) {
  int c = a.compare(b);  // byte by byte, a prefix first
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
inline int key_compare(int a, int b) { return int_compare(a, b); }
inline int key_compare(const std::string& a, const std::string& b) { return string_compare(a, b); }

// compare_litteral of the engine, as a callable.
template <Logic L>
auto lit_cmp(const Core<L>& core) {
  return [&core](const Literal<L>& a, const Literal<L>& b) { return core.compare_litteral(a, b); };
}

// ---- Sorted merges ----

// Sorted merge of l1 and l2; of two elements that compare equal, the one of l1 is kept.
template <class T, class Cmp>
std::vector<T> merge_perso(Cmp&& cmp, const std::vector<T>& l1, const std::vector<T>& l2) {
  if (l1.empty()) return l2;
  if (l2.empty()) return l1;
  std::vector<T> out;
  out.reserve(l1.size() + l2.size());
  std::size_t i = 0, j = 0;
  while (i < l1.size() && j < l2.size()) {
    int c = cmp(l1[i], l2[j]);
    if (c == -1) {
      out.push_back(l1[i++]);
    } else if (c == 1) {
      out.push_back(l2[j++]);
    } else {
      out.push_back(l1[i++]);
      ++j;
    }
  }
  out.insert(out.end(), l1.begin() + i, l1.end());
  out.insert(out.end(), l2.begin() + j, l2.end());
  return out;
}

// l without its first element equal to x; the walk stops at the first element above x.
template <class T, class Cmp>
std::vector<T> except(Cmp&& cmp, const T& x, const std::vector<T>& l) {
  std::vector<T> out;
  out.reserve(l.size());
  std::size_t i = 0;
  for (; i < l.size(); ++i) {
    int c = cmp(l[i], x);
    if (c == -1) {
      out.push_back(l[i]);
      continue;
    }
    if (c == 0) ++i;
    break;
  }
  out.insert(out.end(), l.begin() + i, l.end());
  return out;
}

// merge_perso of l1 and l2 with one element equal to x removed from each.
template <class T, class Cmp>
std::vector<T> merge_except(Cmp&& cmp, const T& x, const std::vector<T>& l1,
                            const std::vector<T>& l2) {
  std::vector<T> out;
  out.reserve(l1.size() + l2.size());
  std::size_t i = 0, j = 0;
  auto tail_except = [&](const std::vector<T>& l, std::size_t from) {
    std::vector<T> rest(l.begin() + from, l.end());
    std::vector<T> r = except(cmp, x, rest);
    out.insert(out.end(), r.begin(), r.end());
  };
  while (true) {
    if (i == l1.size()) {
      tail_except(l2, j);
      return out;
    }
    if (j == l2.size()) {
      tail_except(l1, i);
      return out;
    }
    bool e1 = cmp(l1[i], x) == 0;
    bool e2 = cmp(l2[j], x) == 0;
    if (e1 && e2) {
      std::vector<T> r1(l1.begin() + i + 1, l1.end()), r2(l2.begin() + j + 1, l2.end());
      std::vector<T> r = merge_perso(cmp, r1, r2);
      out.insert(out.end(), r.begin(), r.end());
      return out;
    }
    if (e1) {
      ++i;
      continue;
    }
    if (e2) {
      ++j;
      continue;
    }
    int c = cmp(l1[i], l2[j]);
    if (c == -1) {
      out.push_back(l1[i++]);
    } else if (c == 1) {
      out.push_back(l2[j++]);
    } else {
      out.push_back(l1[i++]);
      ++j;
    }
  }
}

// Sorted merge of three literal lists without duplicates, by compare_litteral.
// On a tie the head of the earlier list is output and the equal heads dropped.
template <Logic L>
std::vector<Literal<L>> merge_3(const Core<L>& core, const std::vector<Literal<L>>& l1,
                                const std::vector<Literal<L>>& l2,
                                const std::vector<Literal<L>>& l3) {
  auto cmp = lit_cmp(core);
  std::vector<Literal<L>> out;
  out.reserve(l1.size() + l2.size() + l3.size());
  std::size_t i = 0, j = 0, k = 0;
  while (i < l1.size() && j < l2.size() && k < l3.size()) {
    int c12 = cmp(l1[i], l2[j]);
    const Literal<L>& best12 = c12 <= 0 ? l1[i] : l2[j];
    int c3 = cmp(best12, l3[k]);
    if (c3 <= 0) {
      out.push_back(best12);
      if (c12 <= 0) ++i;
      if (c12 >= 0) ++j;
      if (c3 == 0) ++k;
    } else {
      out.push_back(l3[k++]);
    }
  }
  auto rest = [](const std::vector<Literal<L>>& l, std::size_t from) {
    return std::vector<Literal<L>>(l.begin() + from, l.end());
  };
  std::vector<Literal<L>> tail;
  if (i == l1.size())
    tail = merge_perso(cmp, rest(l2, j), rest(l3, k));
  else if (j == l2.size())
    tail = merge_perso(cmp, rest(l1, i), rest(l3, k));
  else
    tail = merge_perso(cmp, rest(l1, i), rest(l2, j));
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

// Inserts x into a sorted list, replacing an equal element: merge_perso of [x] and l.
template <class T, class Cmp>
void insert_sorted(Cmp&& cmp, std::vector<T>& l, T x) {
  std::size_t lo = 0, hi = l.size();
  while (lo < hi) {  // first element not below x
    std::size_t mid = lo + (hi - lo) / 2;
    if (cmp(l[mid], x) == -1)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo < l.size() && cmp(l[lo], x) == 0)
    l[lo] = std::move(x);
  else
    l.insert(l.begin() + static_cast<std::ptrdiff_t>(lo), std::move(x));
}

// ---- Small list operations ----

// The first n elements of l (all of it when shorter).
template <class T>
std::vector<T> list_sub(const std::vector<T>& l, std::size_t n) {
  return std::vector<T>(l.begin(),
                        l.begin() + static_cast<std::ptrdiff_t>(n < l.size() ? n : l.size()));
}

// ---- Literals by sign ----

template <Logic L>
struct PosNegList {
  std::vector<Literal<L>> pos, neg, autres;
};

// Classifies literals: negated ones go to `neg` with their negations removed,
// the others to `pos` likewise, those whose sign the logic cannot tell to
// `autres` unchanged. A new literal replaces an equal one already filed.
template <Logic L>
PosNegList<L> pos_neg_list(const Core<L>& core, const std::vector<Literal<L>>& l) {
  PosNegList<L> r;
  auto cmp = lit_cmp(core);
  for (const auto& lit : l) {
    try {
      bool negative = core.logic.negative_formula(lit.formule);
      Literal<L> body{core.logic.elim_all_neg(lit.formule), lit.marque, lit.num_lit};
      insert_sorted(cmp, negative ? r.neg : r.pos, std::move(body));
    } catch (const typename L::Metavar&) {
      insert_sorted(cmp, r.autres, lit);
    }
  }
  return r;
}

// The literal lists of a clause: all that a substitution changes in it.
template <Logic L>
struct Lits {
  std::vector<Literal<L>> pos, neg, autres;
};

// The lists under s; `autres` literals whose sign becomes known move to
// `pos` or `neg`.
template <Logic L>
Lits<L> apply_subst_lits(const Core<L>& core, const typename L::substitution& s,
                         const std::vector<Literal<L>>& pos, const std::vector<Literal<L>>& neg,
                         const std::vector<Literal<L>>& autres) {
  auto subst = [&](const std::vector<Literal<L>>& l) {
    std::vector<Literal<L>> out;
    out.reserve(l.size());
    for (const auto& lit : l)
      out.push_back(Literal<L>{core.logic.apply_subst(s, lit.formule), lit.marque, lit.num_lit});
    return out;
  };
  std::vector<Literal<L>> p = subst(pos), n = subst(neg);
  if (autres.empty()) return {std::move(p), std::move(n), {}};
  PosNegList<L> k = pos_neg_list(core, subst(autres));
  auto cmp = lit_cmp(core);
  return {merge_perso(cmp, k.pos, p), merge_perso(cmp, k.neg, n), std::move(k.autres)};
}
template <Logic L>
Lits<L> apply_subst_lits(const Core<L>& core, const typename L::substitution& s, const Lits<L>& l) {
  return apply_subst_lits(core, s, l.pos, l.neg, l.autres);
}

// The clause with s applied to every literal (apply_subst_lits); every other
// field, the constraints cell included, is c's.
template <Logic L>
Clause<L> apply_subst_clause(const Core<L>& core, const typename L::substitution& s,
                             const Clause<L>& c) {
  Lits<L> l = apply_subst_lits(core, s, c.pos, c.neg, c.autres);
  Clause<L> r;
  r.pos = std::move(l.pos);
  r.neg = std::move(l.neg);
  r.autres = std::move(l.autres);
  r.split_neg = c.split_neg;
  r.split_pos = c.split_pos;
  r.poids = c.poids;
  r.origine = c.origine;
  r.num = c.num;
  r.contraintes = c.contraintes;
  r.indice = c.indice;
  r.indices_a = c.indices_a;
  r.indices_b = c.indices_b;
  return r;
}

template <Logic L>
typename L::renaming get_renaming_formula_list(const Core<L>& core, typename L::renaming r,
                                               const std::vector<Literal<L>>& l) {
  for (const auto& lit : l) r = core.logic.get_renaming_formula(r, lit.formule);
  return r;
}

// ---- Histories: (key, (index, count)), keys descending, one entry per key ----

namespace detail {
template <class K>
void add_hist(std::vector<std::pair<K, std::pair<Indice, int>>>& h, const K& key,
              const Indice& ind) {
  std::size_t i = 0;
  while (i < h.size() && key_compare(h[i].first, key) > 0) ++i;
  if (i < h.size() && key_compare(h[i].first, key) == 0) {
    if (h[i].second.second < 2147483647) ++h[i].second.second;  // saturate, never overflow
    return;
  }
  h.insert(h.begin() + static_cast<std::ptrdiff_t>(i), {key, {ind, 1}});
}
}  // namespace detail

// The rule history with rule r counted once more.
template <Logic L>
RuleHistory add_hist_r(const Core<L>& core, RuleHistory h, const std::string& r) {
  detail::add_hist(
      h, r, Typespoids::indice_of_int(Typespoids::int_of_indice(core.logic.indice_regle(r))));
  return h;
}

// The clause history with clause c counted once more.
template <Logic L>
ClauseHistory add_hist_c(ClauseHistory h, const Clause<L>& c) {
  detail::add_hist(h, c.num, c.indice);
  return h;
}

// Merge by key, descending: equal keys keep h1's index and add the counts.
template <class K>
std::vector<std::pair<K, std::pair<Indice, int>>> merge_hist(
    const std::vector<std::pair<K, std::pair<Indice, int>>>& h1,
    const std::vector<std::pair<K, std::pair<Indice, int>>>& h2) {
  std::vector<std::pair<K, std::pair<Indice, int>>> out;
  out.reserve(h1.size() + h2.size());
  std::size_t i = 0, j = 0;
  while (i < h1.size() && j < h2.size()) {
    int c = key_compare(h1[i].first, h2[j].first);
    if (c > 0) {
      out.push_back(h1[i++]);
    } else if (c < 0) {
      out.push_back(h2[j++]);
    } else {
      long long n = static_cast<long long>(h1[i].second.second) + h2[j].second.second;
      if (n > 2147483647LL) n = 2147483647LL;
      out.push_back({h1[i].first, {h1[i].second.first, static_cast<int>(n)}});
      ++i;
      ++j;
    }
  }
  out.insert(out.end(), h1.begin() + i, h1.end());
  out.insert(out.end(), h2.begin() + j, h2.end());
  return out;
}

// The largest hint value of a resolvent's clause history, that is of
// add_hist_c (add_hist_c (merge_hist c1.indices_a c2.indices_a) c1) c2, in
// one walk over the parents' histories that builds nothing. The counts
// saturate as the history's own do.
template <Logic L>
int resolvent_hint_max(const Clause<L>& c1, const Clause<L>& c2) {
  constexpr int kMax = 2147483647;
  const ClauseHistory &h1 = c1.indices_a, &h2 = c2.indices_a;
  int best = 0;
  bool seen1 = false, seen2 = false;
  auto entry = [&](int key, const Indice& ind, long long n) {
    if (n > kMax) n = kMax;
    if (key == c1.num) {
      seen1 = true;
      if (n < kMax) ++n;
    }
    if (key == c2.num) {
      seen2 = true;
      if (n < kMax) ++n;
    }
    best = std::max(best, Typespoids::hint_value(ind, n));
  };
  std::size_t i = 0, j = 0;
  while (i < h1.size() || j < h2.size()) {
    if (j == h2.size() || (i < h1.size() && h1[i].first > h2[j].first)) {
      entry(h1[i].first, h1[i].second.first, h1[i].second.second);
      ++i;
    } else if (i == h1.size() || h2[j].first > h1[i].first) {
      entry(h2[j].first, h2[j].second.first, h2[j].second.second);
      ++j;
    } else {  // equal keys: h1's index, the counts added
      entry(h1[i].first, h1[i].second.first,
            static_cast<long long>(h1[i].second.second) + h2[j].second.second);
      ++i;
      ++j;
    }
  }
  if (!seen1) {
    // c1 enters with count 1, and c2 counts on it when it is the same clause.
    const bool same = c2.num == c1.num;
    best = std::max(best, Typespoids::hint_value(c1.indice, same ? 2 : 1));
    if (same) seen2 = true;
  }
  if (!seen2) best = std::max(best, Typespoids::hint_value(c2.indice, 1));
  return best;
}

// ---- Clause splitting ----

// A group of literals sharing variables, with the union of their variables.
template <Logic L>
struct Fragment {
  std::vector<Literal<L>> pos, neg, autres;
  typename L::varset vars;
};

// Absorbs into f every fragment of `frags` that shares a variable with it
// (the test uses the growing variable set). The merged fragment comes first,
// the untouched ones follow in reverse order.
template <Logic L>
std::vector<Fragment<L>> enroleur(const Core<L>& core, Fragment<L> f,
                                  std::vector<Fragment<L>> frags) {
  auto cmp = lit_cmp(core);
  std::vector<Fragment<L>*> acc;
  for (auto& g : frags) {
    if (core.logic.is_empty_inter_varset(f.vars, g.vars)) {
      acc.push_back(&g);
    } else {
      f.vars = core.logic.union_varset(f.vars, g.vars);
      f.autres = merge_perso(cmp, f.autres, g.autres);
      f.neg = merge_perso(cmp, f.neg, g.neg);
      f.pos = merge_perso(cmp, f.pos, g.pos);
    }
  }
  std::vector<Fragment<L>> out;
  out.reserve(acc.size() + 1);
  out.push_back(std::move(f));
  for (auto it = acc.rbegin(); it != acc.rend(); ++it) out.push_back(std::move(**it));
  return out;
}

// Adds each literal to the fragments: kind 3 when is_autres, else 1 when is_pos, else 2.
template <Logic L>
std::vector<Fragment<L>> fait_morceaux(const Core<L>& core, std::vector<Fragment<L>> frags,
                                       const std::vector<Literal<L>>& lits, bool is_pos,
                                       bool is_autres) {
  for (const auto& x : lits) {
    Fragment<L> f{{}, {}, {}, core.logic.vars_of_formula(x.formule)};
    if (is_autres)
      f.autres.push_back(x);
    else if (is_pos)
      f.pos.push_back(x);
    else
      f.neg.push_back(x);
    frags = enroleur(core, std::move(f), std::move(frags));
  }
  return frags;
}

// Turns the fragments of c into clauses linked by split literals, the first
// fragment at position k. A lone literal is named through the split-name map,
// keyed by its formula and the list it stands in, so that a literal and its
// negation never share a name.
// Side effects: takes split names and clause numbers; files every new clause
// in the clause table.
template <Logic L>
std::vector<ClauseRef<L>> make_clauses(Core<L>& core, const ClauseRef<L>& cref,
                                       const std::vector<Fragment<L>>& frags, int k, int previous) {
  if (frags.empty()) support::internal_error("prover");
  if (k == 1 && frags.size() == 1) return {cref};
  const Clause<L>& c = *cref;
  // The split literal of a middle fragment stands for that fragment or any
  // before it: its key holds the previous name too, so that one name never
  // means two things (a shared name would prove non-theorems).
  auto name_of = [&core](const Fragment<L>& f, int before) {
    std::size_t total = f.pos.size() + f.neg.size() + f.autres.size();
    if (total != 1) return core.splitting_st.new_litname();
    typename Core<L>::SplitKey key =
        !f.pos.empty()   ? typename Core<L>::SplitKey{f.pos[0].formule, 1, before}
        : !f.neg.empty() ? typename Core<L>::SplitKey{f.neg[0].formule, 2, before}
                         : typename Core<L>::SplitKey{f.autres[0].formule, 3, before};
    auto it = core.split_names.find(key);
    if (it != core.split_names.end()) return it->second;
    int s = core.splitting_st.new_litname();
    core.split_names.emplace(std::move(key), s);
    return s;
  };
  std::vector<ClauseRef<L>> out;
  out.reserve(frags.size());
  for (std::size_t i = 0; i < frags.size(); ++i, ++k) {
    const Fragment<L>& f = frags[i];
    bool last = i + 1 == frags.size();
    Clause<L> d;
    d.pos = f.pos;
    d.neg = f.neg;
    d.autres = f.autres;
    d.split_neg = c.split_neg;
    d.split_pos = c.split_pos;
    if (!last) {
      int s = name_of(f, i == 0 ? 0 : previous);
      d.split_neg = merge_perso(int_compare, c.split_neg, std::vector<int>{s});
      if (i > 0) d.split_pos = merge_perso(int_compare, c.split_pos, std::vector<int>{previous});
      previous = s;
    } else {
      d.split_pos = merge_perso(int_compare, c.split_pos, std::vector<int>{previous});
    }
    d.poids = c.poids;
    d.contraintes = c.contraintes;
    d.indice = c.indice;
    d.indices_a = c.indices_a;
    d.indices_b = c.indices_b;
    d.num = core.next_clause_number();
    d.origine = make_origine<L>(SplitOrigine<L>{c.num, c.origine, k});
    out.push_back(share(std::move(d)));
    add_clause_table(core, out.back());
  }
  return out;
}

// Cuts c into variable-disjoint fragments: [c] itself when there is only one.
template <Logic L>
std::vector<ClauseRef<L>> split_clause(Core<L>& core, const ClauseRef<L>& c) {
  int previous = core.splitting_st.current_litname();
  std::vector<Fragment<L>> frags = fait_morceaux(core, {}, c->pos, true, false);
  frags = fait_morceaux(core, std::move(frags), c->neg, false, false);
  frags = fait_morceaux(core, std::move(frags), c->autres, false, true);
  return make_clauses(core, c, frags, 1, previous);
}

// ---- Tables ----

// What a proof shows of a clause: all of it but the weight histories, which
// only the search reads. The table keeps this much of a clause that no list
// shares.
template <Logic L>
Clause<L> shown_part(const Clause<L>& c) {
  Clause<L> r;
  r.pos = c.pos;
  r.neg = c.neg;
  r.autres = c.autres;
  r.split_neg = c.split_neg;
  r.split_pos = c.split_pos;
  r.poids = c.poids;
  r.origine = c.origine;
  r.num = c.num;
  r.contraintes = c.contraintes;
  r.indice = c.indice;
  return r;
}

// Files what a proof shows of c in the table of all clauses under its
// number (a later clause shadows an earlier one). The table keeps its own
// small copy: sharing the list's clause would keep its histories and its
// subsumption caches alive as long as the table, about twice the memory.
template <Logic L>
void add_clause_table(Core<L>& core, const ClauseRef<L>& c) {
  core.clause_table.insert_or_assign(c->num, share(shown_part(*c)));
}

// Forgets the axioms: their already-seen list and their table.
template <Logic L>
void init(Core<L>& core) {
  core.axiom_djvues.clear();
  core.axiom_table.clear();
}

}  // namespace engine
