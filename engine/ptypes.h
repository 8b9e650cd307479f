// The engine's shared data: literals, clauses, derivations, the settings and
// the per-engine tables. `Core<L>` is the one object that owns all state of an
// engine instance on a logic L; every engine module works on a `Core<L>&`.
// Nothing here is a static shared between instantiations.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "engine/handle.h"
#include "engine/intmap.h"
#include "engine/logic.h"
#include "engine/settings.h"
#include "engine/splitting.h"
#include "engine/typespoids.h"
#include "support/errors.h"

namespace engine {

struct TestAccess;  // the tests' way in (test_access.h)

// ---- Engine-wide control-flow exceptions (rare: once per attempt) ----
struct Proved {};      // the empty clause was derived, or the goal is true
struct ProveFail {};   // no candidate clause is left
struct Noprinting {};  // no proof can be shown

// An internal inconsistency; `file` names the module ("prover", "oldeduction", ...).
using InternalError = support::InternalError;

// ---- Literals and clauses ----
struct Marque {};  // empty at creation; carried from a literal to its replacements

template <Logic L>
struct Literal {
  typename L::formula formule;
  Marque marque{};
  int num_lit = 0;
};

template <Logic L>
struct Origine;
template <Logic L>
using OriginePtr = Shared<Origine<L>>;  // shared, immutable

template <Logic L>
struct Parentless {};
template <Logic L>
struct ResOrigine {  // resolution
  int num1;
  OriginePtr<L> orig1;
  int num2;
  OriginePtr<L> orig2;
  Literal<L> lit;  // the literal resolved upon
};
template <Logic L>
struct DecOrigine {  // decomposition
  int num;
  OriginePtr<L> orig;
  Literal<L> lit;  // the decomposed literal
  std::string rule;
};
template <Logic L>
struct ContrOrigine {  // contraction: a factor of a resolvent
  int num;
  OriginePtr<L> orig;
  Literal<L> lit;
};
template <Logic L>
struct SplitOrigine {  // a piece of a split clause
  int num;
  OriginePtr<L> orig;
  int k;
};
template <Logic L>
struct Origine {
  std::variant<Parentless<L>, ResOrigine<L>, DecOrigine<L>, ContrOrigine<L>, SplitOrigine<L>> v;
};

template <Logic L>
OriginePtr<L> make_origine(auto&& alt) {
  return share(Origine<L>{std::forward<decltype(alt)>(alt)});
}

using ClauseHistory =
    std::vector<std::pair<int, std::pair<Indice, int>>>;  // indices_a, key descending
using RuleHistory =
    std::vector<std::pair<std::string, std::pair<Indice, int>>>;  // indices_b, key descending

// A clause's constraints: made with the clause, shared with its rests and
// pieces, never changed (both logics give back, after a resolution, the set
// a parent's cell already holds).
template <Logic L>
using ConstraintCell = Shared<typename L::constraints>;
template <Logic L>
ConstraintCell<L> make_constraints(typename L::constraints c) {
  return share(std::move(c));
}

template <Logic L>
struct Clause;
// A clause made once and shared, unchanged, by the lists and tables that hold it.
template <Logic L>
using ClauseRef = Shared<Clause<L>>;

// A cache slot of facts derived from a clause: every copy of the clause
// starts without them, so a clause built by copying another and changing it
// never carries stale facts. A clause must not change once a fact is read.
template <class T>
class ClauseFact {
 public:
  ClauseFact() = default;
  ClauseFact(const ClauseFact&) {}
  ClauseFact& operator=(const ClauseFact&) {
    v_.reset();
    return *this;
  }
  ClauseFact(ClauseFact&&) noexcept = default;
  ClauseFact& operator=(ClauseFact&&) noexcept = default;
  template <class Make>
  const T& get(Make&& make) const {
    if (!v_) v_.emplace(make());
    return *v_;
  }

