// The batch variant's members that take a pending instance apart: each
// answers as the same member would on the built formula, from the pair
// when the pair settles it, else from the formula built for the occasion
// and dropped after.
#include "fol/fol.h"

namespace fol {

// A substitution that binds no free variable of f leaves it as it is.
LazyFormula FolBatchLogic::apply_subst(const Subst& s, const LazyFormula& f) {
  if (f.built()) return formsubst(session_, s, f.base());
  if (s.empty() || f.closed()) return f;
  bool touched = false;
  for (const std::string& x : f.free_vars()) touched = touched || s.defined(x);
  return touched ? LazyFormula(formsubst(session_, s, f.build())) : f;
}

LazyFormula FolBatchLogic::negate_formula(const LazyFormula& f) {
  if (f.built()) return fol::negate_formula(f.base());
  return LazyFormula::part(f, mk_not(f.base()));  // a pair's base is neither True nor False
}

LazyFormula FolBatchLogic::elim_all_neg(const LazyFormula& f) {
  if (f.built()) return fol::elim_all_neg(f.base());
  const Formula e = fol::elim_all_neg(f.base());
  return e == f.base() ? f : LazyFormula::part(f, e);
}

// A closed formula takes no fresh name and is not renamed.
Subst FolBatchLogic::get_renaming_formula(const Subst& r, const LazyFormula& f) {
  if (f.built()) return fol::get_renaming_formula(session_, r, f.base());
  if (f.closed()) return r;
  return fol::get_renaming_formula(session_, r, f.build());
}

LazyFormula FolBatchLogic::rename_formula(const Subst& r, const LazyFormula& f) {
  if (f.built()) return fol::rename_formula(session_, r, f.base());
  if (r.empty() || f.closed()) return f;
  return fol::rename_formula(session_, r, f.build());
}

std::vector<engine::Decomposition<LazyFormula, Subst, int>> FolBatchLogic::get_rules(
    const int&, const LazyFormula& f, bool sign) {
  std::vector<engine::Decomposition<LazyFormula, Subst, int>> out;
  for (RuleParts& r : decompose(session_, f, sign))
    out.push_back({r.name, r.kind, Subst(), 0, std::move(r.formulas)});
  return out;
}

// Different alpha hashes settle most pairs of instances without a build.
bool FolBatchLogic::equal_formula(const LazyFormula& a, const LazyFormula& b) {
  if (a.built() && b.built()) return fol::equal_formula(a.base(), b.base());
  if (LazyFormula::same(a, b)) return true;
  if (a.alpha_hash() != b.alpha_hash()) return false;
  return fol::equal_formula(a.build(), b.build());
}

// Substitution keeps the connective on top, which settles many pairs.
bool FolBatchLogic::may_unify(const LazyFormula& a, const LazyFormula& b) {
  if (a.built() && b.built()) return fol::may_unify(a.base(), b.base());
  if (a.base()->kind() != b.base()->kind()) return false;
  return fol::may_unify(a.build(), b.build());
}

// Closed formulas take no name and leave the renaming as it was, so they
// are left out of the count.
int FolBatchLogic::count_fresh_names(const std::vector<LazyFormula>& fs) {
  std::vector<Formula> plain;
  plain.reserve(fs.size());
  for (const LazyFormula& f : fs)
    if (f.built())
      plain.push_back(f.base());
    else if (!f.closed())
      plain.push_back(f.build());
  return fol::count_fresh_names(session_, plain);
}

int FolBatchLogic::compare_structural(const LazyFormula& a, const LazyFormula& b) {
  if (a.built() && b.built()) return fol::compare(a.base(), b.base());
  if (LazyFormula::same(a, b)) return 0;
  return fol::compare(a.build(), b.build());
}

}  // namespace fol
