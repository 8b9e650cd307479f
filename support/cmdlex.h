// The command lexer of the three programs: the tokens of one input line,
// handed out one at a time as the grammar asks for them, so that the first
// error from the left is the one reported.
//
// The batch provers write formulas bare: a word that is not a keyword starts
// a formula, which runs on over the formula characters (blanks included),
// and hypotheses go between square brackets. fol_assistant writes formulas
// between dollars and hypotheses between braces; its words are identifiers
// and "[name]" names a hypothesis. What sets one program's lexer apart is
// given at construction: its keyword table, the letters its words may hold,
// its formula reader and how it writes formulas.
//
//   cmdlang::Lexer<F> lex(line, keywords, is_letter, reader);
//   cmdlang::Token<F> t = lex.token();   // may throw FormulaError or Failure
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "support/errors.h"

namespace support::cmdlang {

// Every token of the language; a program's keyword table decides which
// keywords it has (prop_prover has no HELP and no TIMEMAX, only
// fol_assistant has GOAL, UNDO, ABORT and SELECT).
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
  GOAL,
  UNDO,
  ABORT,
  SELECT,
  FORMULA,
  HYPNAME,  // "[name]", between dollars only
  ID,       // a word that is no keyword, between dollars only
  INT,
  FLT,
  BOOL
};

template <class F>
struct Token {
  Tok kind = Tok::FIN;
  std::optional<F> formula;  // FORMULA
  std::string text;          // HYPNAME, ID
  int int_value = 0;         // INT
  bool bool_value = false;   // BOOL
};

// One entry of a keyword table; `value` is the value of a BOOL word.
struct Keyword {
  const char* word;
  Tok tok;
  bool value = false;
};

