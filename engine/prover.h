// The engine instance on a logic: add axioms, forget them, and run proof
// attempts. `prove` prints its verdict and returns how the attempt ended;
// the caller branches on that value.
//
//   engine::Prover<prop::PropLogic> prover(logic);
//   prover.axiom({f, std::nullopt, logic.empty_constraints(), 1});
//   if (engine::proved(prover.prove({}, hyps, goal))) ...
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/logic.h"
#include "support/cmdsettings.h"

namespace engine {

// How an attempt ended. Each has printed its message by the time `prove`
// returns.
enum class Outcome {
  Proved,     // "La formule est vraie", and the proof when one was asked for
  Unshown,    // proved, but the proof could not be shown ("Desole, pas de preuve :")
  NotProved,  // no candidates left
  TimeOut,    // the time limit ("Temps imparti ecoule")
  Stopped,    // "exit" at the step question ("Calcul arrete")
  Cancelled,  // the interrupt key, in the search or in the display ("Preuve annulee")
};

// The goal holds: the verdict "La formule est vraie" stands.
constexpr bool proved(Outcome o) { return o == Outcome::Proved || o == Outcome::Unshown; }

using ResolutionMethod = support::cmdlang::ResolutionMethod;

// End of standard input while the step question waited for an answer. It
// leaves `prove` unchanged; the front-end decides what end of input means.
struct EndOfInput {};

// A hypothesis or axiom: formula, weight hint ("#"), constraints, index hint ("%", 1 when absent).
template <Logic L>
struct Hypothesis {
  typename L::formula formula;
  std::optional<int> poids;
  typename L::constraints constraints;
  int indice = 1;
};

// The ten optional settings of one attempt. Absent means the engine's
// default, except `pdsmax_global`: absent leaves the current limit as it is.
struct ProveSettings {
  std::optional<ResolutionMethod> resolution_method;
  std::optional<bool> lazy_decomposition;
  std::optional<int> verbose;
  std::optional<int> step_prompt;
  std::optional<int> maxcndts;
  std::optional<bool> splitting;
  std::optional<bool> check_subcase;
  std::optional<bool> trace_proof;
  std::optional<int> timemax;
  std::optional<int> pdsmax_global;
};

template <Logic L>
class ProverImpl;  // engine/prover_impl.h

template <Logic L>
class Prover {
 public:
  explicit Prover(L& logic);
  ~Prover();
  Prover(const Prover&) = delete;
  Prover& operator=(const Prover&) = delete;

  // Adds an axiom; prints a message and changes nothing when it cannot be one.
  void axiom(const Hypothesis<L>& h);
  // Forgets every axiom.
  void init();
  // One proof attempt. Side effects: prints its outcome; advances the clause
  // and literal counters; may read answers to the step question on stdin.
  // Throws only `EndOfInput` (and internal errors).
  Outcome prove(const ProveSettings& settings, const std::vector<Hypothesis<L>>& hyps,
             const typename L::formula& goal);

  // The clauses made so far (the clause counter, never reset).
  int clauses_made() const;

  ProverImpl<L>& impl() { return *impl_; }

 private:
  std::unique_ptr<ProverImpl<L>> impl_;
};

}  // namespace engine
