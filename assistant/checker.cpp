// The checker in two passes, so that a refused phrase costs no proof
// attempt and leaves nothing behind. The walk (Walk) only reads the goal
// and the phrase; it throws NCErreur at the first fault, after printing
// its diagnostic. The justification (Justifier) runs the engine and never
// refuses: a step the engine does not prove is reported and stays open.
//
// Invariants of a branch, kept by the walk and relied on by the
// justification:
// - a name (a goal's constant or existential variable, or one that "let"
//   or "search" introduces) is introduced at most once in a branch, so a
//   name finds one thing and display_subst may stop once all are found;
// - every free variable of a formula handed to the engine is a name of
//   its branch, which the display substitution turns into its constant or
//   existential variable: no free variable of the user reaches a clause;
// - a value given by "set" never depends on its own variable, so the
//   existential-variable store stays free of cycles.
//
// Side effects: the walk draws a key from the context's next_number per
// "search"; the justification stores the values of "set" and runs the
// prover with the user's settings.
#include "assistant/checker.h"

#include <deque>
#include <initializer_list>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "assistant/display.h"
#include "engine/ptypes.h"
#include "support/errors.h"
#include "support/printer.h"
#include "support/verdict.h"

namespace assistant {
namespace {

using parsernc::NcBlock;
using parsernc::NcByItem;
using parsernc::NcHint;
using parsernc::NcProof;
using parsernc::NcStep;

template <class T>
CheckPtr tree(T v) {
  return std::make_shared<const CheckTree>(CheckTree{std::move(v)});
}
template <class T>
StepCheckPtr step_check(T v) {
  return std::make_shared<const StepCheck>(StepCheck{std::move(v)});
}

// ---- Diagnostics: each ends with a newline and a flush, then NCErreur ----

void say(std::string_view s) { support::pp().print_string(s); }
void newline() { support::pp().print_newline(); }
[[noreturn]] void reject() {
  newline();
  throw NCErreur{};
}

[[noreturn]] void reject_unknown_claim(const fol::Session& ses, const fol::Formula& f) {
  say("Il est impossible de prouver");
  newline();
  fol::print_formula(ses, f);
  say("car il y a des variables jamais introduites dans cette branche");
  reject();
}

[[noreturn]] void reject_unknown_hint(const fol::Session& ses, const fol::Formula& f) {
  say("Il est impossible d'utiliser");
  newline();
  fol::print_formula(ses, f);
  say("comme indice car il y a des variables jamais introduites dans cette branche");
  reject();
}

// ---- Names of a branch ----

bool introduced(const CGoal& g, const std::string& x) {
  return g.evars.find_if([&](const auto& e) { return e.first == x; }) ||
         g.csts.find_if([&](const auto& c) { return c.first == x; });
}

// The known-variable test: every free variable of f is introduced in g.
bool known(const CGoal& g, const fol::Formula& f) {
  for (const std::string& v : f->free_vars())
    if (!introduced(g, v)) return false;
  return true;
}

// A stated hint that is already a hypothesis needs no proof of its own: it
// only points at that hypothesis.
bool is_hyp_formula(const CGoal& g, const fol::Formula& f) {
  return g.hyps.find_if([&](const auto& h) { return fol::equal_formula(f, h.second); });
}

// A hint may name only a hypothesis that the goal has under a name.
bool has_named_hyp(const CGoal& g, const std::string& h) {
  return !h.empty() && g.hyps.find_if([&](const auto& hyp) { return hyp.first == h; });
}

// The first pass. It builds the goal of every sub-proof on the way down;
// the goals share their lists with their parent (CGoal), so a phrase n
// deep costs O(n) cells, not O(n^2). One Walk per phrase: `accepted_` and
// `branch_` must not outlive it.
class Walk {
 public:
  // The walk reads the session and draws keys; it never calls the prover.
  Walk(const fol::Session& ses, NameGenerator& next_number)
      : ses_(ses), next_number_(next_number) {}

  // The walk of a phrase from goal g.
  CheckPtr check(CGoal g, const NcProof& p) {
    g.evars.for_each([&](const auto& e) { branch_.insert(e.first); });
    g.csts.for_each([&](const auto& c) { branch_.insert(c.first); });
    return proof(std::move(g), p);
  }

