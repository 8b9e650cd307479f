// Tokens of the first-order formula syntax.
//
//   Lexer lx("forall x. p(x)");
//   for (auto t = lx.token(); t && t->kind != Tok::FIN; t = lx.token()) ...
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace fol {

enum class Tok { NAME, FIN, FALSE, TRUE, NOT, AND, OR, IMP, IFF, FORALL, EXISTS, PG, PT, VIRG, PD };

struct Token {
  Tok kind;
  std::string text;     // the identifier of a NAME
  std::size_t pos = 0;  // byte offset of the token in the text
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}
  // The next token (longest match, keywords as whole identifiers), or
  // nullopt on a character that starts no token ("lexing: empty token");
  // the position then stays at that character.
  std::optional<Token> token();
  std::size_t pos() const { return pos_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// The keyword's token for an identifier, or NAME.
Tok keyword(std::string_view word);

}  // namespace fol
