// The tokens of a first-order formula. A word is an ASCII letter followed by
// letters, digits and '_'; it is a keyword only as a whole word, so
// "forallx" is a name. Beside the words, the symbols: "/\" and "\/" for the
// quantifiers, "&", "|", "~", "->" or "=>", "<->" or "<=>".
// Anything else starts no token: digits, '_', quotes, '\r' (a CRLF line is
// refused) and a lone '-', '=' or '<'.
#include "fol/lexerfol.h"

namespace fol {

namespace {
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

// French and English words side by side. Case matters: only the spellings
// listed are keywords, so "TRUE" or "Forall" is an ordinary name.
Tok keyword(std::string_view w) {
  struct Kw {
    std::string_view word;
    Tok tok;
  };
  static constexpr Kw table[] = {
      {"forall", Tok::FORALL}, {"exists", Tok::EXISTS}, {"et", Tok::AND},     {"and", Tok::AND},
      {"ou", Tok::OR},         {"or", Tok::OR},         {"non", Tok::NOT},    {"not", Tok::NOT},
      {"False", Tok::FALSE},   {"false", Tok::FALSE},   {"faux", Tok::FALSE}, {"True", Tok::TRUE},
      {"true", Tok::TRUE},     {"vrai", Tok::TRUE},
  };
  for (const Kw& k : table)
    if (k.word == w) return k.tok;
  return Tok::NAME;
}

std::optional<Token> Lexer::token() {
  const std::string_view s = text_;
  while (pos_ < s.size() && (s[pos_] == ' ' || s[pos_] == '\t' || s[pos_] == '\n')) ++pos_;
  const std::size_t start = pos_;
  if (pos_ == s.size()) return Token{Tok::FIN, {}, start};
  // Past the end reads as '\0', which no two-character operator continues with.
  auto at = [&](std::size_t i) { return start + i < s.size() ? s[start + i] : '\0'; };
  auto tok = [&](Tok k, std::size_t len) {
    pos_ = start + len;
    return Token{k, {}, start};
  };
  const char c = s[start];
  if (is_letter(c)) {
    std::size_t e = start + 1;
    while (e < s.size() && (is_letter(s[e]) || is_digit(s[e]) || s[e] == '_')) ++e;
    std::string_view w = s.substr(start, e - start);
    pos_ = e;
    // Only a NAME keeps its text: a keyword is known by its kind alone.
    Tok k = keyword(w);
    return Token{k, k == Tok::NAME ? std::string(w) : std::string(), start};
  }
  // A prefix of an operator that goes no further ("-", "<-", "/") breaks
  // out of the switch and is refused with pos_ still on its first character.
  switch (c) {
    case '/':
      if (at(1) == '\\') return tok(Tok::FORALL, 2);
      break;
    case '\\':
      if (at(1) == '/') return tok(Tok::EXISTS, 2);
      break;
    case '-':
    case '=':
      if (at(1) == '>') return tok(Tok::IMP, 2);
      break;
    case '<':
      if ((at(1) == '-' || at(1) == '=') && at(2) == '>') return tok(Tok::IFF, 3);
      break;
    case '&':
      return tok(Tok::AND, 1);
    case '|':
      return tok(Tok::OR, 1);
    case '~':
      return tok(Tok::NOT, 1);
    case '(':
      return tok(Tok::PG, 1);
    case ')':
      return tok(Tok::PD, 1);
    case ',':
      return tok(Tok::VIRG, 1);
    case '.':
      return tok(Tok::PT, 1);
    default:
      break;
  }
  return std::nullopt;
}

}  // namespace fol
