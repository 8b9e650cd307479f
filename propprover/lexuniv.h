// A general lexer over a text, parameterised by its keywords. It yields
// lexemes lazily: each one is read when the parser first looks at it, so the
// first error from the left is the one reported.
//
//   prop::Lexuniv lex({"(", ")", "et"});
//   prop::LexemeStream s = lex.analyseur("a et (b)");
//   while (const prop::Lexeme* l = s.peek()) s.junk();
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace prop {

struct Lexeme {
  enum class Kind { MC, Ident, Entier };
  Kind kind;
  std::string text;     // MC and Ident: the keyword or word, every character kept
  long long value = 0;  // Entier (saturated: the value is never used as a number)
};

class LexemeStream;

// The letters a word starts with: A to Z, a to z and the accented Latin-1
// letters. The command lexer's words take the same letters.
bool is_word_start(unsigned char c);

class Lexuniv {
 public:
  // construire_analyseur: a lexer recognising these keywords.
  explicit Lexuniv(const std::vector<std::string>& keywords);
  // analyseur: the lazy lexeme stream of a text (the text must outlive it).
  LexemeStream analyseur(std::string_view text) const;

  // lire_lexème: the next lexeme from position `pos`, or false at end of text.
  // Throws support::FormulaError on a character that is neither a keyword nor in a class.
  bool lire_lexeme(std::string_view text, std::size_t& pos, Lexeme& out) const;

 private:
  Lexeme mc_ou_ident(std::string w) const;
  std::unordered_map<std::string, bool> table_;  // only looked up, never iterated
};

class LexemeStream {
 public:
  LexemeStream(const Lexuniv& lex, std::string_view text) : lex_(lex), text_(text) {}
  // The next lexeme, read if not yet read; nullptr at the end of the text.
  const Lexeme* peek();
  void junk() { has_ = false; }  // drop the lexeme that peek returned

 private:
  const Lexuniv& lex_;
  std::string_view text_;
  std::size_t pos_ = 0;
  bool has_ = false;
  bool at_end_ = false;
  Lexeme cur_{};
};

}  // namespace prop