  // Side effects: each "search" draws a key from next_number.
  CheckPtr proof(CGoal g, const NcProof& p0) {
    // A chain of "by_absurd" extends one goal in place (a loop, so that a
    // long chain does not nest the stack).
    const NcProof* p = &p0;
    while (const auto* a = std::get_if<parsernc::By_absurd>(&p->v)) {
      g.hyps = g.hyps.push_front({a->name, fol::mk_not(g.concl)});
      g.concl = fol::mk_false();
      p = a->proof.get();
    }
    if (const auto* l = std::get_if<parsernc::Label>(&p->v)) {
      g.name = l->name;
      return tree(Open{g.to_goal()});
    }
    // A claim is proved in the goal as it stands; the rest of the proof
    // then has it as a hypothesis under its name.
    if (const auto* pr = std::get_if<parsernc::Prove>(&p->v)) {
      if (!known(g, pr->formula)) reject_unknown_claim(ses_, pr->formula);
      CGoal claim = g;
      claim.concl = pr->formula;
      CheckPtr first = proof(std::move(claim), *pr->proof);
      CGoal rest = g;
      rest.hyps = rest.hyps.push_front({pr->name, pr->formula});
      return tree(Both{std::move(first), proof(std::move(rest), *pr->continuation)});
    }
    if (const auto* s = std::get_if<parsernc::Set>(&p->v)) return set(g, *s);
    // The hints before the step: the first fault from the left is the one
    // reported.
    const parsernc::By& by = std::get<parsernc::By>(p->v);
    std::vector<fol::Formula> formulas = hint_check(g, by.hints);
    StepCheckPtr outcome = step(g, *by.step);
    return tree(Justify{std::move(g), std::move(formulas), by.hints, std::move(outcome)});
  }

 private:
  // The value of an existential variable: one accepted earlier in this
  // phrase (not stored yet), else the stored one.
  const fol::Term* value_of(const std::string& key) const {
    for (auto it = accepted_.rbegin(); it != accepted_.rend(); ++it)
      if (it->first == key) return &it->second;
    return fol::evar_value(ses_, key);
  }

  // Whether key k occurs in t, following values. A value that is the
  // variable itself, directly or through other variables, counts too: the
  // store would then hold a cycle.
  bool depends_on(const std::string& k, const fol::Term& t) const {
    std::vector<fol::Term> todo{t};
    std::set<std::string> followed;
    while (!todo.empty()) {
      fol::Term u = std::move(todo.back());
      todo.pop_back();
      switch (u->kind()) {
        case fol::TermKind::Fn:
        case fol::TermKind::Cst:
          for (const fol::Term& a : u->args()) todo.push_back(a);
          break;
        case fol::TermKind::Evar:
          if (u->key() == k) return true;
          if (followed.insert(u->key()).second)
            if (const fol::Term* v = value_of(u->key())) todo.push_back(*v);
          break;
        default:
          break;
      }
    }
    return false;
  }

  // "set x := t": the refusals come in the order the user reads them
  // (unknown name, already set, unknown names in t, t depending on x). The
  // value is recorded in `accepted_` only, so that a later "set" of this
  // phrase sees it; the store is written by the second pass, and a refused
  // phrase leaves it as it was. The term arrives as the atom Term(t) from
  // the lexer; another shape is the checker's fault, not the user's.
  CheckPtr set(const CGoal& g, const parsernc::Set& s) {
    const std::string& x = s.name;
    const auto* ev = g.evars.find_if([&](const auto& e) { return e.first == x; });
    if (!ev) {
      say("le nom " + x + " n'a jamais ete introduit dans cette branche de la preuve");
      reject();
    }
    const std::string key = ev->second;
    if (value_of(key)) {
      say("la variable " + x + " a deja ete instanciee");
      reject();
    }
    if (!known(g, s.term)) {
      say("la variable " + x + " est instanciee par un terme");
      newline();
      say("contenant des elements jamais introduits dans cette branche");
      reject();
    }
    if (s.term->kind() != fol::FormKind::Atom || s.term->args().size() != 1)
      support::internal_error("main");
    const fol::Formula t =
        fol::formsubst(ses_, do_subst(ses_, g.csts.to_vector(), g.evars.to_vector()), s.term);
    if (t->kind() != fol::FormKind::Atom || t->args().size() != 1) support::internal_error("main");
    const fol::Term& value = t->args().front();
    if (depends_on(key, value)) {
      say("la variable " + x + " est instanciee par un terme");
      newline();
      say("contenant des constantes qui en dependent");
      reject();
    }
    accepted_.emplace_back(key, value);
    Assign a{x, key, s.term->args().front(), value, nullptr};
    a.rest = proof(g, *s.proof);
    return tree(std::move(a));
  }