 private:
  mutable std::optional<T> v_;
};

// The split names of a clause as 64-bit signatures (a name sets one bit), so
// that most tests between two clauses' names need no walk.
// With what the first checks of a resolution pair read of a clause: a pair
// refused there never touches the clause itself (see `Core::Entry`).
struct SplitFacts {
  std::uint64_t neg = 0, pos = 0;
  bool self_meet = false;  // some name is both in split_neg and in split_pos
  bool split = false;      // some split name at all
  bool with_pos = false;   // some positive literal
  bool with_neg = false;   // some negative literal
  bool exact = false;      // every name below 64: neg and pos are the name sets themselves
};

template <Logic L>
using FrozenClause = ClauseRef<L>;  // null: the clause has no variable

// A clause: its literals by sign, the split literals it depends on, and
// what orders and explains it. Built in place, then shared through
// ClauseRef and never changed.
template <Logic L>
struct Clause {
  // The split literals first: a resolution's first check reads their
  // signatures and often nothing else of the clause.
  ClauseFact<SplitFacts> split_facts;  // cache: see clauselists.h
  std::vector<int> split_neg;      // split names it depends on negatively; ascending, no duplicates
  std::vector<int> split_pos;      // and positively; ascending, no duplicates
  std::vector<Literal<L>> pos;     // positive literals, in compare_litteral order as merged
  std::vector<Literal<L>> neg;     // negative ones, their formulas without the negation; likewise
  std::vector<Literal<L>> autres;  // sign undetermined; likewise
  double poids = 1.0;              // weight: the candidates are taken lightest first
  OriginePtr<L> origine;           // how it was made; null only for a clause built in a test
  int num = -1;                    // from the clause counter; a rest keeps its clause's number
  ConstraintCell<L> contraintes;   // never null once the clause is made
  Indice indice;                   // index, from hints and derivations
  ClauseHistory indices_a;         // ancestor clauses, with their indices and counts
  RuleHistory indices_b;           // rules used on the way, with their indices and counts
  ClauseFact<FrozenClause<L>> frozen;  // cache: see majlistes.h
  ClauseFact<std::uint64_t> heads;     // cache: see majlistes.h
};

// ---- Insertion-ordered multimap ----
// Keys iterate in order of first insertion; the values under one key newest
// first; `remove` drops the newest binding. Lookups go through a hash of the
// key that never depends on addresses. Never iterate an unordered container.
// The values of a key are stored oldest first and read backwards, so a new
// binding costs no shift of the older ones.
template <class K, class V, class Hash, class Eq>
class OrderedMultimap {
 public:
  // The values of one key, newest first.
  class Values {
   public:
    explicit Values(const std::vector<V>& v) : v_(&v) {}
    auto begin() const { return v_->rbegin(); }
    auto end() const { return v_->rend(); }
    std::size_t size() const { return v_->size(); }
    bool empty() const { return v_->empty(); }
    const V& operator[](std::size_t j) const { return (*v_)[v_->size() - 1 - j]; }

   private:
    const std::vector<V>* v_;
  };

  OrderedMultimap(Hash h = Hash{}, Eq e = Eq{}) : hash_(h), eq_(e) {}

  void add(const K& k, V v) {
    std::size_t slot = find_or_make(k);
    slots_[slot].second.push_back(std::move(v));
  }
  // Values under k, newest first (empty when none).
  Values find_all(const K& k) const {
    static const std::vector<V> none;
    auto s = find(k);
    return Values(s ? slots_[*s].second : none);
  }
  void remove(const K& k) {
    auto s = find(k);
    if (s && !slots_[*s].second.empty()) slots_[*s].second.pop_back();
  }
  bool empty() const {
    for (auto& s : slots_)
      if (!s.second.empty()) return false;
    return true;
  }
  void clear() {
    slots_.clear();
    hashes_.clear();
    index_.clear();
  }
  // Calls f(key, value) for every binding: keys in first-insertion order,
  // values newest first. f must not change this table.
  template <class F>
  void for_each(F&& f) const {
    for (const auto& [k, vs] : slots_)
      for (auto it = vs.rbegin(); it != vs.rend(); ++it) f(k, *it);
  }
  // Every key with its values, oldest first (for walks whose order does not matter).
  const std::vector<std::pair<K, std::vector<V>>>& slots() const { return slots_; }

