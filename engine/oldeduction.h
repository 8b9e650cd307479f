// Proof reconstruction over split literals. When the split tree is refuted,
// the final empty clause and the empty split clauses found before it are
// contradictory as propositional clauses over split names; `proof_search`
// rebuilds a refutation of them: linear resolution with framed literals
// (model elimination chains) from the final clause, breadth first.
//
//   Oldeduction<L> od(core);
//   std::vector<ClauseRef<L>> l(core.empty_split_clauses.rbegin(),
//   core.empty_split_clauses.rend()); ProofTreePtr<L> t = od.proof_search(l, final_clause);  //
//   newest first; or Noprinting
//
// The breadth-first walk has no end of its own: a chain taken out of the
// pending list can be made again, and some inputs grow without bound. So the
// walk stops with Noprinting when a level repeats an earlier one (it would
// then repeat forever) or when its work passes a fixed bound; the bound counts
// chain entries built and pending-index nodes visited, never time, so every
// machine shows the same proofs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/affichage.h"
#include "engine/logic.h"
#include "engine/pending_index.h"
#include "engine/ptypes.h"
#include "support/signals.h"

namespace engine {

template <Logic L>
class Oldeduction {
 public:
  using Cl = Clause<L>;
  using Tree = ProofTree<L>;

  // Work allowed to one search: about a second here. The largest proof the
  // examples and the bench sets show needs about 320 million (php4 with a
  // long candidate list); the next largest under half a million.
  static constexpr std::uint64_t kWorkBound = 400'000'000;
  // Memory allowed to one search's tables, in bytes as counted by footprint().
  static constexpr std::uint64_t kMemoryBound = 160u << 20;

  explicit Oldeduction(Core<L>& core) : core_(core) {
    default_clause_.contraintes = make_constraints<L>(core.logic.empty_constraints());
    default_clause_.poids = core.weights.initpoids(0);
    default_clause_.origine = make_origine<L>(Parentless<L>{});
    default_clause_.num = -1;
    default_clause_.indice = 2.0;
  }

  const Cl& default_clause() const { return default_clause_; }
  std::size_t pending_size() const { return pending_.size(); }
  // How the last search over split literals ended.
  enum class End { Found, Exhausted, Repeated, OverBound };
  End last_end() const { return end_; }
  // The work bound of later searches (tests lower it); the work of the last one.
  void set_work_bound(std::uint64_t b) { work_bound_ = b; }
  std::uint64_t last_work() const { return work_; }

  // A proof tree for the refutation ending in c; throws Noprinting when the
  // search finds none or gives up, support::Interrupted on the interrupt key
  // (the request taken).
  // Without split literals c's own derivation is the proof.
  ProofTreePtr<L> proof_search(const std::vector<ClauseRef<L>>& l, const Cl& c) {
    if (c.split_neg.empty() && c.split_pos.empty()) return make_tree<L>(typename Tree::Deferred{c});
    pending_.clear();
    work_ = 0;
    Sides sides = index_sides(l, c);
    struct Release {  // the search's tables go whatever way it ends
      Oldeduction* od;
      ~Release() { od->release(); }
    } release{this};
    return search(l, sides, c);
  }

 private:
  friend struct TestAccess;  // the chain rules' list forms (oldeduction_reference.h)

  // ---- Codes ----
  // Inside a search a split name is a dense id; a literal's code is
  // id * 2 + sign, and an entry of a chain is code * 2 + framed. Ids are
  // given in order of first sight, so they only index tables.
  using Code = PendingIndex::Code;
  static constexpr std::uint32_t kNil = PendingIndex::kNil;
  static Code entry_code(Code lit, bool framed) { return lit * 2 + (framed ? 1 : 0); }
  static Code lit_of(Code e) { return e >> 1; }
  static bool is_framed(Code e) { return (e & 1) != 0; }
  static Code complement(Code lit) { return lit ^ 1; }

  Code code_of(int name, bool sign) {
    auto [it, fresh] = ids_.emplace(name, static_cast<Code>(names_.size()));
    if (fresh) {
      names_.push_back(name);
      seen_.resize(2 * names_.size(), 0);
      entry_seen_.resize(4 * names_.size(), 0);
    }
    return it->second * 2 + (sign ? 1 : 0);
  }
  int name_of(Code lit) const { return names_[lit >> 1]; }
  bool sign_of(Code lit) const { return (lit & 1) != 0; }

