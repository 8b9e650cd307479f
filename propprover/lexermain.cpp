#include "propprover/lexermain.h"

#include <string>

#include "propprover/asynt.h"
#include "propprover/lexuniv.h"

namespace prop {

namespace {

constexpr support::cmdlang::Keyword kOwnWords[] = {
    {"set", Tok::SET},
};
constexpr auto kKeywords = support::cmdlang::with_own_words(kOwnWords);

std::optional<Formula> read_formula(const std::string& text) { return analyse_proposition(text); }

}  // namespace

Lexermain::Lexermain(std::string_view line)
    : Lexer(std::string(line), kKeywords, is_word_start, read_formula) {}

}  // namespace prop
