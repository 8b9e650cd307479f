// The first-order formula reader: the whole text is one formula.
//
//   ParseResult r = parse_formula("forall x. p(x) -> q");
//   if (auto* f = std::get_if<Formula>(&r)) ... else std::get<ParseError>(r).message();
//
// A command reader that stops at a delimiter hands over the substring it
// took (std::string_view keeps it free of copies).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "fol/formula.h"

namespace fol {

enum class ParseErrorKind {
  Lexing,    // a character that starts no token: message "lexing: empty token"
  Syntax,    // a token sequence outside the grammar: message "Parse_error"
  TooDeep,   // nesting deeper than support::kMaxNesting
  Reserved,  // a variable, function or bound name of the forms the prover invents
};

struct ParseError {
  ParseErrorKind kind;
  std::size_t pos = 0;  // byte offset where reading stopped
  // "lexing: empty token" for Lexing, "Parse_error" otherwise.
  std::string message() const;
};

using ParseResult = std::variant<Formula, ParseError>;

// `Parserfol.main` over `Lexerfol.token`: reads all of `text` as one formula.
ParseResult parse_formula(std::string_view text);

// The same, with any failure thrown as support::FormulaError.
Formula parse_formula_or_throw(std::string_view text);

// True for the names the prover invents ("var" then digits; ending in
// "_cst" or "_cst_" then digits): the reader refuses them as variable,
// function and bound names.
bool is_reserved_name(std::string_view name);

}  // namespace fol