  // The formulas of the hints that must be proved from the goal: each
  // by-item gives its source (when stated and new) then its instances, and
  // later by-items go in front of earlier ones.
  std::vector<fol::Formula> hint_check(const CGoal& g, const std::vector<NcByItem>& hints) {
    std::vector<std::vector<fol::Formula>> parts;
    for (const NcByItem& item : hints) {
      std::vector<fol::Formula> inst = instances(g, item.instances);
      std::vector<fol::Formula> part;
      if (const auto* st = std::get_if<parsernc::Stated>(&item.source)) {
        if (!is_hyp_formula(g, st->formula)) {
          if (!known(g, st->formula)) reject_unknown_hint(ses_, st->formula);
          part.push_back(st->formula);
        }
      } else if (const auto* h = std::get_if<parsernc::Hyp>(&item.source)) {
        if (!has_named_hyp(g, h->name)) {
          say("l'hypothèse  [" + h->name + "] n'est pas dans le but courant");
          reject();
        }
      } else {
        support::internal_error("main");
      }
      part.insert(part.end(), inst.begin(), inst.end());
      parts.push_back(std::move(part));
    }
    std::vector<fol::Formula> out;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
      out.insert(out.end(), it->begin(), it->end());
    return out;
  }

  // The instances of one by-item. A stated formula that is no hypothesis
  // is proved like a stated source; a definition {x=t} is only checked
  // here, its value goes to the engine as a constraint (HypsList::add_with).
  std::vector<fol::Formula> instances(const CGoal& g, const std::vector<NcHint>& l) {
    std::vector<fol::Formula> out;
    for (const NcHint& h : l) {
      if (const auto* st = std::get_if<parsernc::Stated>(&h)) {
        if (is_hyp_formula(g, st->formula)) continue;
        if (!known(g, st->formula)) reject_unknown_hint(ses_, st->formula);
        out.push_back(st->formula);
      } else if (const auto* hy = std::get_if<parsernc::Hyp>(&h)) {
        if (!has_named_hyp(g, hy->name)) {
          say("l'hypothese  " + hy->name + " n'est pas dans le but courant");
          reject();
        }
      } else {
        const parsernc::Eq& eq = std::get<parsernc::Eq>(h);
        if (!known(g, eq.term)) {
          say("L'indice cherchant a donner une valeur à " + eq.name);
          newline();
          say("n'est pas correct car le terme contient des elements");
          newline();
          say("jamais introduits dans cette branche");
          reject();
        }
      }
    }
    return out;
  }

  StepCheckPtr step(const CGoal& g, const NcStep& s) {
    if (std::holds_alternative<parsernc::Trivial>(s.v)) return step_check(Direct{});
    if (const auto* d = std::get_if<parsernc::Deduce>(&s.v)) {
      // A free variable of a deduced formula would be read existentially
      // when it is proved and universally once it is a hypothesis.
      std::vector<fol::Formula> formulas;
      for (const auto& n : d->formulas) {
        if (!known(g, n.formula)) reject_unknown_claim(ses_, n.formula);
        formulas.push_back(n.formula);
      }
      // Pushed last first, so the first deduced formula is the newest
      // hypothesis of the rest.
      CGoal g2 = g;
      for (auto it = d->formulas.rbegin(); it != d->formulas.rend(); ++it)
        g2.hyps = g2.hyps.push_front({it->name, it->formula});
      return step_check(Deduced{std::move(formulas), proof(std::move(g2), *d->proof)});
    }
    // A block with "show" proves the goal from what the block establishes;
    // one without splits it into cases, and the step proves that one of
    // the cases holds. Either way the parts are justified in written order.
    const NcBlock& b = *std::get<parsernc::Block>(s.v).block;
    std::deque<CheckPtr> in_front;
    aux_prem(g, b, in_front);
    std::vector<CheckPtr> parts(in_front.begin(), in_front.end());
    if (exists_show(b)) return step_check(Shown{aux_a_set(b, g.concl), std::move(parts)});
    return step_check(Cases{aux_b(b), std::move(parts)});
  }

