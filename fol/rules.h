// The small Logic entries on single formulas (size, signs, the renaming
// that keeps clauses apart, variable sets) and the decomposition rules with
// their Skolem terms and hint instances. The two fresh-name counters they
// advance live in the caller's Session.
//
//   Renaming r = get_renaming_formula(ses, Renaming(), f);  // var<n> for each free variable
//   std::vector<FolRule> rs = get_rules(ses, c, {f, 0}, true);
#pragma once

#include <string>
#include <vector>

#include "engine/logic.h"
#include "fol/lazy.h"
#include "fol/subst.h"

namespace fol {

// ---- Renamings ----

// A renaming apart: variables to fresh variables var<n> (or to images given
// outright). An entry keeps its variable's node and the number n of its
// fresh name; the Var var<n> is made the first time a lookup reads it, and
// most are never read (a clause's variables are renamed for the sake of
// the few the other clause shares).
//
// A value, cheap to copy: copies share one buffer of entries, and each
// sees only its own first size() entries, which never change. Extending a
// copy that sees the whole buffer appends in place, so a renaming extended
// literal by literal, and copied between literals, costs one entry a name.
//
//   Renaming r = get_renaming_formula(ses, Renaming(), f);  r.find(x);  // var<n>, or null
class Renaming {
 public:
  Renaming() = default;
  Renaming(const Renaming& o) : buf_(o.buf_), n_(o.n_) {
    if (buf_) ++buf_->rc;
  }
  Renaming(Renaming&& o) noexcept : buf_(o.buf_), n_(o.n_) {
    o.buf_ = nullptr;
    o.n_ = 0;
  }
  Renaming& operator=(const Renaming& o) {
    Renaming t(o);
    swap(t);
    return *this;
  }
  Renaming& operator=(Renaming&& o) noexcept {
    swap(o);
    return *this;
  }
  ~Renaming() {
    if (buf_ && --buf_->rc == 0) delete buf_;
  }

  bool empty() const { return n_ == 0; }
  std::size_t size() const { return n_; }
  bool defined(const TermNode* var) const { return at(var) != kNone; }
  // The image of var (made on first reading), or a null Term when unbound.
  Term find(const TermNode* var) const;
  Term find(const std::string& name) const;
  Names dom() const;  // sorted

  // Binds var, unbound here, to var<n>, or to the image given.
  void add_fresh(const Term& var, int n);
  void add(const Term& var, const Term& image);

 private:
  struct Entry {
    Term var;
    int n;               // the fresh name's number, 0 when given outright
    mutable Term image;  // made from n on first reading
  };
  struct Buffer {
    std::vector<Entry> e;  // each variable once; a copy sees a prefix
    HashIndex index;       // past kScan entries: positions by the variables' hashes
    std::size_t rc = 1;
  };
  static constexpr std::size_t kScan = 12;
  static constexpr std::size_t kNone = ~std::size_t{0};
  void swap(Renaming& o) noexcept {
    std::swap(buf_, o.buf_);
    std::swap(n_, o.n_);
  }
  std::size_t at(const TermNode* var) const;  // the entry's position, or kNone
  void append(Entry e);
  Buffer* buf_ = nullptr;
  std::size_t n_ = 0;  // entries seen: the buffer's first n_
};

// ---- Size, signs, renaming, variable sets ----

int size(const Session& ses, const Formula& f);
int term_size(const Session& ses, const Term& t);
bool is_true(const Formula& f);
bool negative_formula(const Formula& f);
Formula negate_formula(const Formula& f);
Formula elim_all_neg(const Formula& f);
// r extended with a fresh name var<n> for each free variable of f that r
// does not map yet. Side effects: advances ses.renamings by one per name.
Renaming get_renaming_formula(Session& ses, const Renaming& r, const Formula& f);
Formula rename_formula(const Session& ses, const Renaming& r, const Formula& f);
// How many fresh names get_renaming_formula takes for fs in turn, from the
// empty renaming; ses.renamings is left as it was.
int count_fresh_names(Session& ses, const std::vector<Formula>& fs);
// Side effects: moves ses.renamings on by n, as if n names had been taken.
void skip_fresh_names(Session& ses, int n);
Subst vars_to_constants(const Names& vars);
bool is_empty_inter_varset(const Names& a, const Names& b);
Names union_varset(const Names& a, const Names& b);

// ---- Decomposition rules ----

using FolRule = engine::Decomposition<KFormula, Subst, Constraints>;
// Side effects: a Skolem rule advances ses.skolems by one.
std::vector<FolRule> get_rules(Session& ses, const Constraints& c, const KFormula& f, bool sign);
// The rules of both variants without the hint instances of the full one:
// (name, kind, formulas) in order. Side effects: as get_rules.
struct RuleParts {
  const char* name;
  int kind;
  std::vector<LazyFormula> formulas;
};
std::vector<RuleParts> decompose(Session& ses, const LazyFormula& f, bool sign);
engine::Indice indice_regle(const std::string& rule);

}  // namespace fol
