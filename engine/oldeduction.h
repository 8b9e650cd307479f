// Proof reconstruction over split literals. When the split tree is refuted,
// the final empty clause and the empty split clauses found before it are
// contradictory as propositional clauses over split names; `proof_search`
// rebuilds a refutation of them: linear resolution with framed literals
// (model elimination chains) from the final clause, breadth first.
//
//   Oldeduction<L> od(core);
//   ProofTreePtr<L> t = od.proof_search(core.empty_split_clauses, final_clause);  // or Noprinting
#pragma once

#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "engine/affichage.h"
#include "engine/logic.h"
#include "engine/ptypes.h"
#include "support/signals.h"

namespace engine {

// The interrupt key stopped the search (the request is cleared).
struct SearchInterrupted {};

template <Logic L>
class Oldeduction {
 public:
  using Cl = Clause<L>;
  using Tree = ProofTree<L>;

  // A split literal of a chain: Framed records one resolved away earlier on
  // the chain; Plain is still to be refuted. Sign true: from `split_neg`.
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

  explicit Oldeduction(Core<L>& core) : core_(core) {
    default_clause_.contraintes =
        std::make_shared<typename L::constraints>(core.logic.empty_constraints());
    default_clause_.poids = core.weights.initpoids(0);
    default_clause_.origine = make_origine<L>(Parentless<L>{});
    default_clause_.num = -1;
    default_clause_.indice = 2.0;
  }

  const Cl& default_clause() const { return default_clause_; }
  std::size_t pending_size() const { return pending_size_; }

  static OClause to_oclause(const Cl& c) {
    OClause k{{}, c.num};
    k.lits.reserve(c.split_neg.size() + c.split_pos.size());
    for (int n : c.split_neg) k.lits.push_back({false, n, true});
    for (int n : c.split_pos) k.lits.push_back({false, n, false});
    return k;
  }

  Cl to_clause(const OClause& k) const {
    Cl c = default_clause_;
    for (const auto& o : k.lits)
      if (!o.framed) (o.sign ? c.split_neg : c.split_pos).push_back(o.name);
    return c;
  }

  static std::vector<NameSign> makelist(const std::vector<OLiteral>& l) {
    std::vector<NameSign> m;
    m.reserve(l.size());
    for (const auto& o : l)
      if (!o.framed) m.push_back({o.name, o.sign});
    return m;
  }

  // Drops from the pending entries one equal to the chain's plain part.
  void eliminate(const OClause& k) {
    std::vector<NameSign> m = makelist(k.lits);
    std::size_t node = 0;
    for (const NameSign& x : m) {
      auto it = trie_[node].next.find(x);
      if (it == trie_[node].next.end()) return;
      node = it->second;
    }
    if (trie_[node].count > 0) {
      --trie_[node].count;
      --pending_size_;
    }
  }

  // True when b is a subsequence of a.
  static bool cont(const std::vector<NameSign>& a, const std::vector<NameSign>& b) {
    std::size_t j = 0;
    for (std::size_t i = 0; i < a.size() && j < b.size(); ++i)
      if (a[i] == b[j]) ++j;
    return j == b.size();
  }

  // True when the chain holds a name with both signs, or a pending chain's
  // plain part is a subsequence of its own; otherwise records it as pending.
  bool is_redundant_or_change(const OClause& k) {
    std::vector<NameSign> m = makelist(k.lits);
    for (std::size_t i = 0; i < m.size(); ++i)
      for (std::size_t j = i + 1; j < m.size(); ++j)
        if (m[i].first == m[j].first && m[i].second != m[j].second) return true;
    if (has_pending_subsequence(m)) return true;
    std::size_t node = 0;
    for (const NameSign& x : m) {
      auto it = trie_[node].next.find(x);
      if (it != trie_[node].next.end()) {
        node = it->second;
        continue;
      }
      trie_.push_back(TrieNode{});
      const std::size_t fresh = trie_.size() - 1;
      trie_[node].next.emplace(x, fresh);
      node = fresh;
    }
    ++trie_[node].count;
    ++pending_size_;
    return false;
  }