  // The sub-proofs of a block in written order, put in front of `out`. Both
  // halves of a "then" start from goal g. The right half is walked first
  // (its diagnostic is the one printed, its "search" keys come first), and
  // the left half's parts then go in front of it.
  void aux_prem(CGoal g, const NcBlock& b0, std::deque<CheckPtr>& out) {
    const NcBlock* b = &b0;
    // The names this block adds to the branch leave it with the block: the
    // two halves of a "then" start from the same branch.
    struct Added {
      std::set<std::string>& branch;
      std::vector<std::string> names;
      ~Added() {
        for (const std::string& n : names) branch.erase(n);
      }
    } added{branch_, {}};
    auto introduce = [&](const std::string& name) {
      if (!branch_.insert(name).second) return false;
      added.names.push_back(name);
      return true;
    };
    while (true) {
      if (const auto* l = std::get_if<parsernc::Let>(&b->v)) {
        if (!introduce(l->name)) {
          say("le nom pour la constante " + l->name + " a deja ete utilise");
          reject();
        }
        // The constant depends on every existential variable of the branch.
        std::vector<fol::Term> deps;
        g.evars.for_each([&](const auto& e) { deps.push_back(fol::mk_evar(e.second, e.first)); });
        g.csts = g.csts.push_front({l->name, std::move(deps)});
        b = l->block.get();
      } else if (const auto* s = std::get_if<parsernc::Search>(&b->v)) {
        if (!introduce(s->name)) {
          say("le nom pour la variable " + s->name + " a deja ete utilise");
          reject();
        }
        // A fresh key: the variable's identity in the store, never reused.
        g.evars = g.evars.push_front({s->name, next_number_()});
        b = s->block.get();
      } else if (const auto* a = std::get_if<parsernc::Assume>(&b->v)) {
        // The wording of this diagnostic is part of the output; keep it.
        for (const std::string& v : a->formula->free_vars())
          if (!branch_.count(v)) {
            say("la formule fn'a jamais ete introduit dans cette branche de la preuve");
            reject();
          }
        g.hyps = g.hyps.push_front({a->name, a->formula});
        b = a->block.get();
      } else {
        break;
      }
    }
    if (const auto* t = std::get_if<parsernc::Then>(&b->v)) {
      aux_prem(g, *t->right, out);
      aux_prem(g, *t->left, out);
    } else if (const auto* sh = std::get_if<parsernc::Show>(&b->v)) {
      // As for "deduce": a claim must not have variables of its own.
      if (!known(g, sh->formula)) reject_unknown_claim(ses_, sh->formula);
      g.concl = sh->formula;
      out.push_front(proof(std::move(g), *sh->proof));
    } else {
      out.push_front(proof(std::move(g), *std::get<parsernc::Proof>(b->v).proof));
    }
  }

  static bool exists_show(const NcBlock& b) {
    if (const auto* t = std::get_if<parsernc::Then>(&b.v))
      return exists_show(*t->left) || exists_show(*t->right);
    if (const auto* l = std::get_if<parsernc::Let>(&b.v)) return exists_show(*l->block);
    if (const auto* s = std::get_if<parsernc::Search>(&b.v)) return exists_show(*s->block);
    if (const auto* a = std::get_if<parsernc::Assume>(&b.v)) return exists_show(*a->block);
    return std::holds_alternative<parsernc::Show>(b.v);
  }