  // kNil when the chain is redundant; else the node of its new pending entry.
  std::uint32_t redundant_or_record(const std::vector<Code>& m) {
    // A name with both signs: its two codes differ in the low bit only.
    const std::uint32_t stamp = next_stamp();
    for (Code x : m) seen_[x] = stamp;
    for (Code x : m)
      if (seen_[complement(x)] == stamp) return kNil;
    if (pending_.has_subsequence_of(m, work_)) return kNil;
    return pending_.insert(m);
  }

  std::uint32_t next_stamp() {
    if (++stamp_ == 0) {  // wrapped: old marks could match again
      std::fill(seen_.begin(), seen_.end(), 0);
      std::fill(entry_seen_.begin(), entry_seen_.end(), 0);
      stamp_ = 1;
    }
    return stamp_;
  }

  // ---- The search ----
  // Every chain kept is a step: how it was made from its parent chain. The
  // chain's entries live only while it waits in a level; the proof tree is
  // built for the closing chain by replaying the steps from the start.
  enum class Kind : std::uint8_t { Start, Center, Res_split, Refuted_center, Refuted_res };
  struct Step {
    std::uint32_t parent;
    Kind kind;
    Code lit;            // the literal resolved upon or reduced
    std::uint32_t side;  // index in the side clauses of a resolution
  };
  // A level: the chains in the order they were made, each a range of `lits`.
  struct Level {
    std::vector<Code> lits;
    std::vector<std::uint32_t> start;  // chain i is lits[start[i], start[i + 1])
    std::vector<std::uint32_t> step;
    std::vector<std::uint32_t> leaf;  // where its pending entry ends (kNil: none)
    void clear() {
      lits.clear();
      start.assign(1, 0);
      step.clear();
      leaf.clear();
    }
    std::size_t size() const { return step.size(); }
  };

  // For each literal code: the side clauses holding it, in list order, with
  // the position of its first occurrence; and the clause each side clause's
  // tree shows (the first of the list with its number).
  struct Sides {
    std::vector<std::vector<Code>> chains;  // entry codes (all plain)
    std::vector<std::size_t> real;
    std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> by_lit;
  };

  Sides index_sides(const std::vector<ClauseRef<L>>& l, const Cl& c) {
    ids_.clear();
    names_.clear();
    for (int n : c.split_neg) code_of(n, true);
    for (int n : c.split_pos) code_of(n, false);
    Sides s;
    s.chains.reserve(l.size());
    std::map<int, std::size_t> first;
    for (std::size_t i = 0; i < l.size(); ++i) {
      std::vector<Code> e;
      for (int n : l[i]->split_neg) e.push_back(entry_code(code_of(n, true), false));
      for (int n : l[i]->split_pos) e.push_back(entry_code(code_of(n, false), false));
      s.chains.push_back(std::move(e));
      first.emplace(l[i]->num, i);
      s.real.push_back(first.at(l[i]->num));
    }
    s.by_lit.resize(2 * names_.size());
    for (std::size_t i = 0; i < s.chains.size(); ++i) {
      const auto& e = s.chains[i];
      for (std::size_t p = 0; p < e.size(); ++p) {
        auto& v = s.by_lit[lit_of(e[p])];
        if (v.empty() || v.back().first != i)  // first occurrence
          v.emplace_back(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(p));
      }
    }
    return s;
  }

  std::vector<Code> start_chain(const Cl& c) {
    std::vector<Code> e;
    for (int n : c.split_neg) e.push_back(entry_code(code_of(n, true), false));
    for (int n : c.split_pos) e.push_back(entry_code(code_of(n, false), false));
    return e;
  }

  // simplify over entry codes, into out: the last occurrence of each entry,
  // without leading framed entries. False when nothing is left.
  bool simplify_codes(const std::vector<Code>& in, std::vector<Code>& out) {
    work_ += in.size() + 1;
    const std::uint32_t stamp = next_stamp();
    out.clear();
    for (std::size_t i = in.size(); i-- > 0;) {
      if (entry_seen_[in[i]] == stamp) continue;
      entry_seen_[in[i]] = stamp;
      out.push_back(in[i]);
    }
    std::reverse(out.begin(), out.end());
    std::size_t lead = 0;
    while (lead < out.size() && is_framed(out[lead])) ++lead;
    out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(lead));
    return !out.empty();
  }

  static void plain_part(const std::vector<Code>& e, std::vector<Code>& m) {
    m.clear();
    for (Code x : e)
      if (!is_framed(x)) m.push_back(lit_of(x));
  }

