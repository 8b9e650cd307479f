// The first-order reader as the two assistant readers use it.
#pragma once

#include <string_view>

#include "fol/fol.h"

namespace assistant {

// A formula between dollars. Throws fol::FormulaError when the text is no
// formula; the callers turn any error into their own ErrForm.
fol::Formula read_formula(std::string_view text);

// The text "Term(t)" of a definition {x=t}. The reader's errors keep their
// nature: a character that starts no token is fol::Failure("lexing: empty
// token"), a syntax error is ParseError; a text that reads as anything but
// the atom Term with exactly one argument is ParseError too. Nesting too deep
// or a name the prover reserves is lexernc::ErrForm.
fol::Formula read_term_formula(std::string_view text);

}  // namespace assistant