  // The formula a block with "show" establishes; c is the step's goal
  // formula, what a part without "show" establishes. "let" generalises,
  // "search" gives a witness, "assume" a condition.
  static fol::Formula aux_a_elt(const NcBlock& b, const fol::Formula& c) {
    if (const auto* t = std::get_if<parsernc::Then>(&b.v))
      return fol::mk_and(aux_a_elt(*t->left, c), aux_a_elt(*t->right, c));
    if (const auto* l = std::get_if<parsernc::Let>(&b.v))
      return fol::mk_forall(l->name, aux_a_elt(*l->block, c));
    if (const auto* s = std::get_if<parsernc::Search>(&b.v))
      return fol::mk_exists(s->name, aux_a_elt(*s->block, c));
    if (const auto* a = std::get_if<parsernc::Assume>(&b.v))
      return fol::mk_imp(a->formula, aux_a_elt(*a->block, c));
    if (const auto* sh = std::get_if<parsernc::Show>(&b.v)) return sh->formula;
    return c;
  }

  // The formulas a block with "show" establishes, c as for aux_a_elt: a
  // "then" gives its left list reversed, then its right list; any other
  // block its one formula.
  static std::vector<fol::Formula> aux_a_set(const NcBlock& b, const fol::Formula& c) {
    std::vector<fol::Formula> out;
    aux_a_set(b, false, c, out);
    return out;
  }
  // The same list appended to out, reversed when `reversed`: one vector for
  // a whole "then" chain rather than a copy per link.
  static void aux_a_set(const NcBlock& b, bool reversed, const fol::Formula& c,
                        std::vector<fol::Formula>& out) {
    if (const auto* t = std::get_if<parsernc::Then>(&b.v)) {
      if (!reversed) {
        aux_a_set(*t->left, true, c, out);
        aux_a_set(*t->right, false, c, out);
      } else {
        aux_a_set(*t->right, true, c, out);
        aux_a_set(*t->left, false, c, out);
      }
      return;
    }
    out.push_back(aux_a_elt(b, c));
  }

  // The case formula of a block without "show"; True when no condition.
  // The quantifiers are the duals of aux_a_elt's: a case "let x" holds when
  // some x fits it, a case "search x" must fit every x. A part with no
  // condition is dropped from a disjunction rather than making it True.
  static fol::Formula aux_b(const NcBlock& b) {
    if (const auto* t = std::get_if<parsernc::Then>(&b.v)) {
      fol::Formula f1 = aux_b(*t->left), f2 = aux_b(*t->right);
      if (fol::is_true(f1)) return f2;
      if (fol::is_true(f2)) return f1;
      return fol::mk_or(f1, f2);
    }
    if (const auto* l = std::get_if<parsernc::Let>(&b.v)) {
      fol::Formula in = aux_b(*l->block);
      return fol::is_true(in) ? in : fol::mk_exists(l->name, in);
    }
    if (const auto* s = std::get_if<parsernc::Search>(&b.v)) {
      fol::Formula in = aux_b(*s->block);
      return fol::is_true(in) ? in : fol::mk_forall(s->name, in);
    }
    if (const auto* a = std::get_if<parsernc::Assume>(&b.v)) {
      fol::Formula in = aux_b(*a->block);
      return fol::is_true(in) ? a->formula : fol::mk_and(a->formula, in);
    }
    if (std::holds_alternative<parsernc::Proof>(b.v)) return fol::mk_true();
    support::internal_error("main");
  }

  const fol::Session& ses_;
  NameGenerator& next_number_;
  std::vector<std::pair<std::string, fol::Term>> accepted_;  // (key, value) set by this phrase
  // The names of the branch being walked: the goal's existential variables
  // and constants, and those the enclosing blocks introduce. One set for
  // the walk, not one per nested block.
  std::set<std::string> branch_;
};

// ---- Step justification ----

using Hypothesis = engine::Hypothesis<fol::FolLogic>;

// The hypotheses of one justification: the goal's own, numbered from 1,
// then those the hints add or mark.
//
// Keys: the engine ties a constraint to a hypothesis by its key, so a key
// names one formula for the whole justification. The goal's hypotheses get
// 1, 2, ... in list order (newest first), and each hint formula not yet
// numbered the next one; it goes in front of the list (hence the deque).
// `numbered_` and `named_` keep the keys in the order given and are
// searched from the last, so a name finds the oldest hypothesis bearing it.
// Weights: an unnamed hypothesis of the goal gets the hint 1, 2, ...; what
// a hint points at gets 0, since the user chose it.
class HypsList {
 public:
  HypsList(const fol::Session& ses, const fol::Subst& s, const CGoal& g) : ses_(ses), s_(s) {
    g.hyps.for_each([&](const std::pair<std::string, fol::Formula>& h) {
      const int k = ++key_counter_;
      numbered_.emplace_back(h.second, k);
      if (!h.first.empty()) named_.emplace_back(h.first, k);
      std::optional<int> w;
      if (h.first.empty()) w = ++weight_counter_;
      l_.push_back({{fol::formsubst(ses_, s_, h.second), k}, w, fol::Constraints{}, 0});
    });
  }