// The words every program reads alike: the shared commands and settings,
// the exit words and the booleans. Each program's table is these and its
// own words (`with_own_words`); a word is a keyword only through its table.
inline constexpr Keyword kSharedWords[] = {
    {"axiom", Tok::AXIOM},
    {"init", Tok::INIT},
    {"prove", Tok::PROVE},
    {"nhr", Tok::NHR},
    {"phr", Tok::PHR},
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

// A program's keyword table: the shared words, then its own.
template <std::size_t N>
constexpr std::array<Keyword, std::size(kSharedWords) + N> with_own_words(const Keyword (&own)[N]) {
  std::array<Keyword, std::size(kSharedWords) + N> out{};
  std::size_t i = 0;
  for (const Keyword& k : kSharedWords) out[i++] = k;
  for (const Keyword& k : own) out[i++] = k;
  return out;
}

inline bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool is_ascii_letter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The standard conversion of a run of digits: out of range is a failure.
inline int int_of_string(std::string_view digits) {
  long long n = 0;
  for (char c : digits) {
    n = n * 10 + (c - '0');
    if (n > INT_MAX) throw Failure("int_of_string");
  }
  return static_cast<int>(n);
}

// How a program writes its formulas.
enum class Formulas { Bare, Dollars };

template <class F>
class Lexer {
 public:
  // Reads the text of one formula; nullopt when it does not read.
  using Reader = std::function<std::optional<F>(const std::string&)>;
  using LetterTest = bool (*)(unsigned char);

  // The keyword table must outlive the lexer.
  Lexer(std::string line, std::span<const Keyword> keywords, LetterTest is_letter, Reader reader,
        Formulas formulas = Formulas::Bare)
      : line_(std::move(line)),
        keywords_(keywords),
        is_letter_(is_letter),
        reader_(std::move(reader)),
        dollars_(formulas == Formulas::Dollars) {}

  // The next token. Throws FormulaError for a formula that does not read
  // and Failure for an unknown character or an integer out of range.
  Token<F> token() {
    for (;;) {
      skip_blanks();
      if (pos_ >= line_.size()) return make(Tok::FIN);
      if (!skip_comment()) break;
    }
    const unsigned char c = at(pos_);
    if (is_digit(c)) return number();
    if (const std::optional<Tok> p = punctuation_of(c)) {
      ++pos_;
      return make(*p);
    }
    if (!dollars_) {
      if (starts_word()) return word();
    } else if (c == '$') {
      return dollar_formula();
    } else if (c == '[') {
      return hyp_name();
    } else if (is_letter_(c)) {
      return identifier();
    }
    empty_token();
  }

 private:
  static Token<F> make(Tok kind) {
    Token<F> t;
    t.kind = kind;
    return t;
  }

  unsigned char at(std::size_t i) const { return static_cast<unsigned char>(line_[i]); }

  [[noreturn]] static void empty_token() { throw Failure("lexing: empty token"); }

  // The one-character tokens; the hypothesis brackets depend on the style.
  std::optional<Tok> punctuation_of(unsigned char c) const {
    switch (c) {
      case ';':
        return Tok::PVIRG;
      case '#':
        return Tok::DZ;
      case '%':
        return Tok::IND;
      case '[':
        return dollars_ ? std::nullopt : std::optional(Tok::CG);
      case ']':
        return dollars_ ? std::nullopt : std::optional(Tok::CD);
      case '{':
        return dollars_ ? std::optional(Tok::CG) : std::nullopt;
      case '}':
        return dollars_ ? std::optional(Tok::CD) : std::nullopt;
      default:
        return std::nullopt;
    }
  }

  // Characters that continue a word.
  bool is_word_char(unsigned char c) const {
    if (is_letter_(c) || is_digit(c)) return true;
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
  bool is_formula_char(unsigned char c) const { return c == ' ' || is_word_char(c); }

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
    const unsigned char c = at(pos_);
    if (is_letter_(c) || c == '/' || c == '\\' || c == '~') return true;
    return c == '(' && (pos_ + 1 >= line_.size() || line_[pos_ + 1] != '*');
  }

  Token<F> number() {
    const std::size_t start = pos_;
    while (pos_ < line_.size() && is_digit(at(pos_))) ++pos_;
    if (pos_ < line_.size() && line_[pos_] == '.') {
      ++pos_;
      while (pos_ < line_.size() && is_digit(at(pos_))) ++pos_;
      return make(Tok::FLT);
    }
    Token<F> t = make(Tok::INT);
    t.int_value = int_of_string(std::string_view(line_).substr(start, pos_ - start));
    return t;
  }

  std::optional<Token<F>> keyword(std::string_view w) const {
    for (const Keyword& k : keywords_) {
      if (w == k.word) {
        Token<F> t = make(k.tok);
        t.bool_value = k.value;
        return t;
      }
    }
    return std::nullopt;
  }

  Token<F> formula(std::size_t start, std::size_t end) {
    Token<F> t = make(Tok::FORMULA);
    t.formula = reader_(line_.substr(start, end - start));
    if (!t.formula) throw FormulaError{};
    return t;
  }

  Token<F> word() {
    const std::size_t start = pos_;
    ++pos_;
    while (pos_ < line_.size() && is_word_char(at(pos_))) ++pos_;
    if (std::optional<Token<F>> k = keyword(std::string_view(line_).substr(start, pos_ - start)))
      return std::move(*k);
    // Not a keyword: the formula runs on over the formula characters.
    while (pos_ < line_.size() && is_formula_char(at(pos_))) ++pos_;
    return formula(start, pos_);
  }

  // "$text$", text not empty.
  Token<F> dollar_formula() {
    const std::size_t close = line_.find('$', pos_ + 1);
    if (close == std::string::npos || close == pos_ + 1) empty_token();
    const std::size_t start = pos_ + 1;
    pos_ = close + 1;
    return formula(start, close);
  }

  // "[name]", the name possibly empty.
  Token<F> hyp_name() {
    const std::size_t close = line_.find(']', pos_ + 1);
    if (close == std::string::npos) empty_token();
    Token<F> t = make(Tok::HYPNAME);
    t.text = line_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
    return t;
  }

  // A letter, then letters, digits and underscores: a keyword or an ID.
  Token<F> identifier() {
    const std::size_t start = pos_;
    ++pos_;
    while (pos_ < line_.size() && (is_letter_(at(pos_)) || is_digit(at(pos_)) || at(pos_) == '_'))
      ++pos_;
    const std::string_view w = std::string_view(line_).substr(start, pos_ - start);
    if (std::optional<Token<F>> k = keyword(w)) return std::move(*k);
    Token<F> t = make(Tok::ID);
    t.text = std::string(w);
    return t;
  }

  std::string line_;
  std::size_t pos_ = 0;  // next character to read
  std::span<const Keyword> keywords_;
  LetterTest is_letter_;
  Reader reader_;
  bool dollars_;  // Formulas::Dollars
};

}  // namespace support::cmdlang
