// The first-order reader as the two assistant readers use it.
#pragma once

#include <string_view>

#include "fol/fol.h"
#include "support/errors.h"

namespace assistant {

// A formula between dollars. Throws support::FormulaError when the text is
// no formula.
fol::Formula read_formula(std::string_view text);

// The text "Term(t)" of a definition {x=t}. The reader's errors keep their
// nature: a character that starts no token is support::Failure("lexing:
// empty token"), a syntax error is support::CommandError; a text that reads
// as anything but the atom Term with exactly one argument is CommandError
// too. Nesting too deep or a name the prover reserves is FormulaError.
fol::Formula read_term_formula(std::string_view text);

}  // namespace assistant
