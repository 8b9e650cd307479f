// Printing of terms and formulas with precedence levels: a connective is
// bracketed when its context binds tighter; quantifier runs print as one
// "/\ x,y." prefix and are never bracketed.
//
// The text is the concrete syntax the reader accepts, so what is printed
// reads back as an equal formula (tests and the fol_formula fuzz target
// check it). Existential variables print as their value in the Session
// given, or as "name?" while they have none; nothing here writes a Session.
// Levels: 2 <->, 4 ->, 6 or, 8 &, 10 a quantifier body, 12 the operand of ~.
#include "fol/printfol.h"

#include <sstream>

#include "support/printer.h"

namespace fol {

// name(a1,...,an); an empty list still prints "()", which is how the reader
// tells a constant from a variable.
void print_fargs(const Session& ses, support::Printer& p, const std::string& name,
                 const std::vector<Term>& args) {
  p.print_string(name);
  if (args.empty()) {
    p.print_string("()");
    return;
  }
  p.print_string("(");
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) p.print_string(",");
    printert(ses, p, args[i]);
  }
  p.print_string(")");
}

// Terms never need brackets, so the level is unused. A Cst prints as its
// name alone: its dependencies are bookkeeping, not syntax.
void print_term(const Session& ses, support::Printer& p, int, const Term& t) {
  switch (t->kind()) {
    case TermKind::Var:
    case TermKind::Bvar:
    case TermKind::Cst:
      p.print_string(t->name());
      return;
    case TermKind::Fn:
      print_fargs(ses, p, t->name(), t->args());
      return;
    case TermKind::Evar:
      if (const Term* v = evar_value(ses, t->key()))
        printert(ses, p, *v);  // chains end: see evar_value
      else
        p.print_string(t->name() + "?");
      return;
  }
}

// A predicate without arguments prints bare: the reader reads "p()" as no
// atom, unlike a function constant, which needs its "()".
void print_atom(const Session& ses, support::Printer& p, int, const std::string& pred,
                const std::vector<Term>& args) {
  if (args.empty())
    p.print_string(pred);
  else
    print_fargs(ses, p, pred, args);
}

namespace {
// The text of a binary connective and, in `level`, how tightly it binds.
const char* symbol(FormKind k, int& level) {
  switch (k) {
    case FormKind::And:
      level = 8;
      return " &";
    case FormKind::Or:
      level = 6;
      return " or";
    case FormKind::Imp:
      level = 4;
      return " ->";
    default:
      level = 2;
      return " <->";
  }
}
}  // namespace

// Prints f in a context of the given level: a binary connective that binds
// looser than its context is bracketed. The left operand is printed one
// level tighter than the connective and the right one at its level, so
// chains of one connective associate to the right. The only break offered
// is after a binary connective, where a long line may be cut.
void print_formul(const Session& ses, support::Printer& p, const AtomPrinter& atom, int level,
                  const Formula& f) {
  switch (f->kind()) {
    case FormKind::False:
      p.print_string("False");
      return;
    case FormKind::True:
      p.print_string("True");
      return;
    case FormKind::Atom:
      atom(ses, p, level, f->name(), f->args());
      return;
    case FormKind::Not:
      p.print_string("~");
      print_formul(ses, p, atom, 12, f->left());
      return;
    case FormKind::Forall:
    case FormKind::Exists: {
      // A run of quantifiers of one kind prints as one prefix.
      p.print_string(f->kind() == FormKind::Forall ? "/\\" : "\\/");
      const FormNode* g = f.get();
      bool first = true;
      while (g->kind() == f->kind()) {
        p.print_string(first ? " " : ",");
        p.print_string(g->name());
        first = false;
        g = g->body().get();
      }
      p.print_string(". ");
      print_formul(ses, p, atom, 10, Formula(g));
      return;
    }
    default: {
      int l = 0;
      const char* s = symbol(f->kind(), l);
      if (level > l) p.print_string("(");
      print_formul(ses, p, atom, l + 1, f->left());
      p.print_string(s);
      p.print_break(1, 0);
      print_formul(ses, p, atom, l, f->right());
      if (level > l) p.print_string(")");
      return;
    }
  }
}

namespace {
// print_atom as an AtomPrinter, made once.
const AtomPrinter& default_atom() {
  static const AtomPrinter a = [](const Session& ses, support::Printer& p, int l,
                                  const std::string& n, const std::vector<Term>& args) {
    print_atom(ses, p, l, n, args);
  };
  return a;
}
}  // namespace

void formula_printer(const Session& ses, support::Printer& p, const AtomPrinter& atom,
                     const Formula& f) {
  print_formul(ses, p, atom, 0, f);
}

void printert(const Session& ses, support::Printer& p, const Term& t) { print_term(ses, p, 0, t); }

void print_formula(const Session& ses, const Formula& f) {
  formula_printer(ses, support::pp(), default_atom(), f);
}

// A private printer in a horizontal box: one line, whatever its length,
// and the process-wide printer's state is left alone.
std::string to_string(const Session& ses, const Formula& f) {
  std::ostringstream os;
  support::Printer p(&os);
  p.open_hbox();
  formula_printer(ses, p, default_atom(), f);
  p.close_box();
  p.print_flush();
  return os.str();
}

std::string to_string(const Session& ses, const Term& t) {
  std::ostringstream os;
  support::Printer p(&os);
  p.open_hbox();
  printert(ses, p, t);
  p.close_box();
  p.print_flush();
  return os.str();
}

}  // namespace fol