  // The entries of the child made from chain `e` by one step.
  void child_entries(const Sides& sides, const std::vector<Code>& e, Kind kind, std::uint32_t side,
                     std::vector<Code>& raw) const {
    raw.clear();
    if (kind == Kind::Center || kind == Kind::Refuted_center) {
      raw.assign(e.begin() + 1, e.end());
      return;
    }
    const Code lit = lit_of(e[0]);
    const std::vector<Code>& x = sides.chains[side];
    bool dropped = false;
    for (Code y : x) {
      if (!dropped && lit_of(y) == complement(lit)) {
        dropped = true;
        continue;
      }
      raw.push_back(y);
    }
    raw.push_back(entry_code(lit, true));
    raw.insert(raw.end(), e.begin() + 1, e.end());
  }

  // The clause a chain shows: the default clause with the chain's plain
  // entries as split literals, in chain order (a sign true entry comes from
  // a `split_neg`); framed entries are left out.
  Cl to_clause(const std::vector<Code>& e) const {
    Cl c = default_clause_;
    for (Code x : e)
      if (!is_framed(x))
        (sign_of(lit_of(x)) ? c.split_neg : c.split_pos).push_back(name_of(lit_of(x)));
    return c;
  }

  // The tree of step i: the steps from the start replayed, a node each.
  ProofTreePtr<L> build_tree(const std::vector<ClauseRef<L>>& l, const Sides& sides, const Cl& c,
                             std::uint32_t i) {
    std::vector<std::uint32_t> path;
    for (std::uint32_t j = i; j != kNil; j = steps_[j].parent) path.push_back(j);
    std::vector<Code> e = start_chain(c), raw, next;
    ProofTreePtr<L> t;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
      const Step& st = steps_[*it];
      if (st.kind == Kind::Start) {
        t = make_tree<L>(typename Tree::Deferred{c});
        continue;
      }
      const bool refuted = st.kind == Kind::Refuted_center || st.kind == Kind::Refuted_res;
      child_entries(sides, e, st.kind, st.side, raw);
      const bool left = simplify_codes(raw, next);
      if (left == refuted) support::internal_error("oldeduction");
      const int name = name_of(st.lit);
      const Cl node = refuted ? default_clause_ : to_clause(next);
      if (st.kind == Kind::Center || st.kind == Kind::Refuted_center) {
        t = make_tree<L>(typename Tree::Center{node, name, t});
      } else {
        ProofTreePtr<L> side = make_tree<L>(typename Tree::Deferred{*l[sides.real[st.side]]});
        t = make_tree<L>(typename Tree::Res_split{node, name, side, t});
      }
      e.swap(next);
    }
    return t;
  }

  // Breadth first over levels; the children of a later element of a level
  // come before those of earlier ones in the next level, and the children of
  // one element in the reverse order of the side clauses. Both are the
  // reverse of the order they are made in, so a level is walked backwards.
  ProofTreePtr<L> search(const std::vector<ClauseRef<L>>& l, const Sides& sides, const Cl& c) {
    steps_.clear();
    steps_.push_back(Step{kNil, Kind::Start, 0, 0});
    Level cur, nxt;
    cur.clear();
    nxt.clear();
    {
      std::vector<Code> e = start_chain(c);
      cur.lits = e;
      cur.start.push_back(static_cast<std::uint32_t>(e.size()));
      cur.step.push_back(0);
      cur.leaf.push_back(kNil);  // the start chain is never pending
    }
    std::vector<Code> e;
    while (true) {
      for (std::size_t i = cur.size(); i-- > 0;) {
        if (support::poll() == support::Stop::Interrupt) {
          support::clear_interrupt();
          throw support::Interrupted{};
        }
        if (work_ > work_bound_ || footprint(cur, nxt) > kMemoryBound) give_up(End::OverBound);
        e.assign(cur.lits.begin() + cur.start[i], cur.lits.begin() + cur.start[i + 1]);
        if (cur.leaf[i] != kNil) pending_.erase_at(cur.leaf[i]);
        if (auto done = search_tree(sides, e, cur.step[i], nxt)) {
          end_ = End::Found;
          return build_tree(l, sides, c, *done);
        }
      }
      if (nxt.size() == 0) give_up(End::Exhausted);
      if (repeats(nxt)) give_up(End::Repeated);
      std::swap(cur, nxt);
      nxt.clear();
    }
  }

  [[noreturn]] void give_up(End why) {
    end_ = why;
    throw Noprinting{};
  }

  // Makes the children of chain e (step `parent`) into `out`; returns the
  // step that closes the refutation when one does.
  std::optional<std::uint32_t> search_tree(const Sides& sides, const std::vector<Code>& e,
                                           std::uint32_t parent, Level& out) {
    if (e.empty() || is_framed(e[0])) support::internal_error("oldeduction");
    const Code lit = lit_of(e[0]);
    const Code framed_complement = entry_code(complement(lit), true);
    const bool reduce = std::find(e.begin() + 1, e.end(), framed_complement) != e.end();
    auto try_child = [&](Kind kind, Kind refuted,
                         std::uint32_t side) -> std::optional<std::uint32_t> {
      child_entries(sides, e, kind, side, raw_);
      if (!simplify_codes(raw_, made_)) {
        steps_.push_back(Step{parent, refuted, lit, side});
        return static_cast<std::uint32_t>(steps_.size() - 1);
      }
      plain_part(made_, plain_);
      const std::uint32_t leaf = redundant_or_record(plain_);
      if (leaf == kNil) return std::nullopt;
      steps_.push_back(Step{parent, kind, lit, side});
      out.leaf.push_back(leaf);
      out.lits.insert(out.lits.end(), made_.begin(), made_.end());
      out.start.push_back(static_cast<std::uint32_t>(out.lits.size()));
      out.step.push_back(static_cast<std::uint32_t>(steps_.size() - 1));
      return std::nullopt;
    };
    if (reduce) return try_child(Kind::Center, Kind::Refuted_center, 0);
    for (const auto& [x, pos] : sides.by_lit[complement(lit)]) {
      (void)pos;
      if (auto done = try_child(Kind::Res_split, Kind::Refuted_res, x)) return done;
    }
    return std::nullopt;
  }

  // True when level `lv` equals an earlier level of this search: the walk
  // from it would then repeat forever (the pending entries at a level's
  // start are exactly its chains' plain parts). Only small levels are kept
  // for the comparison, within a fixed budget.
  bool repeats(const Level& lv) {
    if (lv.lits.size() + lv.size() > kLevelKeep) return false;
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::uint64_t v) {
      h ^= v;
      h *= 1099511628211ull;
    };
    for (std::size_t i = 0; i < lv.size(); ++i) {
      for (std::uint32_t j = lv.start[i]; j < lv.start[i + 1]; ++j) mix(lv.lits[j] + 1);
      mix(0);
    }
    auto& bucket = levels_seen_[h];
    for (std::size_t k : bucket)
      if (kept_levels_[k].first == lv.lits && kept_levels_[k].second == lv.start) return true;
    if (kept_entries_ + lv.lits.size() > kKeptBudget) return false;
    kept_entries_ += lv.lits.size() + lv.start.size();
    bucket.push_back(kept_levels_.size());
    kept_levels_.emplace_back(lv.lits, lv.start);
    return false;
  }

  // The bytes held by the steps, the two levels and the pending index.
  std::uint64_t footprint(const Level& a, const Level& b) const {
    return sizeof(Step) * steps_.size() + sizeof(Code) * (a.lits.size() + b.lits.size()) +
           3 * sizeof(std::uint32_t) * (a.size() + b.size()) + pending_.bytes() +
           sizeof(Code) * kept_entries_;
  }

  void release() {
    steps_ = {};
    levels_seen_ = {};
    kept_levels_ = {};
    kept_entries_ = 0;
    pending_.release();
    raw_ = {};
    made_ = {};
    plain_ = {};
  }

  static constexpr std::size_t kLevelKeep = 4096;
  static constexpr std::size_t kKeptBudget = std::size_t{1} << 22;

  Core<L>& core_;
  Cl default_clause_;
  std::uint64_t work_bound_ = kWorkBound;
  End end_ = End::Found;
  std::uint64_t work_ = 0;  // entries built and index nodes visited by the current search

  std::map<int, Code> ids_;                       // split name -> dense id
  std::vector<int> names_;                        // dense id -> split name
  std::vector<std::uint32_t> seen_, entry_seen_;  // marks by code, current when == stamp_
  std::uint32_t stamp_ = 0;

  PendingIndex pending_;  // the plain parts of the chains made and not yet expanded

  std::vector<Step> steps_;
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> levels_seen_;  // looked up only
  std::vector<std::pair<std::vector<Code>, std::vector<std::uint32_t>>> kept_levels_;
  std::size_t kept_entries_ = 0;
  std::vector<Code> raw_, made_, plain_;  // scratch of search_tree
};

}  // namespace engine
