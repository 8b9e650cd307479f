#include "folprover/main.h"

#include <type_traits>
#include <variant>

#include "fol/parserfol.h"
#include "folprover/lexermain.h"
#include "folprover/parsermain.h"
#include "support/cmdloop.h"
#include "support/printer.h"
#include "support/verdict.h"

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

engine::ProveSettings Main::settings(std::optional<engine::ResolutionMethod> method) const {
  engine::ProveSettings s = cells_;
  s.resolution_method = method;
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
  support::cmdloop::print_help({"set <constante> <valeur>\n",
                                {},
                                {"  verbose", "  maxcndts", "  pdsmax_global", "  timemax"},
                                {"  splitting", "  check_subcase", "  trace_proof"},
                                ""});
}

}  // namespace

std::optional<int> Main::execute(const Command<fol::Formula>& c) {
  using support::cmdlang::set;
  std::optional<int> status;
  std::visit(
      [&](const auto& cmd) {
        using T = std::decay_t<decltype(cmd)>;
        if constexpr (std::is_same_v<T, Init>) {
          support::cmdloop::answer("Liste des axiomes videe");
          prover_.init();
        } else if constexpr (std::is_same_v<T, Exit>) {
          status = support::cmdloop::farewell();
        } else if constexpr (std::is_same_v<T, Help>) {
          print_help();
        } else if constexpr (std::is_same_v<T, Nothing>) {
        } else if constexpr (std::is_same_v<T, Axiom<fol::Formula>>) {
          support::verdict::answer_axiom(prover_.axiom(
              {cmd.hyp.formula, cmd.hyp.poids, logic_.empty_constraints(), cmd.hyp.indice}));
        } else if constexpr (std::is_same_v<T, Prove_mode<fol::Formula>>) {
          support::verdict::prove(prover_, settings(cmd.mode), hypotheses(cmd.hyps),
                                  fol::rigid_free_vars(logic_.session(), cmd.formula));
        } else if constexpr (std::is_same_v<T, Prove<fol::Formula>>) {
          support::verdict::prove(prover_, settings(std::nullopt), hypotheses(cmd.hyps),
                                  fol::rigid_free_vars(logic_.session(), cmd.formula));
        } else if constexpr (std::is_same_v<T, Set_int> || std::is_same_v<T, Set_bool>) {
          set(cells_, cmd.setting, cmd.value);
        }
      },
      c);
  return status;
}

std::optional<int> Main::execute_line(const std::string& line) {
  return support::cmdloop::run_line([&] { return execute(parse_line(line)); });
}

int Main::boucle() { return support::cmdloop::boucle("fol_prover", *this); }

}  // namespace folprover
