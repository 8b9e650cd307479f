// Helpers shared by the first-order logic's tests.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/ptypes.h"
#include "fol/fol.h"
#include "fol/parserfol.h"
#include "support/printer.h"

namespace foltest {

inline fol::Formula P(const std::string& s) {
  fol::ParseResult r = fol::parse_formula(s);
  if (auto* e = std::get_if<fol::ParseError>(&r)) {
    ADD_FAILURE() << "does not read: " << s << " (" << e->message() << ")";
    return fol::mk_false();
  }
  return std::get<fol::Formula>(r);
}

// The term written in `s`, read as the only argument of an atom.
inline fol::Term T(const std::string& s) { return P("t(" + s + ")")->args().at(0); }

// The text of f, read with no existential values stored, or with those of ses.
inline std::string S(const fol::Formula& f) {
  static const fol::Session none;
  return fol::to_string(none, f);
}
inline std::string S(const fol::Session& ses, const fol::Formula& f) {
  return fol::to_string(ses, f);
}

}  // namespace foltest
