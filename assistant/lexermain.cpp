#include "assistant/lexermain.h"

#include <optional>
#include <string>

#include "assistant/folread.h"

namespace assistant::lexermain {
namespace {

constexpr support::cmdlang::Keyword kOwnWords[] = {
    {"goal", Tok::GOAL}, {"pset", Tok::SET},    {"timemax", Tok::TIMEMAX}, {"help", Tok::HELP},
    {"undo", Tok::UNDO}, {"abort", Tok::ABORT}, {"select", Tok::SELECT},
};
constexpr auto kKeywords = support::cmdlang::with_own_words(kOwnWords);

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
