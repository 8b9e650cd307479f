// Printing of terms and formulas with precedence levels: a connective is
// bracketed when its context binds tighter; quantifier runs print as one
// "/\ x,y." prefix and are never bracketed.
#include <sstream>

#include "fol/fol.h"
#include "support/printer.h"

namespace fol {

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
    print_term(ses, p, 0, args[i]);
  }
  p.print_string(")");
}

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
        print_term(ses, p, 0, *v);  // chains end: see evar_value
      else
        p.print_string(t->name() + "?");
      return;
  }
}

void print_atom(const Session& ses, support::Printer& p, int, const std::string& pred,
                const std::vector<Term>& args) {
  if (args.empty())
    p.print_string(pred);
  else
    print_fargs(ses, p, pred, args);
}

namespace {
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

void print_formula(const Session& ses, const Formula& f) {
  print_formul(ses, support::pp(), default_atom(), 0, f);
}
void printert(const Session& ses, const Term& t) { print_term(ses, support::pp(), 0, t); }

std::string to_string(const Session& ses, const Formula& f) {
  std::ostringstream os;
  support::Printer p(&os);
  p.open_hbox();
  print_formul(ses, p, default_atom(), 0, f);
  p.close_box();
  p.print_flush();
  return os.str();
}

std::string to_string(const Session& ses, const Term& t) {
  std::ostringstream os;
  support::Printer p(&os);
  p.open_hbox();
  print_term(ses, p, 0, t);
  p.close_box();
  p.print_flush();
  return os.str();
}

}  // namespace fol
