// The proof-language checker of fol_assistant, in two passes.
//
// `interprete_nc` walks a phrase against the current goal: it checks names
// and variables, builds the goal of every sub-proof and returns a check tree
// of obligations, without calling the prover. `parcourt_arbre` then walks
// that tree, stores the values that "set" gives, asks the engine to justify
// every step and returns the goals that stay open.
//
//   CheckContext ctx{prover, settings, session, next_number};
//   CheckPtr t = interprete_nc(ctx, g, *phrase);   // NCErreur after a diagnostic
//   GoalList open = parcourt_arbre(ctx, *t);       // for the caller to push
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "assistant/base.h"
#include "assistant/parsernc.h"
#include "engine/prover.h"
#include "fol/fol.h"

namespace assistant {

// The proof-language checker's rejection; its diagnostic is already printed.
struct NCErreur {};

// Names from a counter of its own that never resets: the prefix, then
// 1, 2, ... in decimal.
class NameGenerator {
 public:
  explicit NameGenerator(std::string prefix) : prefix_(std::move(prefix)) {}
  std::string operator()() { return prefix_ + std::to_string(++counter_); }

 private:
  std::string prefix_;
  long long counter_ = 0;
};

// All that the checker can touch. The walk reads the session and draws the
// keys of "search"; the justification runs the prover with the user's
// settings and stores the values of "set" in the session. The goal stack
// stays the caller's.
struct CheckContext {
  engine::Prover<fol::FolLogic>& prover;
  engine::ProveSettings settings;  // the user's, unchanged for the whole phrase
  fol::Session& session;           // the logic's: existential-variable values
  NameGenerator& next_number;      // keys of existential variables
};

// An immutable list that shares its tail: adding in front costs O(1), so a
// sub-proof that adds a hypothesis shares the rest with its parent goal.
// Cells are released one by one, never by a recursion as deep as the list.
template <class T>
class PList {
  struct Cell {
    T value;
    std::shared_ptr<const Cell> next;
  };

 public:
  PList() = default;
  PList(const PList&) = default;
  PList(PList&&) noexcept = default;
  PList& operator=(const PList& o) {
    PList t(o);
    std::swap(head_, t.head_);
    return *this;
  }
  PList& operator=(PList&& o) noexcept {
    std::swap(head_, o.head_);
    return *this;
  }
  ~PList() {
    while (head_ && head_.use_count() == 1) {
      std::shared_ptr<const Cell> next = head_->next;
      head_ = std::move(next);
    }
  }

  PList push_front(T v) const {
    PList r;
    r.head_ = std::make_shared<const Cell>(Cell{std::move(v), head_});
    return r;
  }
  bool empty() const { return !head_; }

  // Front to back.
  template <class G>
  void for_each(G&& g) const {
    for (const Cell* c = head_.get(); c; c = c->next.get()) g(c->value);
  }
  template <class P>
  const T* find_if(P&& pred) const {
    for (const Cell* c = head_.get(); c; c = c->next.get())
      if (pred(c->value)) return &c->value;
    return nullptr;
  }
  std::vector<T> to_vector() const {
    std::vector<T> v;
    for_each([&](const T& x) { v.push_back(x); });
    return v;
  }
  static PList of(const std::vector<T>& v) {
    PList r;
    for (auto it = v.rbegin(); it != v.rend(); ++it) r = r.push_front(*it);
    return r;
  }

 private:
  std::shared_ptr<const Cell> head_;
};

// A goal as the checker builds it: the fields of `Goal`, newest first, in
// shared lists.
struct CGoal {
  PList<std::pair<std::string, fol::Formula>> hyps;
  fol::Formula concl;
  PList<std::pair<std::string, std::string>> evars;
  PList<std::pair<std::string, std::vector<fol::Term>>> csts;
  std::string name;

  static CGoal of(const Goal& g);
  Goal to_goal() const;
};

struct CheckTree;
struct StepCheck;
using CheckPtr = std::shared_ptr<const CheckTree>;
using StepCheckPtr = std::shared_ptr<const StepCheck>;

// ---- check_tree ----
struct Open {  // a goal left to the user
  Goal goal;
};
struct Both {  // the proof of a claim, then the rest
  CheckPtr first, second;
};
struct Justify {  // one step with its hints, to be justified in `goal`
  CGoal goal;
  std::vector<fol::Formula> hint_formulas;  // proved first, in this order
  std::vector<parsernc::NcByItem> hints;
  StepCheckPtr outcome;
};
struct Assign {  // a value for an existential variable, then the rest
  std::string name;
  std::string key;        // the variable's key in the goal
  fol::Term written;      // the term as the user wrote it
  fol::Term substituted;  // the same under the goal's display substitution
  CheckPtr rest;
};
struct CheckTree {
  std::variant<Open, Both, Justify, Assign> v;
};

// ---- step_check ----
struct Direct {};  // "trivial"
struct Deduced {
  std::vector<fol::Formula> formulas;
  CheckPtr rest;
};
struct Shown {  // a block with "show": the formulas it establishes
  std::vector<fol::Formula> formulas;
  std::vector<CheckPtr> parts;
};
struct Cases {  // a block without "show": its case formula
  fol::Formula formula;
  std::vector<CheckPtr> parts;
};
struct StepCheck {
  std::variant<Direct, Deduced, Shown, Cases> v;
};

// Checks phrase p against goal g (already taken off the goal list).
// Prints a diagnostic and throws NCErreur on a rejected phrase. Side
// effects: each "search" draws a key from ctx.next_number; nothing else.
CheckPtr interprete_nc(CheckContext& ctx, const Goal& g, const parsernc::NcProof& p);

// The engine hypotheses of one justification in goal g with hints: the
// goal's hypotheses under s, keyed 1, 2, ... in list order (the unnamed ones
// with weight hints 1, 2, ...), then the hints: a stated formula that is no
// hypothesis goes in front with weight 0; a hypothesis a hint names gets
// weight 0 and one more group of instances (`add_by`, `add_with`,
// `add_use_constraints`). A name finds the oldest hypothesis bearing it.
// Existential values are read from ses.
std::vector<engine::Hypothesis<fol::FolLogic>> give_hyps_list(
    const fol::Session& ses, const fol::Subst& s, const std::vector<parsernc::NcByItem>& hints,
    const CGoal& g);

// Justifies every step of t through the engine, in tree order, and returns
// the goals that stay open, newest first: appended to the goal list, the
// goal opened first becomes the current one. Side effects: stores the
// values of "set" in ctx.session. A step the engine does not prove prints
// why and stays open; nothing is thrown for it.
GoalList parcourt_arbre(CheckContext& ctx, const CheckTree& t);

}  // namespace assistant
