// The engine instance on a logic: add axioms, forget them, run proof
// attempts and hand out the proof found. The engine prints its traces but
// no answer: `prove` returns how the attempt ended, and the front end
// prints the verdict and the proof (support/verdict.h), as a solver's
// caller does.
//
//   engine::Prover<prop::PropLogic> prover(logic);
//   prover.axiom({f, std::nullopt, logic.empty_constraints(), 1});
//   engine::Attempt a = prover.prove({}, hyps, goal, ask);
//   if (engine::proved(a.outcome)) ...
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/logic.h"
#include "engine/settings.h"

namespace engine {

// How an attempt ended.
enum class Outcome {
  Proved,      // the goal holds ("La formule est vraie")
  Unshown,     // proved, but the proof could not be shown ("Desole, pas de preuve :")
  NotProved,   // no candidates left
  TimeOut,     // the time limit ("Temps imparti ecoule")
  Stopped,     // "exit" at the step question ("Calcul arrete")
  Cancelled,   // the interrupt key, in the search or in the display ("Preuve annulee")
  EndOfInput,  // the step question met the end of input: no verdict
};

// The goal holds: the verdict "La formule est vraie" stands.
constexpr bool proved(Outcome o) { return o == Outcome::Proved || o == Outcome::Unshown; }

// What `prove` returns: how the search ended and what its answer shows.
struct Attempt {
  Outcome outcome = Outcome::NotProved;
  bool show_proof = false;        // proved, with verbose >= 1 and trace_proof on
  bool show_satisfiable = false;  // and the satisfiable set first (splitting, verbose >= 3)
};

// What adding an axiom gave.
enum class AxiomAnswer {
  Added,
  NotAxiom,  // its sign cannot be told, it is a negated truth, or it decomposes to the empty clause
  AlwaysTrue,  // the true formula ("Vrai ne peut etre ajoutee")
};

// A hypothesis or axiom: formula, weight hint ("#"), constraints, index hint ("%", 1 when absent).
template <Logic L>
struct Hypothesis {
  typename L::formula formula;
  std::optional<int> poids;
  typename L::constraints constraints;
  int indice = 1;
};

template <Logic L>
struct ProofTree;
template <Logic L>
class ProverImpl;  // engine/prover_impl.h

template <Logic L>
class Prover {
 public:
  explicit Prover(L& logic);
  ~Prover();
  Prover(const Prover&) = delete;
  Prover& operator=(const Prover&) = delete;

  // Adds an axiom; changes nothing when it cannot be one.
  AxiomAnswer axiom(const Hypothesis<L>& h);
  // Forgets every axiom.
  void init();
  // One proof attempt. `ask` is put the question between steps (from
  // verbose 2, unless step_prompt is 0). Side effects: prints the traces
  // its settings ask for; advances the clause and literal counters.
  Attempt prove(const ProveSettings& settings, const std::vector<Hypothesis<L>>& hyps,
                const typename L::formula& goal, const StepQuestion& ask);

  // ---- The proof of the last attempt, when it was proved ----
  // The clause that ended the search is on file: a proof can be looked for.
  bool has_proof_clause() const;
  // Prints the satisfiable set and the clause that ended the search.
  void print_satisfiable_set() const;
  // Rebuilds the proof: the whole tree, or null when it cannot be shown (the
  // reconstruction gave up). Throws support::Interrupted on the interrupt key.
  std::shared_ptr<const ProofTree<L>> proof();
  // Prints the tree; false when the interrupt key cut it short.
  bool print_proof(const std::shared_ptr<const ProofTree<L>>& tree) const;

  // The clauses made so far (the clause counter, never reset).
  int clauses_made() const;

 private:
  friend struct TestAccess;
  std::unique_ptr<ProverImpl<L>> impl_;
};

}  // namespace engine
