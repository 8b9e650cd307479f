// fol_assistant's read-eval loop: a line is a command or, failing that, a
// phrase of the proof language; in proof mode every line ends by showing
// the goals or the outcome of the phrase.
#include <iostream>
#include <type_traits>

#include "assistant/checker.h"
#include "assistant/display.h"
#include "assistant/main.h"
#include "support/cmdloop.h"
#include "support/cmdsettings.h"
#include "support/lineinput.h"
#include "support/printer.h"
#include "support/signals.h"
#include "support/verdict.h"

namespace assistant {
namespace {

using parsermain::Abort;
using parsermain::Axiom;
using parsermain::Command;
using parsermain::Exit;
using parsermain::Help;
using parsermain::Init;
using parsermain::Nothing;
using parsermain::Prove;
using parsermain::Prove_mode;
using parsermain::Select;
using parsermain::Set_bool;
using parsermain::Set_int;
using parsermain::Undo;

using support::cmdloop::answer;
using support::cmdloop::farewell;

// A free-mode goal with its free variables made rigid constants.
fol::KFormula rigid(const fol::Session& ses, const fol::KFormula& f) {
  return {fol::rigid_free_vars(ses, f.f), f.key};
}

// "pset" is this program's setting command; "ncmd" stands for a phrase of
// the proof language, not a word to type.
void print_help() {
  support::cmdloop::print_help({"pset <constante> <valeur>\n",
                                {"Assistant :\n", "goal <formule>\n\n",
                                 "une fois dans l'assistant :\n", "undo\n", "abort\n", "ncmd\n"},
                                {"  verbose", "  maxcndts", "  pdsmax_global (float)", "  timemax"},
                                {"  splitting", "  check_subcase", "  trace_proof"},
                                " = "});
}

// Unlike the batch provers, fol_assistant takes leave at the end of its
// input: "Fin de fichier", the farewell, status 0.
int end_of_input() {
  support::pp().print_string("Fin de fichier\n");
  return farewell();
}

}  // namespace

Main::Line Main::read(const std::string& line) {
  // Any failure of the command reader sends the line to the proof-language
  // reader, whose error alone is reported.
  try {
    return parsermain::parse_line(line);
  } catch (...) {
  }
  return parsernc::parse_phrase(line);
}

// "exit" during a proof: one more line is read as the answer. "o" ends the
// program and end of input ends it as at the prompt; any other answer, or
// an interrupt, goes on, and the goals are shown again rather than an
// earlier phrase checked again.
std::optional<int> Main::ask_exit() {
  support::Printer& p = support::pp();
  p.print_string("Une preuve est en cours...");
  p.print_newline();
  p.print_string("Etes vous certain de vouloir quitter ? (o/n)");
  p.print_flush();
  std::string reply;
  switch (support::read_line(reply)) {
    case support::ReadStatus::Eof:
      return end_of_input();
    case support::ReadStatus::Interrupted:
      // An interrupt is no "o": the proof goes on.
      support::clear_interrupt();
      break;
    case support::ReadStatus::Line:
      if (reply == "o") return farewell();
      break;
  }
  pending_proof = parsernc::empty_proof();
  return std::nullopt;
}

namespace {

// Commands that would change the axioms or start a proof wait for free mode.
bool free_mode_only(const Command& c) {
  return std::holds_alternative<Init>(c) || std::holds_alternative<Axiom>(c) ||
         std::holds_alternative<Prove_mode>(c) || std::holds_alternative<Prove>(c) ||
         std::holds_alternative<parsermain::Goal>(c);
}

// Commands on the goals of a proof.
bool proof_mode_only(const Command& c) {
  return std::holds_alternative<Undo>(c) || std::holds_alternative<Abort>(c) ||
         std::holds_alternative<Select>(c);
}

}  // namespace

bool Main::mode_allows(const Command& c) {
  if (free_mode_only(c) && proof_in_progress) {
    answer("Impossible en interactif");
    // Else the phrase of an earlier line would be checked again, on another goal.
    pending_proof = parsernc::empty_proof();
    return false;
  }
  if (proof_mode_only(c) && !proof_in_progress) {
    answer("Possible uniquement en mode interactif");
    return false;
  }
  return true;
}

// One command kind at a time, once the mode allows it; the exit status when
// the command ends the program. A command that leaves the goals alone still
// drops the phrase of an earlier line, which must not be checked twice.
struct Main::Run {
  Main& m;

