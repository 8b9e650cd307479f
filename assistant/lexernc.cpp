#include "assistant/lexernc.h"

#include <unordered_map>

#include "assistant/folread.h"
#include "support/cmdlex.h"
#include "support/errors.h"

namespace assistant::lexernc {
namespace {

// Case matters: "Let", "Search" and "By" also have a capital form, "Prove"
// has only that one (so "prove" is a NAME), and the rest are lower case.
const std::unordered_map<std::string_view, Tok>& keywords() {
  // Looked up only, never walked.
  static const std::unordered_map<std::string_view, Tok> table = {
      {"Let", Tok::MYLET},
      {"let", Tok::MYLET},
      {"Search", Tok::SEARCH},
      {"search", Tok::SEARCH},
      {"set", Tok::SET},
      {"assume", Tok::ASSUME},
      {"deduce", Tok::DEDUCE},
      {"trivial", Tok::TRIVIAL},
      {"Prove", Tok::PROVE},
      {"show", Tok::SHOW},
      {"shown", Tok::SHOWN},
      {"begin", Tok::PBEGIN},
      {"end", Tok::PEND},
      {"then", Tok::MYTHEN},
      {"By", Tok::BY},
      {"by", Tok::BY},
      {"with", Tok::MYWITH},
      {"and", Tok::MYAND},
      {"in", Tok::MYIN},
      {"proof", Tok::PROOF},
      {"endproof", Tok::ENDPROOF},
      {"by_absurd", Tok::BYABSURD},
      {"label", Tok::LABEL},
  };
  return table;
}

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_ident(char c) { return is_letter(c) || is_digit(c) || c == '_'; }

[[noreturn]] void empty_token() { throw support::Failure("lexing: empty token"); }

}  // namespace

// Blanks are space, tab and newline; a '\r', like any character listed
// nowhere below, is "lexing: empty token". Each branch leaves pos_ just
// after its token.
Token Lexer::token() {
  while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n')) ++pos_;
  Token t;
  if (pos_ == s_.size()) return t;  // FIN
  const char c = s_[pos_];
  if (c == ',') {
    ++pos_;
    t.kind = Tok::VIRG;
    return t;
  }
  // "*n": n a positive number written without a leading zero.
  if (c == '*') {
    std::size_t q = pos_ + 1;
    if (q == s_.size() || s_[q] < '1' || s_[q] > '9') empty_token();
    while (q < s_.size() && is_digit(s_[q])) ++q;
    t.kind = Tok::STAR;
    t.number = support::cmdlang::int_of_string(s_.substr(pos_ + 1, q - pos_ - 1));
    pos_ = q;
    return t;
  }
  // "$text$" up to the next dollar, text not empty: a formula holds no '$'.
  if (c == '$') {
    const std::size_t q = s_.find('$', pos_ + 1);
    if (q == std::string_view::npos || q == pos_ + 1) empty_token();
    const std::string_view text = s_.substr(pos_ + 1, q - pos_ - 1);
    pos_ = q + 1;
    // Whatever the first-order reader objects to, the phrase reports a bad formula.
    try {
      t.formula = read_formula(text);
    } catch (...) {
      throw support::FormulaError{};
    }
    t.kind = Tok::FORMULA;
    return t;
  }
  // "[name]": anything up to the first ']', possibly nothing.
  if (c == '[') {
    const std::size_t q = s_.find(']', pos_ + 1);
    if (q == std::string_view::npos) empty_token();
    t.kind = Tok::HYPNAME;
    t.text = std::string(s_.substr(pos_ + 1, q - pos_ - 1));
    pos_ = q + 1;
    return t;
  }
  if (c == '{') {
    // "{", identifier, "=" and at least one character before the first "}".
    std::size_t q = pos_ + 1;
    if (q == s_.size() || !is_letter(s_[q])) empty_token();
    while (q < s_.size() && is_ident(s_[q])) ++q;
    if (q == s_.size() || s_[q] != '=') empty_token();
    const std::size_t close = s_.find('}', q + 1);
    if (close == std::string_view::npos || close == q + 1) empty_token();
    return definition(close);
  }
  // A letter, then letters, digits and '_': a keyword or a NAME.
  if (is_letter(c)) {
    std::size_t q = pos_;
    while (q < s_.size() && is_ident(s_[q])) ++q;
    const std::string_view word = s_.substr(pos_, q - pos_);
    pos_ = q;
    const auto it = keywords().find(word);
    if (it != keywords().end()) {
      t.kind = it->second;
    } else {
      t.kind = Tok::NAME;
      t.text = std::string(word);
    }
    return t;
  }
  empty_token();
}

// The definition "{x=t}" between pos_ and the closing brace at `close`: the
// text t is read as the formula Term(t). The reader's own errors pass
// unchanged; a text that is not exactly one term (say "a(),b()", which would
// read as Term(a(),b())) is a syntax error of the phrase.
Token Lexer::definition(std::size_t close) {
  const std::size_t eq = s_.find('=', pos_);
  Token t;
  t.kind = Tok::EQUAL;
  t.text = std::string(s_.substr(pos_ + 1, eq - pos_ - 1));
  std::string text = "Term(";
  text.append(s_.substr(eq + 1, close - eq - 1));
  text.push_back(')');
  pos_ = close + 1;
  t.formula = read_term_formula(text);
  return t;
}

}  // namespace assistant::lexernc