  // Keeps the last occurrence of each entry, then drops leading framed
  // entries; nullopt when nothing is left (the chain is refuted).
  static std::optional<OClause> simplify(const OClause& k) {
    std::vector<OLiteral> uniq;
    uniq.reserve(k.lits.size());
    std::size_t s = k.lits.size();  // first kept entry that is plain
    for (std::size_t i = 0; i < k.lits.size(); ++i) {
      bool later = std::find(k.lits.begin() + static_cast<std::ptrdiff_t>(i) + 1, k.lits.end(),
                             k.lits[i]) != k.lits.end();
      if (later) continue;
      if (s == k.lits.size() && !k.lits[i].framed) s = uniq.size();
      if (s != k.lits.size()) uniq.push_back(k.lits[i]);
    }
    if (uniq.empty()) return std::nullopt;
    return OClause{std::move(uniq), k.num};
  }

  // A proof tree for the refutation ending in c; throws Noprinting when the
  // search finds none, SearchInterrupted on the interrupt key. Without split
  // literals c's own derivation is the proof.
  ProofTreePtr<L> proof_search(const std::vector<Cl>& l, const Cl& c) {
    if (c.split_neg.empty() && c.split_pos.empty()) return make_tree<L>(typename Tree::Deferred{c});
    trie_.assign(1, TrieNode{});
    pending_size_ = 0;
    Sides sides = index_sides(l);
    steps_.clear();
    steps_.push_back(Step{to_oclause(c), kNone, Kind::Start, 0, 0});
    ProofTreePtr<L> t = search(l, sides, c);
    steps_.clear();
    steps_.shrink_to_fit();
    return t;
  }

 private:
  // Every chain the search makes, with how it was made from its parent; the
  // proof tree is built only for the chain that closes the refutation.
  enum class Kind { Start, Center, Res_split, Refuted_center, Refuted_res };
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  struct Step {
    OClause k;
    std::size_t parent;
    Kind kind;
    int name;
    std::size_t side;  // index in the side clauses of a resolution
  };
  // For each (name, sign): the side clauses holding it as a plain literal,
  // in list order, with its position; and the clause each side clause's
  // tree shows (the first of the list with its number).
  struct Sides {
    std::vector<OClause> ol;
    std::vector<std::size_t> real;
    std::map<NameSign, std::vector<std::pair<std::size_t, std::size_t>>> by_lit;
  };

  static Sides index_sides(const std::vector<Cl>& l) {
    Sides s;
    s.ol.reserve(l.size());
    std::map<int, std::size_t> first;
    for (std::size_t i = 0; i < l.size(); ++i) {
      s.ol.push_back(to_oclause(l[i]));
      first.emplace(l[i].num, i);
      s.real.push_back(first.at(l[i].num));
      const auto& lits = s.ol.back().lits;
      for (std::size_t p = 0; p < lits.size(); ++p) {
        auto& v = s.by_lit[NameSign{lits[p].name, lits[p].sign}];
        if (v.empty() || v.back().first != i) v.emplace_back(i, p);  // first occurrence
      }
    }
    return s;
  }

  // The tree of step i: its node over the tree of its parent chain.
  ProofTreePtr<L> build_tree(const std::vector<Cl>& l, const Sides& sides, const Cl& c,
                             std::size_t i) const {
    std::vector<std::size_t> chain;
    for (std::size_t j = i; j != kNone; j = steps_[j].parent) chain.push_back(j);
    ProofTreePtr<L> t;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const Step& st = steps_[*it];
      switch (st.kind) {
        case Kind::Start:
          t = make_tree<L>(typename Tree::Deferred{c});
          break;
        case Kind::Center:
          t = make_tree<L>(typename Tree::Center{to_clause(st.k), st.name, t});
          break;
        case Kind::Refuted_center:
          t = make_tree<L>(typename Tree::Center{default_clause_, st.name, t});
          break;
        case Kind::Res_split:
        case Kind::Refuted_res: {
          ProofTreePtr<L> side = make_tree<L>(typename Tree::Deferred{l[sides.real[st.side]]});
          const Cl& node = st.kind == Kind::Res_split ? to_clause(st.k) : default_clause_;
          t = make_tree<L>(typename Tree::Res_split{node, st.name, side, t});
          break;
        }
      }
    }
    return t;
  }