  std::optional<int> operator()(const Init&) {
    answer("Liste des axiomes videe");
    m.prover.init();
    return std::nullopt;
  }
  std::optional<int> operator()(const Axiom& c) {
    support::verdict::answer_axiom(m.prover.axiom(c.hyp));
    return std::nullopt;
  }
  std::optional<int> operator()(const Prove_mode& c) {
    engine::ProveSettings s = m.settings();
    s.resolution_method = c.method;
    support::verdict::prove(m.prover, s, c.hyps, rigid(m.logic.session(), c.formula));
    return std::nullopt;
  }
  std::optional<int> operator()(const Prove& c) {
    support::verdict::prove(m.prover, m.settings(), c.hyps, rigid(m.logic.session(), c.formula));
    return std::nullopt;
  }
  std::optional<int> operator()(const parsermain::Goal& c) {
    if (!m.logic.vars_of_formula(c.formula).empty()) {
      answer("Variables non autorisees dans un nouveau but");
      return std::nullopt;
    }
    m.proof_in_progress = true;
    m.base.init_goals(c.formula);
    m.new_goal_count = 1;
    m.pending_proof = parsernc::empty_proof();
    return std::nullopt;
  }
  // With no step left to take back, undo reaches the empty list at the
  // bottom of the history: that ends the proof.
  std::optional<int> operator()(const Undo&) {
    m.base.undo_goals(m.logic.session());
    m.new_goal_count = 0;
    if (m.base.current_goals().empty()) {
      answer("Preuve annulee");
      m.base.abort_goals();
      m.proof_in_progress = false;
    } else {
      m.pending_proof = parsernc::empty_proof();
    }
    return std::nullopt;
  }
  // pending_proof may keep an old phrase: outside a proof it is never
  // checked, and "goal" resets it.
  std::optional<int> operator()(const Abort&) {
    m.base.abort_goals();
    m.proof_in_progress = false;
    return std::nullopt;
  }
  std::optional<int> operator()(const Exit&) {
    if (!m.proof_in_progress) return farewell();
    return m.ask_exit();
  }
  std::optional<int> operator()(const Help&) {
    print_help();
    return keep_goals();
  }
  std::optional<int> operator()(const Nothing&) { return keep_goals(); }
  template <class Setting>
  requires std::is_same_v<Setting, Set_int> || std::is_same_v<Setting, Set_bool> std::optional<int>
  operator()(const Setting& c) {
    support::cmdlang::set(m, c.setting, c.value);
    return keep_goals();
  }
  // A successful select is a step of its own: Base records it, so "undo"
  // takes it back.
  std::optional<int> operator()(const Select& c) {
    m.new_goal_count = 0;
    m.pending_proof = parsernc::empty_proof();
    if (!m.base.sel_goal(c.name)) answer("Pas de but ayant ce nom");
    return std::nullopt;
  }

  std::optional<int> keep_goals() {
    if (m.proof_in_progress) m.pending_proof = parsernc::empty_proof();
    return std::nullopt;
  }
};

std::optional<int> Main::command(const Command& c) {
  if (!mode_allows(c)) return std::nullopt;
  return std::visit(Run{*this}, c);
}

void Main::check_phrase() {
  new_goal_count = 0;
  new_goals.clear();
  const Goal g = base.c_goal();
  base.rm_goal();
  try {
    CheckContext ctx = check_context();
    CheckPtr t = interprete_nc(ctx, g, *pending_proof);
    // The goals reach the stack only once the whole tree is justified: a
    // throw from the engine (end of input at the step question, an
    // internal error) leaves the stack for the handlers below to restore.
    new_goals = parcourt_arbre(ctx, *t);
    new_goal_count = static_cast<int>(new_goals.size());
    base.add_goal_list(new_goals);
  } catch (const NCErreur&) {
    // The diagnostic is printed; the goal is current again, nothing recorded.
    base.add_goal_list({g});
    return;
  } catch (const support::cmdloop::EndOfInput&) {
    // The step question met the end of input: the program ends, so the
    // goal is not put back.
    throw;
  } catch (...) {
    // Whatever went wrong, the proof keeps its goal and its recorded values.
    base.add_goal_list({g});
    fol::set_evar_val(logic.session(), base.value_history().back());
    throw;
  }
  // The last goal is closed: the proof ends, nothing is recorded, and the
  // history stays until the next "goal" starts afresh.
  if (base.current_goals().empty()) {
    proof_in_progress = false;
    support::cmdloop::report("Rien a prouver");
    return;
  }
  base.add_goal_historic(base.current_goals());
  base.add_evar_val_historic(fol::give_evar_val(logic.session()));
  print_goals(logic.session(), new_goal_count, base.current_goals());
}

std::optional<int> Main::interpret(const std::string& line) {
  Line l = read(line);
  if (const auto* phrase = std::get_if<parsernc::ProofPtr>(&l)) {
    if (proof_in_progress)
      pending_proof = *phrase;
    else
      answer("Possible uniquement en mode interactif");
  } else {
    // A prove in free mode has printed its own outcome.
    if (std::optional<int> status = command(std::get<Command>(l))) return status;
  }
  std::cout.flush();
  if (proof_in_progress) {
    // A phrase is checked once, in the iteration that read it.
    if (!parsernc::is_empty_proof(*pending_proof))
      check_phrase();
    else
      print_goals(logic.session(), new_goal_count, base.current_goals());
  }
  return std::nullopt;
}

// A refusal is answered, followed by "Tapez help" after a command error;
// the end of input met by a step question inside the line ends the program.
std::optional<int> Main::execute_line(const std::string& line) {
  try {
    return support::cmdloop::answering([&] { return interpret(line); }, "Tapez help\n");
  } catch (const support::cmdloop::EndOfInput&) {
    return end_of_input();
  }
}

int Main::boucle() {
  std::string line;
  for (;;) {
    support::write_prompt(">>> ");
    switch (support::read_line(line)) {
      case support::ReadStatus::Line:
        break;
      case support::ReadStatus::Eof:
        return end_of_input();
      case support::ReadStatus::Interrupted:
        return support::cmdloop::stop("fol_assistant", "interrupted",
                                      support::cmdloop::kInterruptStatus);
    }
    if (std::optional<int> status = execute_line(line)) return *status;
  }
}

}  // namespace assistant
