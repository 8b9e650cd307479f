#include "assistant/folread.h"

#include "assistant/lexernc.h"
#include "fol/parserfol.h"
#include "support/errors.h"

namespace assistant {

fol::Formula read_formula(std::string_view text) { return fol::parse_formula_or_throw(text); }

fol::Formula read_term_formula(std::string_view text) {
  fol::ParseResult r = fol::parse_formula(text);
  if (const fol::ParseError* e = std::get_if<fol::ParseError>(&r)) {
    switch (e->kind) {
      case fol::ParseErrorKind::Lexing:
        throw support::Failure(e->message());
      case fol::ParseErrorKind::Syntax:
        throw support::CommandError{};
      default:
        throw support::FormulaError{};
    }
  }
  fol::Formula f = std::get<fol::Formula>(std::move(r));
  if (f->kind() != fol::FormKind::Atom || f->name() != "Term" || f->args().size() != 1)
    throw support::CommandError{};
  return f;
}

}  // namespace assistant