  void add_by(const std::vector<NcByItem>& hints) {
    for (const NcByItem& item : hints) {
      std::vector<fol::ConstraintItem> inst = add_with(item.instances);
      if (const auto* st = std::get_if<parsernc::Stated>(&item.source)) {
        if (std::optional<int> k = recorded(st->formula)) {
          add_use_constraints(*k, inst);
        } else {
          const int nk = ++key_counter_;
          numbered_.emplace_back(st->formula, nk);
          fol::Constraints c;
          c.table.push_back({nk, {inst}});
          l_.push_front({{fol::formsubst(ses_, s_, st->formula), nk}, 0, std::move(c), 0});
        }
      } else {
        add_use_constraints(key_of(std::get<parsernc::Hyp>(item.source).name), inst);
      }
    }
  }

  std::vector<Hypothesis> list() const { return {l_.begin(), l_.end()}; }

 private:
  std::vector<fol::ConstraintItem> add_with(const std::vector<NcHint>& l) {
    std::vector<fol::ConstraintItem> items;
    for (const NcHint& h : l) {
      if (const auto* hy = std::get_if<parsernc::Hyp>(&h)) {
        const int k = key_of(hy->name);
        add_use_constraints(k, {});
        items.emplace_back(fol::KeyItem{k});
      } else if (const auto* st = std::get_if<parsernc::Stated>(&h)) {
        std::optional<int> k = recorded(st->formula);
        if (!k) {
          k = ++key_counter_;
          numbered_.emplace_back(st->formula, *k);
          l_.push_front({{fol::formsubst(ses_, s_, st->formula), *k}, 0, fol::Constraints{}, 0});
        }
        items.emplace_back(fol::KeyItem{*k});
      } else {
        const parsernc::Eq& eq = std::get<parsernc::Eq>(h);
        if (eq.term->kind() != fol::FormKind::Atom || eq.term->args().size() != 1)
          support::internal_error("main");
        items.emplace_back(fol::InstanceItem{eq.name, eq.term->args().front()});
      }
    }
    return items;
  }

  // The key of the newest recorded formula equal to f.
  std::optional<int> recorded(const fol::Formula& f) const {
    for (auto it = numbered_.rbegin(); it != numbered_.rend(); ++it)
      if (fol::equal_formula(it->first, f)) return it->second;
    return std::nullopt;
  }

  // The key of the newest recorded name h (the walk has made sure there is one).
  int key_of(const std::string& h) const {
    for (auto it = named_.rbegin(); it != named_.rend(); ++it)
      if (it->first == h) return it->second;
    throw support::Failure("erreur dans add_use_constraints");
  }

  // The hypothesis with key k gets weight 0 and, when given, one more
  // group of instances.
  void add_use_constraints(int k, const std::vector<fol::ConstraintItem>& inst) {
    for (Hypothesis& h : l_) {
      if (h.formula.key != k) continue;
      h.formula.f = fol::formsubst(ses_, s_, h.formula.f);
      h.poids = 0;
      if (!inst.empty()) {
        std::vector<fol::TableEntry>& table = h.constraints.table;
        if (table.empty()) {
          table.push_back({k, {inst}});
        } else if (table.front().key == k) {
          table.front().groups.insert(table.front().groups.begin(), inst);
        } else {
          throw support::Failure("erreur dans add_use_constraints add_use");
        }
      }
      return;
    }
    throw support::Failure("erreur dans add_use_constraints");
  }

