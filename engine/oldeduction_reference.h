// The chain rules of proof reconstruction in their list form: chains of
// framed and plain split literals as the algorithm states them. The search
// itself runs on entry codes (oldeduction.h); each form here feeds a list
// to the search's own rule and reads the answer back, so the tests can
// state cases in lists. Only tests include this header.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "engine/oldeduction.h"
#include "engine/test_access.h"

namespace engine::reference {

// A split literal of a chain: framed records one resolved away earlier on
// the chain; plain is still to be refuted. Sign true: from `split_neg`.
struct OLiteral {
  bool framed;
  int name;
  bool sign;
  bool operator==(const OLiteral&) const = default;
};
struct OClause {  // the first entry is the selected literal
  std::vector<OLiteral> lits;
  int num;  // the clause it was made from, -1 when built by the search
};
using NameSign = std::pair<int, bool>;

// Checks the start chain of a search (`start_chain`): plain split_neg
// names, then plain split_pos names.
template <Logic L>
OClause to_oclause(const Clause<L>& c) {
  OClause k{{}, c.num};
  for (int n : c.split_neg) k.lits.push_back({false, n, true});
  for (int n : c.split_pos) k.lits.push_back({false, n, false});
  return k;
}

// Checks `plain_part`: the (name, sign) pairs of the plain entries.
inline std::vector<NameSign> makelist(const std::vector<OLiteral>& l) {
  std::vector<NameSign> m;
  for (const auto& o : l)
    if (!o.framed) m.push_back({o.name, o.sign});
  return m;
}

// Checks the pending index's subsequence test: true when b is a
// subsequence of a.
inline bool cont(const std::vector<NameSign>& a, const std::vector<NameSign>& b) {
  std::size_t j = 0;
  for (std::size_t i = 0; i < a.size() && j < b.size(); ++i)
    if (a[i] == b[j]) ++j;
  return j == b.size();
}

namespace detail {
template <Logic L>
std::vector<std::uint32_t> entries(Oldeduction<L>& od, const std::vector<OLiteral>& l) {
  std::vector<std::uint32_t> e;
  for (const auto& o : l) e.push_back(TestAccess::entry_code(od, o.framed, o.name, o.sign));
  return e;
}
}  // namespace detail

// Checks `simplify_codes`: the last occurrence of each entry, then no
// leading framed entry; nullopt when nothing is left (the chain is refuted).
template <Logic L>
std::optional<OClause> simplify(Oldeduction<L>& od, const OClause& k) {
  std::vector<std::uint32_t> out;
  if (!TestAccess::simplify_codes(od, detail::entries(od, k.lits), out)) return std::nullopt;
  OClause r{{}, k.num};
  for (std::uint32_t x : out)
    r.lits.push_back({TestAccess::is_framed<L>(x), TestAccess::name_of_entry(od, x),
                      TestAccess::sign_of_entry(od, x)});
  return r;
}

// Checks the pending index's erase: drops one pending entry equal to the
// chain's plain part.
template <Logic L>
void eliminate(Oldeduction<L>& od, const OClause& k) {
  TestAccess::pending_erase(od, TestAccess::plain_part<L>(detail::entries(od, k.lits)));
}

// Checks `redundant_or_record`: true when the chain holds a name with both
// signs, or a pending chain's plain part is a subsequence of its own;
// otherwise records it as pending.
template <Logic L>
bool is_redundant_or_change(Oldeduction<L>& od, const OClause& k) {
  return TestAccess::redundant_or_record(od,
                                         TestAccess::plain_part<L>(detail::entries(od, k.lits)));
}

// Checks `to_clause` on codes: the default clause with the plain entries as
// split literals.
template <Logic L>
Clause<L> to_clause(Oldeduction<L>& od, const OClause& k) {
  return TestAccess::to_clause(od, detail::entries(od, k.lits));
}

}  // namespace engine::reference
