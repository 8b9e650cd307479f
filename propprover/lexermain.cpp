#include "propprover/lexermain.h"

#include <string>

#include "propprover/asynt.h"
#include "propprover/lexuniv.h"

namespace prop {

namespace {

constexpr support::cmdlang::Keyword kKeywords[] = {
    {"axiom", Tok::AXIOM},
    {"init", Tok::INIT},
    {"prove", Tok::PROVE},
    {"nhr", Tok::NHR},
    {"phr", Tok::PHR},
    {"set", Tok::SET},
    {"verbose", Tok::VERBOSE},
    {"maxcndts", Tok::MAXCNDTS},
    {"pdsmax_global", Tok::PDSMAXGLOBAL},
    {"splitting", Tok::SPLITTING},
    {"check_subcase", Tok::CHECKSUBCASE},
    {"trace_proof", Tok::TRACEPROOF},
    {"exit", Tok::EXIT},
    {"Exit", Tok::EXIT},
    {"quit", Tok::EXIT},
    {"Quit", Tok::EXIT},
    {"sortie", Tok::EXIT},
    {"Sortie", Tok::EXIT},
    {"true", Tok::BOOL, true},
    {"false", Tok::BOOL, false},
};

std::optional<Formula> read_formula(const std::string& text) { return analyse_proposition(text); }

}  // namespace

Lexermain::Lexermain(std::string_view line)
    : Lexer(std::string(line), kKeywords, is_word_start, read_formula) {}

}  // namespace prop
