#include "assistant/display.h"

#include "support/printer.h"

namespace assistant {

fol::Subst do_subst(const fol::Session& ses,
                    const std::vector<std::pair<std::string, std::vector<fol::Term>>>& csts,
                    const std::vector<std::pair<std::string, std::string>>& evars) {
  fol::Subst m;
  // In place: m = m.add(...) would copy m once per name.
  for (const auto& [x, deps] : csts) m.set(fol::mk_var(x), fol::mk_cst(x, deps));
  for (const auto& [x, key] : evars) m.set(fol::mk_var(x), fol::mk_evar(key, x));
  // Constants and existential variables have no variables of their own, so
  // solving cannot meet an occurrence; a stored value that loops is shown
  // through the unsolved map rather than refused.
  std::optional<fol::Subst> solved = fol::solve(ses, m);
  return solved ? *solved : m;
}

namespace {

// In a horizontal box: the formula stays on one line however long it is.
void print_formula_line(const fol::Session& ses, const fol::Formula& f) {
  support::Printer& p = support::pp();
  p.open_hbox();
  fol::print_formula(ses, f);
  p.close_box();
}

}  // namespace

// A goal keeps its constants and existential variables as plain variables
// of those names; the display substitution puts them back, so an
// existential variable prints as its value, or "name?" while it has none.
// The hypotheses are stored newest first and printed oldest first.
void print_goal(const fol::Session& ses, const Goal& g) {
  support::Printer& p = support::pp();
  const fol::Subst s = do_subst(ses, g.csts, g.evars);
  for (auto it = g.hyps.rbegin(); it != g.hyps.rend(); ++it) {
    p.open_hbox();
    if (!it->first.empty()) {
      p.print_string(it->first);
      p.print_string(":");
    }
    fol::print_formula(ses, fol::formsubst(ses, s, it->second));
    p.close_box();
    p.print_newline();
  }
  p.print_string("|- ");
  print_formula_line(ses, fol::formsubst(ses, s, g.concl));
  p.print_newline();
  p.print_newline();
}

void print_goals(const fol::Session& ses, int new_goal_count, const GoalList& goals) {
  support::Printer& p = support::pp();
  if (new_goal_count == 0) {
    p.print_string("No new goals\n");
  } else if (new_goal_count == 1) {
    p.print_string("1 new goal\n");
  } else {
    p.print_string(std::to_string(new_goal_count));
    p.print_string(" new goals\n");
  }
  // The count line ends with a "\n" of its own, so the printer's newline
  // after an unnamed goal's empty heading makes the blank line.
  for (const Goal& g : goals) {
    if (!g.name.empty()) p.print_string("Goal " + g.name);
    p.print_newline();
    print_goal(ses, g);
  }
}

}  // namespace assistant