  const fol::Session& ses_;
  const fol::Subst& s_;
  std::deque<Hypothesis> l_;
  int key_counter_ = 0;
  int weight_counter_ = 0;
  std::vector<std::pair<fol::Formula, int>> numbered_;  // oldest first
  std::vector<std::pair<std::string, int>> named_;      // oldest first
};

// The second pass: walks the check tree in written order, proving each
// step's hint formulas, then the step, then its nested parts. A step the
// engine does not prove is reported and its goal joins `open`; the walk
// goes on, so one phrase may leave several goals to the user.
class Justifier {
 public:
  explicit Justifier(CheckContext& ctx) : ctx_(ctx) {}

  std::vector<Goal> open;  // oldest first

  void justify(const CheckTree& t) {
    if (const auto* o = std::get_if<Open>(&t.v)) {
      open.push_back(o->goal);
    } else if (const auto* b = std::get_if<Both>(&t.v)) {
      justify(*b->first);
      justify(*b->second);
    } else if (const auto* a = std::get_if<Assign>(&t.v)) {
      // The value under the goal's substitution: a name written in the term
      // stands for the goal's constant or existential variable, and must
      // not become a variable of every clause that meets it.
      fol::add_evar_val(ctx_.session, a->key, a->substituted);
      justify(*a->rest);
    } else {
      step(std::get<Justify>(t.v));
    }
  }

 private:
  // True when the goal holds (its proof shown or not).
  bool prove(const std::vector<Hypothesis>& hyps, const fol::Formula& goal) {
    return engine::proved(
        support::verdict::prove(ctx_.prover, ctx_.settings, hyps, fol::KFormula{goal, 0}));
  }

  // The goal's display substitution, for g's hypotheses, the hints'
  // formulas and `formulas`: only the names these mention are bound, with
  // the images the whole substitution gives them (a constant or an
  // existential variable has no variable of its own, so each binding solves
  // alone). A branch n names deep then costs each step its own names, not n.
  fol::Subst display_subst(const CGoal& g, const std::vector<NcByItem>& hints,
                           std::initializer_list<const std::vector<fol::Formula>*> formulas) {
    std::set<std::string> used;
    auto use = [&](const fol::Formula& f) {
      for (const std::string& v : f->free_vars()) used.insert(v);
    };
    g.hyps.for_each([&](const auto& h) { use(h.second); });
    for (const std::vector<fol::Formula>* l : formulas)
      for (const fol::Formula& f : *l) use(f);
    for (const NcByItem& item : hints) {
      if (const auto* st = std::get_if<parsernc::Stated>(&item.source)) use(st->formula);
      for (const NcHint& h : item.instances)
        if (const auto* st = std::get_if<parsernc::Stated>(&h)) use(st->formula);
    }
    std::vector<std::pair<std::string, std::vector<fol::Term>>> csts;
    std::vector<std::pair<std::string, std::string>> evars;
    // A branch never names two things alike (the walk refuses a name in
    // use), so the search stops once every name used is found.
    std::size_t missing = used.size();
    g.evars.find_if([&](const auto& e) {
      if (used.count(e.first)) {
        evars.push_back(e);
        --missing;
      }
      return missing == 0;
    });
    g.csts.find_if([&](const auto& c) {
      if (missing > 0 && used.count(c.first)) {
        csts.push_back(c);
        --missing;
      }
      return missing == 0;
    });
    return do_subst(ctx_.session, csts, evars);
  }

  // A step whose hints fail stays open as a whole; otherwise its outcome
  // decides (and opens what fails there).
  void step(const Justify& j) {
    const CGoal& g = j.goal;
    if (prove_hints(g, j.hint_formulas))
      outcome(g, j.hints, *j.outcome);
    else
      open.push_back(g.to_goal());
  }

  // The goal's substitution and hypothesis list live only while its own
  // formulas are proved: the nested parts make their own, and a proof
  // nested n deep would otherwise keep n of them at once.
  bool prove_hints(const CGoal& g, const std::vector<fol::Formula>& formulas) {
    const fol::Subst s = display_subst(g, {}, {&formulas});
    const std::vector<Hypothesis> l = give_hyps_list(ctx_.session, s, {}, g);
    const fol::Formula* f = first_unproved(l, s, formulas);
    if (!f) return true;
    say("la formule :");
    newline();
    fol::print_formula(ctx_.session, *f);
    newline();
    say("n'a pu être prouvee");
    newline();
    return false;
  }

