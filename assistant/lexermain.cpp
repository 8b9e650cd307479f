#include "assistant/lexermain.h"

#include <charconv>
#include <unordered_map>

#include "assistant/folread.h"
#include "support/cmdlex.h"
#include "support/errors.h"

namespace assistant::lexermain {
namespace {

struct Keyword {
  Tok kind;
  bool value;  // for BOOL
};

const std::unordered_map<std::string_view, Keyword>& keywords() {
  // Looked up only, never walked.
  static const std::unordered_map<std::string_view, Keyword> table = {
      {"axiom", {Tok::AXIOM, false}},
      {"init", {Tok::INIT, false}},
      {"prove", {Tok::PROVE, false}},
      {"nhr", {Tok::NHR, false}},
      {"phr", {Tok::PHR, false}},
      {"goal", {Tok::GOAL, false}},
      {"pset", {Tok::SET, false}},
      {"verbose", {Tok::VERBOSE, false}},
      {"maxcndts", {Tok::MAXCNDTS, false}},
      {"pdsmax_global", {Tok::PDSMAXGLOBAL, false}},
      {"timemax", {Tok::TIMEMAX, false}},
      {"splitting", {Tok::SPLITTING, false}},
      {"check_subcase", {Tok::CHECKSUBCASE, false}},
      {"trace_proof", {Tok::TRACEPROOF, false}},
      {"exit", {Tok::EXIT, false}},
      {"Exit", {Tok::EXIT, false}},
      {"quit", {Tok::EXIT, false}},
      {"Quit", {Tok::EXIT, false}},
      {"sortie", {Tok::EXIT, false}},
      {"Sortie", {Tok::EXIT, false}},
      {"help", {Tok::HELP, false}},
      {"true", {Tok::BOOL, true}},
      {"false", {Tok::BOOL, false}},
      {"undo", {Tok::UNDO, false}},
      {"abort", {Tok::ABORT, false}},
      {"select", {Tok::SELECT, false}},
  };
  return table;
}

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_ident(char c) { return is_letter(c) || is_digit(c) || c == '_'; }

[[noreturn]] void empty_token() { throw support::Failure("lexing: empty token"); }

}  // namespace

Token Lexer::token() {
  while (pos_ < s_.size()) {
    const char c = s_[pos_];
    if (c == ' ' || c == '\t' || c == '\n') {
      ++pos_;
      continue;
    }
    if (c == '(' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '*') {
      // A comment runs to the last "*)" that comes before any 0xA4 byte:
      // the longest match swallows everything in between.
      std::size_t limit = s_.find('\xA4', pos_ + 2);
      if (limit == std::string_view::npos) limit = s_.size();
      const std::string_view body = s_.substr(pos_ + 2, limit - pos_ - 2);
      const std::size_t close = body.rfind("*)");
      if (close == std::string_view::npos) empty_token();
      pos_ += 2 + close + 2;
      continue;
    }
    break;
  }
  Token t;
  if (pos_ == s_.size()) return t;  // FIN
  const char c = s_[pos_];
  switch (c) {
    case '{':
      ++pos_;
      t.kind = Tok::CG;
      return t;
    case '}':
      ++pos_;
      t.kind = Tok::CD;
      return t;
    case ';':
      ++pos_;
      t.kind = Tok::PVIRG;
      return t;
    case '#':
      ++pos_;
      t.kind = Tok::DZ;
      return t;
    case '%':
      ++pos_;
      t.kind = Tok::IND;
      return t;
    default:
      break;
  }
  if (c == '$') {
    const std::size_t q = s_.find('$', pos_ + 1);
    if (q == std::string_view::npos || q == pos_ + 1) empty_token();
    const std::string_view text = s_.substr(pos_ + 1, q - pos_ - 1);
    pos_ = q + 1;
    // Whatever the first-order reader objects to, the command reports a bad formula.
    try {
      t.formula = fol::KFormula{read_formula(text), 0};
    } catch (...) {
      throw support::FormulaError{};
    }
    t.kind = Tok::FORMULA;
    return t;
  }
  if (is_digit(c)) {
    std::size_t q = pos_;
    while (q < s_.size() && is_digit(s_[q])) ++q;
    if (q < s_.size() && s_[q] == '.') {
      ++q;
      while (q < s_.size() && is_digit(s_[q])) ++q;
      double v = 0;
      std::from_chars(s_.data() + pos_, s_.data() + q, v);
      t.kind = Tok::FLT;
      t.real = v;
    } else {
      t.kind = Tok::INT;
      t.number = support::cmdlang::int_of_string(s_.substr(pos_, q - pos_));
    }
    pos_ = q;
    return t;
  }
  if (c == '[') {
    const std::size_t q = s_.find(']', pos_ + 1);
    if (q == std::string_view::npos) empty_token();
    t.kind = Tok::HYPNAME;
    t.text = std::string(s_.substr(pos_ + 1, q - pos_ - 1));
    pos_ = q + 1;
    return t;
  }
  if (is_letter(c)) {
    std::size_t q = pos_;
    while (q < s_.size() && is_ident(s_[q])) ++q;
    const std::string_view word = s_.substr(pos_, q - pos_);
    pos_ = q;
    const auto it = keywords().find(word);
    if (it != keywords().end()) {
      t.kind = it->second.kind;
      t.boolean = it->second.value;
    } else {
      t.kind = Tok::ID;
      t.text = std::string(word);
    }
    return t;
  }
  empty_token();
}

}  // namespace assistant::lexermain