 private:
  // A few keys are scanned by their hashes; past kScan keys an open-addressed
  // index (slot + 1 by hash, 0 for none, at most half full) is kept too.
  static constexpr std::size_t kScan = 8;
  std::optional<std::size_t> find(const K& k) const {
    const std::size_t h = hash_(k);
    if (index_.empty()) {
      for (std::size_t i = 0; i < hashes_.size(); ++i)
        if (hashes_[i] == h && eq_(slots_[i].first, k)) return i;
      return std::nullopt;
    }
    const std::size_t mask = index_.size() - 1;
    for (std::size_t i = spread(h) & mask; index_[i] != 0; i = (i + 1) & mask) {
      const std::size_t s = index_[i] - 1;
      if (hashes_[s] == h && eq_(slots_[s].first, k)) return s;
    }
    return std::nullopt;
  }
  std::size_t find_or_make(const K& k) {
    if (auto s = find(k)) return *s;
    slots_.emplace_back(k, std::vector<V>{});
    hashes_.push_back(hash_(k));
    const std::size_t n = slots_.size();
    if (n > kScan) {
      if (2 * n > index_.size())
        reindex(index_.empty() ? 4 * kScan : 2 * index_.size());
      else
        place(n - 1);
    }
    return n - 1;
  }
  static std::size_t spread(std::size_t h) {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(h) * 0x9E3779B97F4A7C15ULL) >> 32);
  }
  void place(std::size_t s) {
    const std::size_t mask = index_.size() - 1;
    std::size_t i = spread(hashes_[s]) & mask;
    while (index_[i] != 0) i = (i + 1) & mask;
    index_[i] = static_cast<std::uint32_t>(s + 1);
  }
  void reindex(std::size_t size) {
    index_.assign(size, 0);
    for (std::size_t s = 0; s < slots_.size(); ++s) place(s);
  }

  Hash hash_;
  Eq eq_;
  std::vector<std::pair<K, std::vector<V>>> slots_;  // in order of first insertion
  std::vector<std::size_t> hashes_;                  // hashes_[i] == hash_(slots_[i].first)
  std::vector<std::uint32_t> index_;                 // empty while there are few keys
};

// ---- The state of one engine instance on a logic L ----
template <Logic L>
struct Core {
  using formula = typename L::formula;
  using Lit = Literal<L>;
  using Cl = Clause<L>;

  // Key of a clause's own table: (head symbol, sign).
  struct HeadKey {
    formula head;
    bool sign;
  };
  struct HeadHash {
    L* logic;
    std::size_t operator()(const HeadKey& k) const { return logic->hashed_hash(k.head, k.sign); }
  };
  struct HeadEq {
    L* logic;
    bool operator()(const HeadKey& a, const HeadKey& b) const {
      return logic->hashed_equal(a.head, a.sign, b.head, b.sign);
    }
  };
  // An entry of a clause's own table: a literal, the rest of its clause
  // (shared with the literal's entry in the decomposables list), and the
  // rest's split facts, kept beside them so that the checks that refuse most
  // pairs read the table alone. Made by `table_entry` (clauselists.h).
  struct Entry {
    ClauseRef<L> rest;
    Lit lit;
    SplitFacts facts;
  };
  // A clause's own table: (head, sign) -> entries.
  using LitTable = OrderedMultimap<HeadKey, Entry, HeadHash, HeadEq>;
  using LitTableCell = std::shared_ptr<LitTable>;  // shared with the literal index
  // An entry of the already-seen list: a clause and its own literal table.
  // `gone`: subsumed while a walk over the list ran; dropped when it ends.
  struct Decomposed {
    ClauseRef<L> first;
    LitTableCell second;
    bool gone = false;
    std::uint32_t seq = 0;  // its place in the order the list took its entries (SeenIndex)
  };

  // For each (head, sign), the tables of the already-seen list that hold it,
  // in the order the list took them, so that a resolution walk visits only
  // the tables that can answer a literal instead of probing every one.
  // Entries are named by their `seq`; one that has left the list is skipped
  // and forgotten at the next rebuild. Keyed lookups only, never iterated.
  class SeenIndex {
   public:
    explicit SeenIndex(L* logic) : keys_(16, HeadHash{logic}, HeadEq{logic}) {}

    // Forgets everything, then files the list's entries with seqs 0, 1, ...
    void rebuild(std::vector<Decomposed>& djvues) {
      keys_.clear();
      alive_.assign(djvues.size(), 1);
      dead_ = 0;
      for (std::uint32_t i = 0; i < djvues.size(); ++i) {
        djvues[i].seq = i;
        file(i, *djvues[i].second);
      }
    }
    // The seq of an entry about to join the list, its keys filed.
    std::uint32_t add(const LitTable& t) {
      const auto seq = static_cast<std::uint32_t>(alive_.size());
      alive_.push_back(1);
      file(seq, t);
      return seq;
    }
    // Entry seq's table just took key k for the first time.
    void add_key(std::uint32_t seq, const HeadKey& k, const LitTable& t) {
      auto& v = keys_[k];
      auto it = std::upper_bound(v.begin(), v.end(), seq,
                                 [](std::uint32_t s, const Ref& r) { return s < r.seq; });
      v.insert(it, Ref{seq, &t});
    }
    // Entry seq has left the list.
    void drop(std::uint32_t seq) {
      if (seq < alive_.size() && alive_[seq]) {
        alive_[seq] = 0;
        ++dead_;
      }
    }
    bool worth_rebuilding() const { return dead_ > 1024 && 2 * dead_ > alive_.size(); }
    // f(table) for each table holding k, of an entry still in the list with
    // seq below `limit`, the most recent first.
    template <class F>
    void for_each_table(const HeadKey& k, std::uint32_t limit, F&& f) const {
      auto it = keys_.find(k);
      if (it == keys_.end()) return;
      const auto& v = it->second;
      for (std::size_t i = v.size(); i-- > 0;)
        if (v[i].seq < limit && alive_[v[i].seq]) f(*v[i].table);
    }

