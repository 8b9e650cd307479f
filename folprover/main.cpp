#include "folprover/main.h"

#include <cstdio>
#include <iostream>
#include <type_traits>
#include <variant>

#include "fol/parserfol.h"
#include "folprover/lexermain.h"
#include "folprover/parsermain.h"
#include "support/lineinput.h"
#include "support/printer.h"

namespace folprover {

std::optional<fol::Formula> analyse_proposition(const std::string& text) {
  fol::ParseResult r = fol::parse_formula(text);
  if (auto* f = std::get_if<fol::Formula>(&r)) return *f;
  return std::nullopt;
}

Command<fol::Formula> parse_line(const std::string& line) {
  Lexermain<fol::Formula> lex(line, analyse_proposition);
  return Parsermain<fol::Formula>::main(lex);
}

Main::Main() : prover_(logic_) {}

engine::ProveSettings Main::settings(std::optional<std::string> method) const {
  engine::ProveSettings s;
  s.resolution_method = std::move(method);
  s.lazy_decomposition = lazy_decomposition_;
  s.verbose = verbose_;
  s.step_prompt = step_prompt_;
  s.maxcndts = maxcndts_;
  s.splitting = splitting_;
  s.check_subcase = check_subcase_;
  s.trace_proof = trace_proof_;
  s.timemax = timemax_;
  s.pdsmax_global = pdsmax_global_;
  return s;
}

std::vector<engine::Hypothesis<fol::FolBatchLogic>> Main::hypotheses(
    const std::vector<Hyp<fol::Formula>>& hs) {
  std::vector<engine::Hypothesis<fol::FolBatchLogic>> out;
  out.reserve(hs.size());
  for (const auto& h : hs)
    out.push_back({h.formula, h.poids, logic_.empty_constraints(), h.indice});
  return out;
}

namespace {

void print_help() {
  auto& p = support::pp();
  for (const char* s :
       {"Commandes :\n", "Axiom <formule>\n", "init\n", "set <constante> <valeur>\n", "exit\n",
        "prove <formule>\n", "prove [hypotheses;...] formule\n\n",
        "apres une formule hypothese ou axiom, eventuellement\n", "  % donne un indice\n",
        "  # donne un poids\n"})
    p.print_string(s);
  p.print_newline();
  p.print_string("Constantes modifiables :\n");
  p.print_string("Entiers : \n");
  for (const char* s : {"  verbose", "  maxcndts", "  pdsmax_global", "  timemax"}) {
    p.print_string(s);
    p.print_newline();
  }
  p.print_string("Booleens : \n");
  for (const char* s : {"  splitting", "  check_subcase", "  trace_proof"}) {
    p.print_string(s);
    p.print_newline();
  }
  p.print_flush();
}

void answer(const std::string& text) {
  support::pp().print_string(text);
  support::pp().print_newline();
}

// A message of the loop's failure handlers: the text, "\n", and a flush.
void report(const std::string& text) {
  support::pp().print_string(text);
  support::pp().print_string("\n");
  support::pp().print_flush();
}

const char* name_of(IntSetting s) {
  switch (s) {
    case IntSetting::verbose:
      return "verbose";
    case IntSetting::maxcndts:
      return "maxcndts";
    case IntSetting::pdsmax_global:
      return "pdsmax_global";
    case IntSetting::timemax:
      return "timemax";
  }
  return "";
}

const char* name_of(BoolSetting s) {
  switch (s) {
    case BoolSetting::splitting:
      return "splitting";
    case BoolSetting::trace_proof:
      return "trace_proof";
    case BoolSetting::check_subcase:
      return "check_subcase";
  }
  return "";
}

// Thrown by the Exit command to end the loop with status 0.
struct ExitProgram {};

}  // namespace

void Main::execute(const Command<fol::Formula>& c) {
  std::visit(
      [this](const auto& cmd) {
        using T = std::decay_t<decltype(cmd)>;
        if constexpr (std::is_same_v<T, Init>) {
          answer("Liste des axiomes videe");
          prover_.init();
        } else if constexpr (std::is_same_v<T, Exit>) {
          support::pp().print_string("\n A bientot \n\n");
          support::pp().close_box();
          support::pp().print_flush();
          throw ExitProgram{};
        } else if constexpr (std::is_same_v<T, Help>) {
          print_help();
        } else if constexpr (std::is_same_v<T, Nothing>) {
        } else if constexpr (std::is_same_v<T, Axiom<fol::Formula>>) {
          prover_.axiom(
              {cmd.hyp.formula, cmd.hyp.poids, logic_.empty_constraints(), cmd.hyp.indice});
        } else if constexpr (std::is_same_v<T, Prove_mode<fol::Formula>>) {
          prover_.prove(settings(cmd.mode), hypotheses(cmd.hyps), cmd.formula);
        } else if constexpr (std::is_same_v<T, Prove<fol::Formula>>) {
          prover_.prove(settings(std::nullopt), hypotheses(cmd.hyps), cmd.formula);
        } else if constexpr (std::is_same_v<T, Set_int>) {
          switch (cmd.setting) {
            case IntSetting::verbose:
              verbose_ = cmd.value;
              break;
            case IntSetting::maxcndts:
              maxcndts_ = cmd.value;
              break;
            case IntSetting::pdsmax_global:
              pdsmax_global_ = cmd.value;
              break;
            case IntSetting::timemax:
              timemax_ = cmd.value;
              break;
          }
          answer(std::string(name_of(cmd.setting)) + " change");
        } else if constexpr (std::is_same_v<T, Set_bool>) {
          switch (cmd.setting) {
            case BoolSetting::splitting:
              splitting_ = cmd.value;
              break;
            case BoolSetting::trace_proof:
              trace_proof_ = cmd.value;
              break;
            case BoolSetting::check_subcase:
              check_subcase_ = cmd.value;
              break;
          }
          answer(std::string(name_of(cmd.setting)) + " change");
        }
      },
      c);
}

std::optional<int> Main::execute_line(const std::string& line) {
  try {
    execute(parse_line(line));
  } catch (const ExitProgram&) {
    return 0;
  } catch (const ParseError&) {
    report("Erreur de commande");
  } catch (const ErrForm&) {
    report("Erreur de formule");
  } catch (const Failure& f) {
    report(f.message);
  } catch (const engine::ProveFails&) {
    // The engine has printed why.
  }
  std::cout.flush();
  return std::nullopt;
}

namespace {

constexpr int kEndOfInputStatus = 2;
constexpr int kInterruptStatus = 130;

// Standard output flushed, a short report on standard error, no farewell.
int stop(const char* why, int status) {
  support::pp().print_flush();
  std::cout.flush();
  std::fflush(stdout);
  std::cerr << "fol_prover: " << why << std::endl;
  return status;
}

}  // namespace

int Main::boucle() {
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
      if (auto status = execute_line(line)) return *status;
    } catch (const engine::EndOfInput&) {
      // The step question met the end of input.
      return stop("end of input", kEndOfInputStatus);
    }
  }
}

}  // namespace folprover
