// The split names a clause depends on: whether one context includes
// another, and the signatures and facts that let the resolution path
// refuse a pair of split clauses without walking their name lists.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/logic.h"
#include "engine/ptypes.h"

namespace engine {

// ---- Split-context inclusion ----

// True when a[0..na) is a subsequence of b[0..nb).
inline bool fst_sub_snd(const int* a, std::size_t na, const int* b, std::size_t nb) {
  std::size_t i = 0, j = 0;
  while (i < na) {
    if (j == nb) return false;
    if (a[i] == b[j]) ++i;
    ++j;
  }
  return true;
}
inline bool fst_sub_snd(const std::vector<int>& l1, const std::vector<int>& l2) {
  return fst_sub_snd(l1.data(), l1.size(), l2.data(), l2.size());
}

// Which of two split-name lists includes the other, as the walk below
// decides it: past their common prefix, the rest of one must be a
// subsequence of the rest of the other without its first element.
enum class Inclusion { None, First, Second, Both };  // First: l1 is included in l2

inline Inclusion which_one_sub(const std::vector<int>& l1, const std::vector<int>& l2) {
  std::size_t i = 0, j = 0;
  while (true) {
    bool e1 = i == l1.size(), e2 = j == l2.size();
    if (e1 && e2) return Inclusion::Both;
    if (e1) return Inclusion::First;
    if (e2) return Inclusion::Second;
    if (l1[i] == l2[j]) {
      ++i;
      ++j;
      continue;
    }
    const int *r1 = l1.data() + i, *r2 = l2.data() + j;
    const std::size_t n1 = l1.size() - i, n2 = l2.size() - j;
    if (fst_sub_snd(r1, n1, r2 + 1, n2 - 1)) return Inclusion::First;
    if (fst_sub_snd(r2, n2, r1 + 1, n1 - 1)) return Inclusion::Second;
    return Inclusion::None;
  }
}

// ---- Split-name signatures ----

// Names below 64 (most searches never make more) have a bit of their own,
// so a signature of such names is the set itself; larger ones share bits.
inline std::uint64_t split_bit(int n) {
  if (n >= 0 && n < 64) return std::uint64_t{1} << n;
  return std::uint64_t{1} << ((static_cast<std::uint64_t>(static_cast<unsigned>(n)) *
                               0x9E3779B97F4A7C15ULL) >>
                              58);
}
inline bool exact_names(const std::vector<int>& l) {
  return l.empty() || (l.front() >= 0 && l.back() < 64);  // ascending
}
inline std::uint64_t split_signature(const std::vector<int>& l) {
  std::uint64_t s = 0;
  for (int n : l) s |= split_bit(n);
  return s;
}

// Two ascending name lists share a name (one merge walk).
inline bool names_meet(const std::vector<int>& a, const std::vector<int>& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i] == b[j]) return true;
    if (a[i] < b[j])
      ++i;
    else
      ++j;
  }
  return false;
}

// Every name of a is in b, a's signature being sa and b's sb.
inline bool names_included(const std::vector<int>& a, std::uint64_t sa, const std::vector<int>& b,
                           std::uint64_t sb, bool exact = false) {
  if ((sa & ~sb) != 0) return false;
  if (exact) return true;
  for (int x : a)
    if (std::find(b.begin(), b.end(), x) == b.end()) return false;
  return true;
}

template <Logic L>
const SplitFacts& split_facts(const Clause<L>& c) {
  return c.split_facts.get([&c] {
    return SplitFacts{split_signature(c.split_neg),
                      split_signature(c.split_pos),
                      names_meet(c.split_neg, c.split_pos),
                      !c.split_neg.empty() || !c.split_pos.empty(),
                      !c.pos.empty(),
                      !c.neg.empty(),
                      exact_names(c.split_neg) && exact_names(c.split_pos)};
  });
}

// The table entry of literal lit with the rest of its clause.
template <Logic L>
typename Core<L>::Entry table_entry(ClauseRef<L> rest, Literal<L> lit) {
  const SplitFacts facts = split_facts(*rest);
  return {std::move(rest), std::move(lit), facts};
}

}  // namespace engine
