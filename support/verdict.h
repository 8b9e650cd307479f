// The front end's side of a prove request, shared by the three programs: the
// question between search steps, and the answer printed from what the
// engine returns (the verdict, then the proof when one is to be shown).
// The engine only searches and prints its traces.
//
//   engine::Outcome o = verdict::prove(prover, settings, hyps, goal);
//   if (engine::proved(o)) ...
#pragma once

#include <string>
#include <vector>

#include "engine/prover.h"
#include "support/cmdloop.h"
#include "support/lineinput.h"
#include "support/printer.h"
#include "support/signals.h"

namespace support::verdict {

// "?(exit pour arreter - c pour ne plus arreter - entree sinon) " and the
// line read: "exit" stops the search, "c" shows no more steps, any other
// line goes on. An interrupt that came while waiting stays pending, and the
// search's next check ends the attempt ("Preuve annulee").
inline engine::StepAnswer step_question() {
  auto& p = pp();
  p.print_string("?(exit pour arreter - c pour ne plus arreter - entree sinon) ");
  p.print_flush();
  std::string line;
  switch (read_line(line)) {
    case ReadStatus::Eof:
      return engine::StepAnswer::EndOfInput;
    case ReadStatus::Interrupted:
      return engine::StepAnswer::GoOn;
    case ReadStatus::Line:
      break;
  }
  if (line == "exit") return engine::StepAnswer::Exit;
  if (line == "c") return engine::StepAnswer::NoMoreStops;
  return engine::StepAnswer::GoOn;
}

inline void say(const char* text) {
  pp().print_string(text);
  pp().print_newline();
}

// The answer to an attempt, and how it ended once its proof is shown (or
// could not be). End of input at the step question prints nothing and
// leaves as cmdloop::EndOfInput.
template <class Prover>
engine::Outcome answer(Prover& prover, const engine::Attempt& a) {
  using engine::Outcome;
  switch (a.outcome) {
    case Outcome::Stopped:
      say("Calcul arrete");
      return a.outcome;
    case Outcome::NotProved:
      say("La formule n'est pas prouvee (plus de candidats)");
      return a.outcome;
    case Outcome::Cancelled:
      say("Preuve annulee");
      return a.outcome;
    case Outcome::TimeOut:
      pp().print_flush();
      say("Temps imparti ecoule");
      return a.outcome;
    case Outcome::EndOfInput:
      throw cmdloop::EndOfInput{};
    case Outcome::Proved:
    case Outcome::Unshown:
      break;
  }
  say("La formule est vraie");
  if (!a.show_proof) return a.outcome;
  if (!prover.has_proof_clause()) {
    say("Desole, pas de preuve :");
    return Outcome::Unshown;
  }
  if (a.show_satisfiable) prover.print_satisfiable_set();
  say("Voici la preuve :");
  try {
    auto tree = prover.proof();
    if (!tree) {
      say("Desole, pas de preuve :");
      return Outcome::Unshown;
    }
    if (prover.print_proof(tree)) return Outcome::Proved;
  } catch (const Interrupted&) {
  }
  say("Preuve annulee");
  return Outcome::Cancelled;
}

// One prove request: the attempt, with the question between steps, and its answer.
template <class Prover, class Hyps, class Goal>
engine::Outcome prove(Prover& prover, const engine::ProveSettings& s, const Hyps& hyps,
                      const Goal& goal) {
  static const engine::StepQuestion ask = step_question;
  return answer(prover, prover.prove(s, hyps, goal, ask));
}

// The answer to an axiom that could not be added; nothing when it was.
inline void answer_axiom(engine::AxiomAnswer a) {
  switch (a) {
    case engine::AxiomAnswer::Added:
      return;
    case engine::AxiomAnswer::NotAxiom:
      say("Ce ne peut pas etre un axiome");
      return;
    case engine::AxiomAnswer::AlwaysTrue:
      say("Vrai ne peut etre ajoutee");
      return;
  }
}

}  // namespace support::verdict
