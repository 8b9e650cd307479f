// The propositional formula reader: recursive descent over the lazy lexeme
// stream of Lexuniv, one level per priority. Binary operators associate to
// the right; "non" and "~" apply to an atom, a constant or a bracketed formula.
//
//   std::optional<prop::Formula> f = prop::analyse_proposition("p ou q & r");
#pragma once

#include <optional>
#include <string_view>

#include "propprover/prop.h"

namespace prop {

// The formula that the text starts with; what follows a complete formula is
// ignored. Empty on any failure: nothing readable, a syntax error after
// something was read, a character the lexer refuses, or nesting deeper than
// support::kMaxNesting.
std::optional<Formula> analyse_proposition(std::string_view text);

}  // namespace prop