  bool prove_deduced(const CGoal& g, const std::vector<NcByItem>& hints, const Deduced& d) {
    const fol::Subst s = display_subst(g, hints, {&d.formulas});
    const std::vector<Hypothesis> l = give_hyps_list(ctx_.session, s, hints, g);
    const fol::Formula* f = first_unproved(l, s, d.formulas);
    if (!f) return true;
    say("la deduction de la formule :");
    newline();
    fol::print_formula(ctx_.session, *f);
    newline();
    say("dans le but :");
    newline();
    print_goal(ctx_.session, g.to_goal());
    say("n'a pu etre effectuee");
    newline();
    return false;
  }

  // The first of `formulas` that l does not prove under s, or null; the
  // ones after it are not tried.
  const fol::Formula* first_unproved(const std::vector<Hypothesis>& l, const fol::Subst& s,
                                     const std::vector<fol::Formula>& formulas) {
    for (const fol::Formula& f : formulas)
      if (!prove(l, fol::formsubst(ctx_.session, s, f))) return &f;
    return nullptr;
  }

  // Proves `concl` in goal g with the hints, from g's hypotheses and `extra`.
  bool prove_goal(const CGoal& g, const std::vector<NcByItem>& hints,
                  const std::vector<fol::Formula>& extra, const fol::Formula& concl) {
    const std::vector<fol::Formula> goal{concl};
    const fol::Subst s = display_subst(g, hints, {&extra, &goal});
    CGoal g2 = g;
    for (auto it = extra.rbegin(); it != extra.rend(); ++it)
      g2.hyps = g2.hyps.push_front({"", *it});
    return prove(give_hyps_list(ctx_.session, s, hints, g2),
                 fol::formsubst(ctx_.session, s, concl));
  }

  // The step's own proof first; its nested parts are checked only when it
  // holds. A failed step is reported and stays open as a whole.
  void outcome(const CGoal& g, const std::vector<NcByItem>& hints, const StepCheck& c) {
    bool ok;
    if (std::holds_alternative<Direct>(c.v)) {
      ok = prove_goal(g, hints, {}, g.concl);
    } else if (const auto* d = std::get_if<Deduced>(&c.v)) {
      ok = prove_deduced(g, hints, *d);
      if (ok) justify(*d->rest);
    } else if (const auto* sh = std::get_if<Shown>(&c.v)) {
      ok = prove_goal(g, hints, sh->formulas, g.concl);
      if (ok)
        for (const CheckPtr& p : sh->parts) justify(*p);
    } else {
      const Cases& cs = std::get<Cases>(c.v);
      ok = prove_goal(g, hints, {}, cs.formula);
      if (ok)
        for (const CheckPtr& p : cs.parts) justify(*p);
    }
    if (ok) return;
    const Goal whole = g.to_goal();
    say("La preuve de");
    newline();
    print_goal(ctx_.session, whole);
    say("a echoue");
    newline();
    open.push_back(whole);
  }

  CheckContext& ctx_;
};

}  // namespace

CGoal CGoal::of(const Goal& g) {
  return {PList<std::pair<std::string, fol::Formula>>::of(g.hyps), g.concl,
          PList<std::pair<std::string, std::string>>::of(g.evars),
          PList<std::pair<std::string, std::vector<fol::Term>>>::of(g.csts), g.name};
}

Goal CGoal::to_goal() const {
  return {hyps.to_vector(), concl, evars.to_vector(), csts.to_vector(), name};
}

std::vector<Hypothesis> give_hyps_list(const fol::Session& ses, const fol::Subst& s,
                                       const std::vector<NcByItem>& hints, const CGoal& g) {
  HypsList l(ses, s, g);
  l.add_by(hints);
  return l.list();
}

// Goals cross the interface as vectors and are converted once each way;
// inside the checker they share their lists.
CheckPtr interprete_nc(CheckContext& ctx, const Goal& g, const NcProof& p) {
  Walk w(ctx.session, ctx.next_number);
  return w.check(CGoal::of(g), p);
}

GoalList parcourt_arbre(CheckContext& ctx, const CheckTree& t) {
  Justifier j(ctx);
  j.justify(t);
  // Newest first: the goal opened first ends last and becomes current.
  return GoalList(j.open.rbegin(), j.open.rend());
}

}  // namespace assistant
