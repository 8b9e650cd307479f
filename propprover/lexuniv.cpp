#include "propprover/lexuniv.h"

#include "support/errors.h"

namespace prop {

bool is_word_start(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  switch (c) {
    case 224:
    case 226:
    case 228:
    case 231:
    case 232:
    case 233:
    case 234:
    case 235:
    case 238:
    case 239:
    case 244:
    case 246:
    case 249:
    case 251:
    case 252:
      return true;
    default:
      return false;
  }
}

namespace {

bool is_word_char(unsigned char c) {
  return is_word_start(c) || (c >= '0' && c <= '9') || c == '_' || c == '\'';
}

bool is_symbol_char(unsigned char c) {
  switch (c) {
    case '!':
    case '$':
    case '%':
    case '&':
    case '*':
    case '+':
    case '-':
    case '.':
    case '/':
    case ':':
    case ';':
    case '<':
    case '=':
    case '>':
    case '?':
    case '^':
    case '|':
    case '~':
    case '@':
      return true;
    default:
      return false;
  }
}

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// lire_entier: any number of digits; the value only tells a number apart.
long long lire_entier(long long n, std::string_view text, std::size_t& pos) {
  constexpr long long kCap = 100'000'000'000'000'000LL;  // below it, n * 10 + 9 still fits
  while (pos < text.size() && is_digit(static_cast<unsigned char>(text[pos]))) {
    long long d = text[pos] - '0';
    n = n >= kCap ? kCap : n * 10 + d;
    ++pos;
  }
  return n;
}

}  // namespace

Lexuniv::Lexuniv(const std::vector<std::string>& keywords) {
  table_.reserve(17);
  for (const std::string& k : keywords) table_[k] = true;
}

Lexeme Lexuniv::mc_ou_ident(std::string w) const {
  if (table_.count(w) != 0) return Lexeme{Lexeme::Kind::MC, std::move(w)};
  return Lexeme{Lexeme::Kind::Ident, std::move(w)};
}

bool Lexuniv::lire_lexeme(std::string_view text, std::size_t& pos, Lexeme& out) const {
  for (;;) {
    if (pos >= text.size()) return false;
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++pos;
      continue;
    }
    if (c == '#') {  // lire_commentaires: up to and including the newline
      while (pos < text.size() && text[pos] != '\n') ++pos;
      if (pos < text.size()) ++pos;
      continue;
    }
    ++pos;
    if (is_digit(c)) {
      out = Lexeme{Lexeme::Kind::Entier, {}, lire_entier(c - '0', text, pos)};
      return true;
    }
    if (c == '-' && pos < text.size() && is_digit(static_cast<unsigned char>(text[pos]))) {
      long long d = text[pos] - '0';
      ++pos;
      out = Lexeme{Lexeme::Kind::Entier, {}, -lire_entier(d, text, pos)};
      return true;
    }
    // Words and symbols keep all their characters: cutting them would merge
    // distinct atoms that share a prefix.
    if (is_word_start(c)) {  // lire_mot
      std::size_t start = pos - 1;
      while (pos < text.size() && is_word_char(static_cast<unsigned char>(text[pos]))) ++pos;
      out = mc_ou_ident(std::string(text.substr(start, pos - start)));
      return true;
    }
    if (is_symbol_char(c)) {  // lire_symbole
      std::size_t start = pos - 1;
      while (pos < text.size() && is_symbol_char(static_cast<unsigned char>(text[pos]))) ++pos;
      out = mc_ou_ident(std::string(text.substr(start, pos - start)));
      return true;
    }
    // mc_ou_erreur: a single character that must be a keyword.
    std::string one(1, static_cast<char>(c));
    if (table_.count(one) != 0) {
      out = Lexeme{Lexeme::Kind::MC, std::move(one)};
      return true;
    }
    throw support::FormulaError{};
  }
}

LexemeStream Lexuniv::analyseur(std::string_view text) const { return LexemeStream(*this, text); }

const Lexeme* LexemeStream::peek() {
  if (has_) return &cur_;
  if (at_end_) return nullptr;
  if (!lex_.lire_lexeme(text_, pos_, cur_)) {
    at_end_ = true;
    return nullptr;
  }
  has_ = true;
  return &cur_;
}

}  // namespace prop