   private:
    struct Ref {
      std::uint32_t seq;
      const LitTable* table;  // read only while the entry is in the list
    };
    void file(std::uint32_t seq, const LitTable& t) {
      for (const auto& slot : t.slots())
        if (!slot.second.empty()) keys_[slot.first].push_back(Ref{seq, &t});
    }
    std::unordered_map<HeadKey, std::vector<Ref>, HeadHash, HeadEq> keys_;
    std::vector<char> alive_;  // by seq: 1 while the entry is in the list
    std::size_t dead_ = 0;
  };

  // Key of the split-name map: a lone literal's formula, the list it stands
  // in (1 pos, 2 neg, 3 autres), so that Q(b) and ~Q(b) never share a name,
  // and the previous fragment's name (0 for a first fragment): a middle
  // fragment's split literal stands for it or any fragment before it.
  struct SplitKey {
    formula f;
    int kind;
    int before;
  };
  struct SplitKeyLess {
    const Core* core;
    bool operator()(const SplitKey& a, const SplitKey& b) const {
      int c = core->compare(a.f, b.f);
      if (c != 0) return c < 0;
      if (a.kind != b.kind) return a.kind < b.kind;
      return a.before < b.before;
    }
  };
  using SplitNameMap = std::map<SplitKey, int, SplitKeyLess>;

  // A deferred literal of the lazy regime.
  struct Decomposable {
    ClauseRef<L> rest;
    Lit lit;
    bool sign;  // true = positive
    int num;    // number of the clause it comes from
  };

  explicit Core(L& l) : logic(l) {}
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  // The formula order: 0 when equal_formula holds, else the structural order.
  int compare(const formula& a, const formula& b) const {
    return logic.equal_formula(a, b) ? 0 : logic.compare_structural(a, b);
  }
  int compare_litteral(const Lit& a, const Lit& b) const { return compare(a.formule, b.formule); }

  LitTableCell new_lit_table() const {
    return std::make_shared<LitTable>(HeadHash{&logic}, HeadEq{&logic});
  }

  L& logic;
  Typespoids weights;      // pdsmax_global, pdsmax_vu and the weight formulas
  Splitting splitting_st;  // split-literal names and the split tree

  // Settings
  Settings defaults;
  Settings current;

  // Counters: incremented before use, never reset.
  int clause_counter = 0;
  int literal_counter = 0;
  int next_clause_number() { return ++clause_counter; }
  int next_literal_number() { return ++literal_counter; }

  // Per-attempt state
  int taillecndats = 0;                          // == number of candidates, as the upkeep counts it
  int empty_clause_number = 0;                   // number of the clause that ended the search
  SplitNameMap split_names{SplitKeyLess{this}};  // (formula, list kind, previous name) -> name
  std::vector<ClauseRef<L>>
      cndats;  // candidates, ascending poids; equal weights keep insertion order
  std::vector<Decomposable> decables;     // deferred literals, ascending poids of the rest
  std::vector<Decomposed> djvues;         // already-seen, oldest first: read backwards
  SeenIndex seen_index{&logic};           // the tables of djvues by key
  IntMap<std::uint32_t> seen_seq;         // clause number -> seq of its djvues entry
  std::map<int, LitTableCell> lit_index;  // clause number -> its own table
  std::vector<Decomposed> axiom_djvues;   // axioms, oldest first
  std::vector<ClauseRef<L>>
      empty_split_clauses;                   // the satisfiable set, oldest first: read backwards
  std::map<int, ClauseRef<L>> axiom_table;   // axiom clauses (and their decompositions) by num
  std::map<int, ClauseRef<L>> clause_table;  // by num, every clause a proof may still show
};

}  // namespace engine
