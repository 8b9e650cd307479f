// A lexeme is a number, a word, a run of symbol characters, or a single
// character that is a keyword (the formula reader's brackets). A word or a
// symbol run is a keyword when the table has it, an identifier otherwise:
// an unknown run such as "|~" or "~~" is an identifier, which the formula
// reader takes for an atom ("p|~q" is p, then the atom "|~").
#include "propprover/lexuniv.h"

#include "support/errors.h"

namespace prop {

// The accented letters are single Latin-1 bytes: à â ä ç è é ê ë î ï ô ö ù
// û ü. A UTF-8 letter (two bytes, the first 0xC3) starts no word.
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

// After the first letter: digits, '_' and the prime, so "p'" and "x_1" are words.
bool is_word_char(unsigned char c) {
  return is_word_start(c) || (c >= '0' && c <= '9') || c == '_' || c == '\'';
}

// A symbol lexeme is the longest run of these, so "->" and "<->" come
// whole, and "->~" is one unknown symbol rather than "->" then "~".
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

// mc_ou_ident: a keyword when the table has the whole text, else an identifier.
Lexeme Lexuniv::mc_ou_ident(std::string w) const {
  if (table_.count(w) != 0) return Lexeme{Lexeme::Kind::MC, std::move(w)};
  return Lexeme{Lexeme::Kind::Ident, std::move(w)};
}

// Skips blanks ('\r' among them) and '#' comments, then reads one lexeme
// and leaves pos just after it; pos moves past trailing blanks even when
// the result is false.
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
    // A '-' right before a digit is a sign: "-1" is a number, not a symbol.
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

// The lexeme is read at the first peek and kept until junk(), so peeking
// again costs nothing and lexes nothing further.
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
