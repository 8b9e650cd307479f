#include "propprover/main.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "engine/prover.h"
#include "engine/ptypes.h"
#include "propprover/lexermain.h"
#include "propprover/parsermain.h"
#include "support/lineinput.h"
#include "support/printer.h"

namespace prop {

namespace {

constexpr int kEndOfInputStatus = 2;
constexpr int kInterruptStatus = 130;

void answer(const std::string& text) {
  support::Printer& p = support::pp();
  p.print_string(text);
  p.print_flush();
}

void confirm(const char* text) {
  support::Printer& p = support::pp();
  p.print_string(text);
  p.print_newline();
}

// The setting cells are the engine's own ten optional settings: all absent
// at start-up, filled by set commands and by a prove naming a method, never
// reset (not even by init).
class Main {
 public:
  Main() : prover_(logic_) {}

  // One command; true when it is an exit word.
  bool dispatch(const Command& c) {
    switch (c.kind) {
      case Command::Kind::Init:
        confirm("Liste des axiomes videe");
        prover_.init();
        break;
      case Command::Kind::Exit:
        answer("\n A bientot \n\n");
        return true;
      case Command::Kind::Nothing:
        break;
      case Command::Kind::Axiom:
        prover_.axiom(c.hyps.front());
        break;
      case Command::Kind::Prove_mode:
        cells_.resolution_method = c.mode;
        prover_.prove(cells_, c.hyps, c.formula);
        break;
      case Command::Kind::Prove:
        prover_.prove(cells_, c.hyps, c.formula);
        break;
      case Command::Kind::Set_int:
        switch (c.int_setting) {
          case Command::IntSetting::verbose:
            cells_.verbose = c.int_value;
            confirm("verbose change");
            break;
          case Command::IntSetting::maxcndts:
            cells_.maxcndts = c.int_value;
            confirm("maxcndts change");
            break;
          case Command::IntSetting::pdsmax_global:
            cells_.pdsmax_global = c.int_value;
            confirm("pdsmax_global change");
            break;
        }
        break;
      case Command::Kind::Set_bool:
        switch (c.bool_setting) {
          case Command::BoolSetting::splitting:
            cells_.splitting = c.bool_value;
            confirm("splitting change");
            break;
          case Command::BoolSetting::check_subcase:
            cells_.check_subcase = c.bool_value;
            confirm("check_subcase change");
            break;
          case Command::BoolSetting::trace_proof:
            cells_.trace_proof = c.bool_value;
            confirm("trace_proof change");
            break;
        }
        break;
    }
    return false;
  }

  // boucle
  int boucle() {
    std::string line;
    for (;;) {
      support::write_prompt(">>> ");
      switch (support::read_line(line)) {
        case support::ReadStatus::Line:
          break;
        case support::ReadStatus::Eof:
          return stop("end of input", kEndOfInputStatus);
        case support::ReadStatus::Interrupted:
          return stop("interrupted", kInterruptStatus);
      }
      try {
        if (dispatch(parse_command(line))) return 0;
      } catch (const SyntaxError&) {
        answer("Erreur de commande\n");
      } catch (const ErrForm&) {
        answer("Erreur de formule\n");
      } catch (const engine::ProveFails&) {
        // The engine has printed its message.
      } catch (const Failure& f) {
        answer(f.message + "\n");
      }
      support::pp().print_flush();
    }
  }

  // Standard output flushed, a short report on stderr, no farewell.
  static int stop(const char* why, int status) {
    support::pp().print_flush();
    std::cout.flush();
    std::fflush(stdout);
    std::cerr << "prop_prover: " << why << "\n";
    return status;
  }

 private:
  PropLogic logic_;
  engine::Prover<PropLogic> prover_;
  engine::ProveSettings cells_;
};

}  // namespace

int run_prop_prover() {
  try {
    Main m;
    return m.boucle();
  } catch (const engine::EndOfInput&) {
    // The input ended while the search asked whether to go on.
    return Main::stop("end of input", kEndOfInputStatus);
  } catch (const engine::InternalError& e) {
    // An internal inconsistency: one line naming where, never an answer.
    return Main::stop(("internal error in " + e.file).c_str(), kEndOfInputStatus);
  } catch (const std::exception& e) {
    return Main::stop(e.what(), kEndOfInputStatus);
  } catch (...) {
    return Main::stop("stopped", kEndOfInputStatus);
  }
}

}  // namespace prop
