// Printing of terms and formulas as the reader reads them, with the
// fewest brackets the precedence levels allow, through a pretty-printer.
// Nothing here opens a box or ends a line: the caller does.
//
//   print_formula(ses, f);          // on the process-wide printer
//   std::string s = to_string(ses, f);  // one line, without breaks
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "fol/formula.h"
#include "fol/session.h"

namespace support {
class Printer;
}

namespace fol {

// ---- Printing (through the given printer; no boxes, no line ends) ----

// An existential variable prints as its value in ses, or as "name?".
using AtomPrinter = std::function<void(const Session&, support::Printer&, int, const std::string&,
                                       const std::vector<Term>&)>;
void print_fargs(const Session& ses, support::Printer& p, const std::string& name,
                 const std::vector<Term>& args);
void print_term(const Session& ses, support::Printer& p, int level, const Term& t);
void print_atom(const Session& ses, support::Printer& p, int level, const std::string& pred,
                const std::vector<Term>& args);
void print_formul(const Session& ses, support::Printer& p, const AtomPrinter& atom, int level,
                  const Formula& f);
// print_formul at level 0: a whole formula, as every caller prints one.
void formula_printer(const Session& ses, support::Printer& p, const AtomPrinter& atom,
                     const Formula& f);
// print_term at level 0 (terms never need brackets): a whole term.
void printert(const Session& ses, support::Printer& p, const Term& t);
// formula_printer with print_atom, on the process-wide printer.
void print_formula(const Session& ses, const Formula& f);
// The printed text of a formula on one line (no breaks taken).
std::string to_string(const Session& ses, const Formula& f);
std::string to_string(const Session& ses, const Term& t);

}  // namespace fol