  // Breadth first over levels; the children of a later element of a level
  // come before those of earlier ones in the next level.
  ProofTreePtr<L> search(const std::vector<Cl>& l, const Sides& sides, const Cl& c) {
    std::vector<std::size_t> current{0};
    std::vector<std::size_t> next_rev;  // the next level, last element first
    std::vector<std::size_t> children;
    std::size_t at = 0;
    unsigned ticks = 0;
    while (true) {
      if ((++ticks & 63u) == 0 && support::poll() == support::Stop::Interrupt) {
        support::clear_interrupt();
        throw SearchInterrupted{};
      }
      if (at == current.size()) {
        if (next_rev.empty()) throw Noprinting{};
        current.assign(next_rev.rbegin(), next_rev.rend());
        next_rev.clear();
        at = 0;
        continue;
      }
      const std::size_t item = current[at++];
      if (steps_[item].k.lits.empty()) return build_tree(l, sides, c, item);
      eliminate(steps_[item].k);
      children.clear();
      if (auto done = expand(sides, item, children)) return build_tree(l, sides, c, *done);
      for (auto it = children.rbegin(); it != children.rend(); ++it) next_rev.push_back(*it);
    }
  }

  // Appends the steps made from step `item` to steps_ and their indices to
  // `children`, in reverse order; returns the step that closes the
  // refutation when one does.
  std::optional<std::size_t> expand(const Sides& sides, std::size_t item,
                                    std::vector<std::size_t>& children) {
    const std::vector<OLiteral>& lits = steps_[item].k.lits;
    if (lits.empty() || lits.front().framed) throw InternalError{"oldeduction"};
    const int n = lits.front().name;
    const bool s = lits.front().sign;
    std::vector<OLiteral> rest(lits.begin() + 1, lits.end());

    // Reduction against a framed complement on the chain.
    if (std::find(rest.begin(), rest.end(), OLiteral{true, n, !s}) != rest.end()) {
      std::optional<OClause> k = simplify(OClause{std::move(rest), -1});
      if (!k) {
        steps_.push_back(Step{OClause{}, item, Kind::Refuted_center, n, 0});
        return steps_.size() - 1;
      }
      if (is_redundant_or_change(*k)) return std::nullopt;
      steps_.push_back(Step{std::move(*k), item, Kind::Center, n, 0});
      children.push_back(steps_.size() - 1);
      return std::nullopt;
    }

    // Extension with every side clause holding the complement, in list order.
    auto found = sides.by_lit.find(NameSign{n, !s});
    if (found == sides.by_lit.end()) return std::nullopt;
    const std::size_t first_child = children.size();
    std::vector<OLiteral> nl;
    for (const auto& [x, pos] : found->second) {
      const std::vector<OLiteral>& xl = sides.ol[x].lits;
      nl.clear();
      nl.reserve(xl.size() + rest.size());
      nl.insert(nl.end(), xl.begin(), xl.begin() + static_cast<std::ptrdiff_t>(pos));
      nl.insert(nl.end(), xl.begin() + static_cast<std::ptrdiff_t>(pos) + 1, xl.end());
      nl.push_back(OLiteral{true, n, s});
      nl.insert(nl.end(), rest.begin(), rest.end());
      std::optional<OClause> k = simplify(OClause{nl, -1});
      if (!k) {
        steps_.push_back(Step{OClause{}, item, Kind::Refuted_res, n, x});
        return steps_.size() - 1;
      }
      if (is_redundant_or_change(*k)) continue;
      steps_.push_back(Step{std::move(*k), item, Kind::Res_split, n, x});
      children.push_back(steps_.size() - 1);
    }
    std::reverse(children.begin() + static_cast<std::ptrdiff_t>(first_child), children.end());
    return std::nullopt;
  }

  // Whether some pending entry is a subsequence of m (whose entries are
  // distinct, so each trie node is met at most once). A loop over an
  // explicit stack: chains grow with the number of split names.
  bool has_pending_subsequence(const std::vector<NameSign>& m) const {
    std::vector<std::pair<std::size_t, std::size_t>> stack{{0, 0}};  // (node, next position in m)
    while (!stack.empty()) {
      auto [node, from] = stack.back();
      stack.pop_back();
      const TrieNode& t = trie_[node];
      if (t.count > 0) return true;
      if (t.next.empty()) continue;
      for (std::size_t j = from; j < m.size(); ++j) {
        auto it = t.next.find(m[j]);
        if (it != t.next.end()) stack.emplace_back(it->second, j + 1);
      }
    }
    return false;
  }

  std::vector<Step> steps_;
  Core<L>& core_;
  Cl default_clause_;
  // The pending plain parts, as a trie: a node per distinct prefix, with the
  // number of pending entries that end there. Children by (name, sign), so
  // the subsequence query walks only prefixes that occur in the chain.
  struct TrieNode {
    std::map<NameSign, std::size_t> next;
    std::size_t count = 0;
  };
  std::vector<TrieNode> trie_{TrieNode{}};
  std::size_t pending_size_ = 0;
};

}  // namespace engine
