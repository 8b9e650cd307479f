#include "assistant/lexermain.h"

#include <optional>
#include <string>

#include "assistant/folread.h"

namespace assistant::lexermain {
namespace {

constexpr support::cmdlang::Keyword kKeywords[] = {
    {"axiom", Tok::AXIOM},
    {"init", Tok::INIT},
    {"prove", Tok::PROVE},
    {"nhr", Tok::NHR},
    {"phr", Tok::PHR},
    {"goal", Tok::GOAL},
    {"pset", Tok::SET},
    {"verbose", Tok::VERBOSE},
    {"maxcndts", Tok::MAXCNDTS},
    {"pdsmax_global", Tok::PDSMAXGLOBAL},
    {"timemax", Tok::TIMEMAX},
    {"splitting", Tok::SPLITTING},
    {"check_subcase", Tok::CHECKSUBCASE},
    {"trace_proof", Tok::TRACEPROOF},
    {"exit", Tok::EXIT},
    {"Exit", Tok::EXIT},
    {"quit", Tok::EXIT},
    {"Quit", Tok::EXIT},
    {"sortie", Tok::EXIT},
    {"Sortie", Tok::EXIT},
    {"help", Tok::HELP},
    {"true", Tok::BOOL, true},
    {"false", Tok::BOOL, false},
    {"undo", Tok::UNDO},
    {"abort", Tok::ABORT},
    {"select", Tok::SELECT},
};

// Whatever the first-order reader objects to, the command reports a bad formula.
std::optional<fol::KFormula> read_keyed(const std::string& text) {
  try {
    return fol::KFormula{read_formula(text), 0};
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace

Lexer::Lexer(std::string_view line)
    : support::cmdlang::Lexer<fol::KFormula>(std::string(line), kKeywords,
                                             support::cmdlang::is_ascii_letter, read_keyed,
                                             support::cmdlang::Formulas::Dollars) {}

}  // namespace assistant::lexermain
