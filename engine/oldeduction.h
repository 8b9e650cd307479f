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
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "engine/affichage.h"
#include "engine/logic.h"
#include "engine/ptypes.h"

namespace engine {

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
  const std::vector<std::vector<NameSign>>& pending() const { return pending_; }

  static OClause to_oclause(const Cl& c) {
    OClause k{{}, c.num};
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
    for (const auto& o : l)
      if (!o.framed) m.push_back({o.name, o.sign});
    return m;
  }

  // Drops from the pending list one entry equal to the chain's plain part.
  void eliminate(const OClause& k) {
    std::vector<NameSign> m = makelist(k.lits);
    auto it = std::find(pending_.begin(), pending_.end(), m);
    if (it != pending_.end()) pending_.erase(it);
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
    for (const auto& p : pending_)
      if (cont(m, p)) return true;
    pending_.push_back(std::move(m));  // the order of pending entries is not significant
    return false;
  }

  // Keeps the last occurrence of each entry, then drops leading framed
  // entries; nullopt when nothing is left (the chain is refuted).
  static std::optional<OClause> simplify(const OClause& k) {
    std::vector<OLiteral> uniq;
    for (std::size_t i = 0; i < k.lits.size(); ++i) {
      bool later = std::find(k.lits.begin() + static_cast<std::ptrdiff_t>(i) + 1, k.lits.end(),
                             k.lits[i]) != k.lits.end();
      if (!later) uniq.push_back(k.lits[i]);
    }
    std::size_t s = 0;
    while (s < uniq.size() && uniq[s].framed) ++s;
    if (s == uniq.size()) return std::nullopt;
    return OClause{std::vector<OLiteral>(uniq.begin() + static_cast<std::ptrdiff_t>(s), uniq.end()),
                   k.num};
  }

  // A proof tree for the refutation ending in c; throws Noprinting when the
  // search finds none. Without split literals c's own derivation is the proof.
  ProofTreePtr<L> proof_search(const std::vector<Cl>& l, const Cl& c) {
    std::vector<OClause> ol;
    ol.reserve(l.size());
    for (const auto& x : l) ol.push_back(to_oclause(x));
    if (c.split_neg.empty() && c.split_pos.empty()) return make_tree<L>(typename Tree::Deferred{c});
    pending_.clear();
    return search(l, ol, {to_oclause(c), make_tree<L>(typename Tree::Deferred{c})});
  }

 private:
  using Item = std::pair<OClause, ProofTreePtr<L>>;
  // The children of a chain, or the finished tree when a child closes the refutation.
  using Expansion = std::variant<std::vector<Item>, ProofTreePtr<L>>;

  // Breadth first over levels; the children of a later element of a level
  // come before those of earlier ones in the next level.
  ProofTreePtr<L> search(const std::vector<Cl>& l, const std::vector<OClause>& ol, Item start) {
    std::vector<Item> current{std::move(start)};
    std::vector<Item> next_rev;  // the next level, last element first
    std::size_t at = 0;
    while (true) {
      if (at == current.size()) {
        if (next_rev.empty()) throw Noprinting{};
        current.assign(std::make_move_iterator(next_rev.rbegin()),
                       std::make_move_iterator(next_rev.rend()));
        next_rev.clear();
        at = 0;
        continue;
      }
      Item item = std::move(current[at++]);
      if (item.first.lits.empty()) return item.second;
      eliminate(item.first);
      Expansion e = search_tree(l, ol, item);
      if (auto* done = std::get_if<ProofTreePtr<L>>(&e)) return *done;
      auto& children = std::get<std::vector<Item>>(e);
      for (auto it = children.rbegin(); it != children.rend(); ++it)
        next_rev.push_back(std::move(*it));
    }
  }

  Expansion search_tree(const std::vector<Cl>& l, const std::vector<OClause>& ol,
                        const Item& item) {
    const auto& lits = item.first.lits;
    if (lits.empty() || lits.front().framed) throw InternalError{"oldeduction"};
    const int n = lits.front().name;
    const bool s = lits.front().sign;
    const ProofTreePtr<L>& t = item.second;
    std::vector<OLiteral> rest(lits.begin() + 1, lits.end());

    // Reduction against a framed complement on the chain.
    if (std::find(rest.begin(), rest.end(), OLiteral{true, n, !s}) != rest.end()) {
      std::optional<OClause> k = simplify(OClause{rest, -1});
      if (!k) return make_tree<L>(typename Tree::Center{default_clause_, n, t});
      if (is_redundant_or_change(*k)) return std::vector<Item>{};
      ProofTreePtr<L> node = make_tree<L>(typename Tree::Center{to_clause(*k), n, t});
      return std::vector<Item>{{std::move(*k), std::move(node)}};
    }

    // Extension with every side clause holding the complement, in reverse order.
    std::vector<Item> children;
    for (const auto& x : ol) {
      auto xc = std::find_if(l.begin(), l.end(), [&x](const Cl& c) { return c.num == x.num; });
      if (xc == l.end()) continue;
      auto pos = std::find(x.lits.begin(), x.lits.end(), OLiteral{false, n, !s});
      if (pos == x.lits.end()) continue;
      std::vector<OLiteral> nl(x.lits.begin(), pos);
      nl.insert(nl.end(), pos + 1, x.lits.end());
      nl.push_back(OLiteral{true, n, s});
      nl.insert(nl.end(), rest.begin(), rest.end());
      ProofTreePtr<L> side = make_tree<L>(typename Tree::Deferred{*xc});
      std::optional<OClause> k = simplify(OClause{std::move(nl), -1});
      if (!k) return make_tree<L>(typename Tree::Res_split{default_clause_, n, side, t});
      if (is_redundant_or_change(*k)) continue;
      ProofTreePtr<L> node = make_tree<L>(typename Tree::Res_split{to_clause(*k), n, side, t});
      children.push_back(Item{std::move(*k), std::move(node)});
    }
    std::reverse(children.begin(), children.end());
    return children;
  }

  Core<L>& core_;
  Cl default_clause_;
  std::vector<std::vector<NameSign>> pending_;
};

}  // namespace engine
