// One proof attempt, from its settings to its outcome: the current cells
// set, the alarm armed, the lists reset to the axioms', the hypotheses and
// the negated goal made candidates, the loop run until an exception ends
// it; then the proof, when the front end asks for it. Part of ProverImpl
// (prover_impl.h), with the public face's bodies.
#pragma once

#include "engine/prover_impl.h"

namespace engine {

// Internal ends of an attempt, each turned into its outcome by `search`.
struct Sortie {};            // the user answered "exit" at the step question
struct EndOfInputAnswer {};  // the step question met the end of input

template <Logic L>
ProverImpl<L>::ProverImpl(L& logic)
    : core_(logic),
      majlistes_(core_),
      affichage_(core_),
      oldeduction_(core_),
      trace_(core_, affichage_) {
  Cl root;
  root.poids = core_.weights.initpoids(0);
  root.origine = make_origine<L>(Parentless<L>{});
  root.num = 0;
  root.contraintes = make_constraints<L>(logic.empty_constraints());
  root.indice = Indice{2.0};
  root_ = share(std::move(root));
}

// One attempt: settings, search, outcome. "c" at the step question lowered
// the verbosity for the search only: an attempt that ends by its own
// course (proved, no candidates, "exit") gets its own level back.
// Anything else that leaves (an internal error) leaves with the alarm
// ignored and the stop points off.
template <Logic L>
Attempt ProverImpl<L>::prove(const ProveSettings& s, const std::vector<Hypothesis<L>>& hyps,
                             const F& goal, const StepQuestion& ask) {
  take_settings(s);
  const int verbose = core_.current.verbose;
  ask_ = &ask;
  begin_attempt();
  Outcome o;
  try {
    o = search(hyps, goal);
  } catch (...) {
    end_attempt();
    throw;
  }
  end_attempt();
  if (o == Outcome::Proved || o == Outcome::NotProved || o == Outcome::Stopped)
    core_.current.verbose = verbose;
  const bool show = o == Outcome::Proved && verbose >= 1 && core_.current.trace_proof;
  return Attempt{o, show, show && core_.current.splitting && verbose >= 3};
}

// The current cell of each setting: the attempt's own value, else the default.
template <Logic L>
void ProverImpl<L>::take_settings(const ProveSettings& s) {
  Settings& cur = core_.current;
  const Settings& def = core_.defaults;
  cur.resolution_method = s.resolution_method.value_or(def.resolution_method);
  cur.lazy_decomposition = s.lazy_decomposition.value_or(def.lazy_decomposition);
  cur.verbose = s.verbose.value_or(def.verbose);
  cur.step_prompt = s.step_prompt.value_or(def.step_prompt);
  cur.maxcndts = s.maxcndts.value_or(def.maxcndts);
  cur.splitting = s.splitting.value_or(def.splitting);
  cur.check_subcase = s.check_subcase.value_or(def.check_subcase);
  cur.trace_proof = s.trace_proof.value_or(def.trace_proof);
  cur.timemax = s.timemax.value_or(def.timemax);
  if (s.pdsmax_global)
    core_.weights.pdsmax_global = core_.weights.make_pdsmax_global(*s.pdsmax_global);
}

// The alarm runs only when no trace slows the search down.
template <Logic L>
void ProverImpl<L>::begin_attempt() {
  support::catch_interrupt();
  support::clear_interrupt();
  if (!trace_.stepwise() && core_.current.timemax > 0)
    support::arm_alarm(core_.current.timemax);
  else
    support::ignore_alarm();
  support::enable_stop_points(true);
  ticks_ = 0;
}

// Whatever ends the attempt, the alarm is set to be ignored first.
template <Logic L>
void ProverImpl<L>::end_attempt() {
  support::enable_stop_points(false);
  support::ignore_alarm();
  ask_ = nullptr;
}

// Empties c one entry at a time between the attempt's stop checks: after a
// long search the lists and tables hold millions of clauses, and freeing
// them in one go would keep the time limit and the interrupt key waiting.
// A stop request ends the attempt with the rest still there, whole, for the
// next reset. The order entries go in shows nowhere.
template <class C, class Tick>
void empty_polled(C& c, Tick tick) {
  while (!c.empty()) {
    tick();
    if constexpr (requires { c.pop_back(); })
      c.pop_back();
    else
      c.erase(c.begin());
  }
}

// The lists start from the axioms' clauses; the clause table from the
// axioms' entries and the root, when a proof may be shown. What the last
// attempt left is freed first.
template <Logic L>
void ProverImpl<L>::reset_lists() {
  auto tick = [this] { this->tick(); };
  empty_polled(core_.djvues, tick);
  empty_polled(core_.cndats, tick);
  empty_polled(core_.empty_split_clauses, tick);
  empty_polled(core_.decables, tick);
  empty_polled(core_.lit_index, tick);
  core_.seen_seq.clear();  // one flat array: freed at once
  // A count is good for one attempt: the logic's stored values, which a
  // renaming walks through, may change between attempts.
  fresh_names_.clear();
  const bool table = core_.current.trace_proof || core_.current.splitting;
  if (table) empty_polled(core_.clause_table, tick);
  if (core_.current.splitting) empty_polled(core_.split_names, tick);

  core_.djvues = core_.axiom_djvues;
  core_.seen_index.rebuild(core_.djvues);
  core_.taillecndats = 0;
  table_limit_ = kTableSlack;
  attempt_first_clause_ = core_.clause_counter;
  if (table) {
    core_.clause_table = core_.axiom_table;
    core_.clause_table[0] = root_;
    core_.empty_clause_number = 0;
  }
  if (core_.current.splitting) core_.splitting_st.init_lit_state();
}

// The search itself: the exceptions that end an attempt become its outcome.
template <Logic L>
Outcome ProverImpl<L>::search(const std::vector<Hypothesis<L>>& hyps, const F& goal) {
  try {
    reset_lists();
    add_hyplist_to_cndats(hyps);
    build_goal(goal);
    res();
  } catch (const Proved&) {
    return Outcome::Proved;
  } catch (const ProveFail&) {
    return Outcome::NotProved;
  } catch (const support::TimeOut&) {
    return Outcome::TimeOut;
  } catch (const Sortie&) {
    return Outcome::Stopped;
  } catch (const support::Interrupted&) {
    return Outcome::Cancelled;
  } catch (const EndOfInputAnswer&) {
    return Outcome::EndOfInput;
  }
}

// The negated goal, the first candidate after the hypotheses.
template <Logic L>
void ProverImpl<L>::build_goal(const F& goal) {
  L& lg = core_.logic;
  Cl c;
  try {
    const bool negative = lg.negative_formula(goal);
    F b = lg.elim_all_neg(goal);
    if (lg.is_true(b)) {
      if (negative) return;
      throw Proved{};
    }
    (negative ? c.pos : c.neg).push_back(Lit{std::move(b), Marque{}, core_.next_literal_number()});
  } catch (const typename L::Metavar&) {
    c.autres.push_back(Lit{goal, Marque{}, core_.next_literal_number()});
  }
  c.num = core_.next_clause_number();
  c.poids = root_->poids;
  c.contraintes = root_->contraintes;
  c.indice = Indice{2.0};
  c.origine = make_origine<L>(Parentless<L>{});
  const ClauseRef<L> cref = share(std::move(c));
  if (majlistes_.majcndats(cref, core_.cndats, core_.djvues) == Majlistes<L>::Admission::Inserted)
    record(cref);
}

// ---- The proof of a proved attempt ----

// The clause that ended the search, when it is on file.
template <Logic L>
const Clause<L>* ProverImpl<L>::final_clause() const {
  auto it = core_.clause_table.find(core_.empty_clause_number);
  return it == core_.clause_table.end() ? nullptr : it->second.get();
}

// The satisfiable set, the newest clause first.
template <Logic L>
std::vector<ClauseRef<L>> ProverImpl<L>::satisfiable_set() const {
  return {core_.empty_split_clauses.rbegin(), core_.empty_split_clauses.rend()};
}

template <Logic L>
void ProverImpl<L>::print_satisfiable_set() const {
  auto& p = support::pp();
  p.print_string("L'ensemble satisfaisable :");
  p.print_newline();
  affichage_.print_clause_list(satisfiable_set());
  p.print_string("La clause C :");
  p.print_newline();
  affichage_.print_clause(*final_clause());
  p.print_newline();
}

// The whole tree, every derivation read from the table: null when none can
// be shown (the reconstruction gave up, or a parent is missing).
template <Logic L>
ProofTreePtr<L> ProverImpl<L>::proof() {
  try {
    ProofTreePtr<L> tree = oldeduction_.proof_search(satisfiable_set(), *final_clause());
    return affichage_.full_tree(tree, core_.clause_table);
  } catch (const Noprinting&) {
    return nullptr;
  }
}

template <Logic L>
bool ProverImpl<L>::print_proof(const ProofTreePtr<L>& tree) const {
  try {
    affichage_.print_tree(tree);
  } catch (const support::Interrupted&) {
    return false;
  }
  return true;
}

// ===================================================================
// The public face

template <Logic L>
Prover<L>::Prover(L& logic) : impl_(std::make_unique<ProverImpl<L>>(logic)) {}

template <Logic L>
Prover<L>::~Prover() = default;

template <Logic L>
AxiomAnswer Prover<L>::axiom(const Hypothesis<L>& h) {
  return impl_->axiom(h);
}

template <Logic L>
void Prover<L>::init() {
  impl_->init();
}

template <Logic L>
Attempt Prover<L>::prove(const ProveSettings& settings, const std::vector<Hypothesis<L>>& hyps,
                         const typename L::formula& goal, const StepQuestion& ask) {
  return impl_->prove(settings, hyps, goal, ask);
}

template <Logic L>
bool Prover<L>::has_proof_clause() const {
  return impl_->final_clause() != nullptr;
}

template <Logic L>
void Prover<L>::print_satisfiable_set() const {
  impl_->print_satisfiable_set();
}

template <Logic L>
std::shared_ptr<const ProofTree<L>> Prover<L>::proof() {
  return impl_->proof();
}

template <Logic L>
bool Prover<L>::print_proof(const std::shared_ptr<const ProofTree<L>>& tree) const {
  return impl_->print_proof(tree);
}

template <Logic L>
int Prover<L>::clauses_made() const {
  return impl_->clauses_made();
}

}  // namespace engine
