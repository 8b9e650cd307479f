// The command lexer of fol_prover: the tokens of one input line, handed out
// one at a time as the grammar asks for them, so that the first error from
// the left is the one reported.
//
// Formulas are not delimited: a word that is not a keyword starts a formula,
// which runs on over the formula characters (blanks included) and is read
// by the formula reader given at construction.
//
//   Lexermain<F> lex(line, analyse_proposition);
//   Token<F> t = lex.token();   // may throw ErrForm or Failure
#pragma once

#include <climits>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace folprover {

enum class Tok {
  FIN,
  INIT,
  AXIOM,
  PROVE,
  SET,
  EXIT,
  HELP,
  NHR,
  PHR,
  CG,
  DZ,
  IND,
  PVIRG,
  CD,
  VERBOSE,
  MAXCNDTS,
  PDSMAXGLOBAL,
  TIMEMAX,
  SPLITTING,
  CHECKSUBCASE,
  TRACEPROOF,
  FORMULA,
  INT,
  FLT,
  BOOL
};

// A formula in the line does not read ("Erreur de formule").
struct ErrForm {};

// A failure with a message that the loop prints as it stands.
struct Failure {
  std::string message;
};

template <class F>
struct Token {
  Tok kind = Tok::FIN;
  std::optional<F> formula;  // FORMULA
  int int_value = 0;         // INT
  bool bool_value = false;   // BOOL
};

// The keyword table; nullopt for a word that is not a keyword.
// BOOL words also give their value through `value`.
inline std::optional<Tok> keyword(const std::string& w, bool& value) {
  static const std::pair<const char*, Tok> table[] = {
      {"axiom", Tok::AXIOM},
      {"init", Tok::INIT},
      {"prove", Tok::PROVE},
      {"nhr", Tok::NHR},
      {"phr", Tok::PHR},
      {"set", Tok::SET},
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
  };
  for (const auto& [word, tok] : table)
    if (w == word) return tok;
  if (w == "true" || w == "false") {
    value = (w == "true");
    return Tok::BOOL;
  }
  return std::nullopt;
}

inline bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Characters that continue a word.
inline bool is_word_char(char c) {
  if (is_letter(c) || is_digit(c)) return true;
  switch (c) {
    case '_':
    case '&':
    case '(':
    case ')':
    case ',':
    case '-':
    case '.':
    case '/':
    case '<':
    case '=':
    case '>':
    case '\\':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

// Characters a formula runs over: the word characters and the blank (not tab).
inline bool is_formula_char(char c) { return c == ' ' || is_word_char(c); }

// The standard conversion of a run of digits: out of range is a failure.
inline int int_of_string(const std::string& digits) {
  long long n = 0;
  for (char c : digits) {
    n = n * 10 + (c - '0');
    if (n > INT_MAX) throw Failure{"int_of_string"};
  }
  return static_cast<int>(n);
}

template <class F>
class Lexermain {
 public:
  // Reads the text of one formula; nullopt when it does not read.
  using Reader = std::function<std::optional<F>(const std::string&)>;

  Lexermain(std::string line, Reader reader) : line_(std::move(line)), reader_(std::move(reader)) {}

  // The next token. Throws ErrForm for a formula that does not read and
  // Failure for an unknown character or an integer out of range.
  Token<F> token() {
    for (;;) {
      skip_blanks();
      if (pos_ >= line_.size()) return make(Tok::FIN);
      if (!skip_comment()) break;
    }
    const char c = line_[pos_];
    if (is_digit(c)) return number();
    switch (c) {
      case '[':
        ++pos_;
        return make(Tok::CG);
      case ']':
        ++pos_;
        return make(Tok::CD);
      case ';':
        ++pos_;
        return make(Tok::PVIRG);
      case '#':
        ++pos_;
        return make(Tok::DZ);
      case '%':
        ++pos_;
        return make(Tok::IND);
      default:
        break;
    }
    if (starts_word()) return word();
    throw Failure{"lexing: empty token"};
  }

 private:
  static Token<F> make(Tok kind) {
    Token<F> t;
    t.kind = kind;
    return t;
  }

  void skip_blanks() {
    while (pos_ < line_.size() &&
           (line_[pos_] == ' ' || line_[pos_] == '\t' || line_[pos_] == '\n'))
      ++pos_;
  }

  // A comment runs from "(*" to the last "*)" before any byte 0xA4.
  // Returns false when no comment starts here.
  bool skip_comment() {
    if (line_.compare(pos_, 2, "(*") != 0) return false;
    std::size_t limit = line_.find('\xA4', pos_ + 2);
    if (limit == std::string::npos) limit = line_.size();
    // The closing "*)" must lie within [pos_ + 2, limit).
    if (limit < pos_ + 4) return false;
    const std::size_t close = line_.rfind("*)", limit - 2);
    if (close == std::string::npos || close < pos_ + 2) return false;
    pos_ = close + 2;
    return true;
  }

  bool starts_word() const {
    const char c = line_[pos_];
    if (is_letter(c) || c == '/' || c == '\\' || c == '~') return true;
    return c == '(' && (pos_ + 1 >= line_.size() || line_[pos_ + 1] != '*');
  }

  Token<F> number() {
    const std::size_t start = pos_;
    while (pos_ < line_.size() && is_digit(line_[pos_])) ++pos_;
    if (pos_ < line_.size() && line_[pos_] == '.') {
      ++pos_;
      while (pos_ < line_.size() && is_digit(line_[pos_])) ++pos_;
      return make(Tok::FLT);
    }
    Token<F> t = make(Tok::INT);
    t.int_value = int_of_string(line_.substr(start, pos_ - start));
    return t;
  }

  Token<F> word() {
    const std::size_t start = pos_;
    ++pos_;
    while (pos_ < line_.size() && is_word_char(line_[pos_])) ++pos_;
    Token<F> t;
    if (auto kw = keyword(line_.substr(start, pos_ - start), t.bool_value)) {
      t.kind = *kw;
      return t;
    }
    // Not a keyword: the formula runs on over the formula characters.
    while (pos_ < line_.size() && is_formula_char(line_[pos_])) ++pos_;
    t.formula = reader_(line_.substr(start, pos_ - start));
    if (!t.formula) throw ErrForm{};
    t.kind = Tok::FORMULA;
    return t;
  }

  std::string line_;
  std::size_t pos_ = 0;  // next character to read
  Reader reader_;
};

}  // namespace folprover
