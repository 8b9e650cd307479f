// The store of existential-variable values of a Session. Existential
// values are not part of a term: they live in the Session a caller passes,
// and an Evar with a value stands for that value wherever a function takes
// a Session.
#include "fol/session.h"

namespace fol {

// ---- Existential-variable values ----

// The store is kept oldest first, so adding a value is a push at the back;
// the interface speaks most recent first, so set and give reverse it. A key
// may hold several pairs: the most recent one is its value.
namespace {
// The most recent pair for key, without the cycle test of evar_value.
const Term* raw_value(const EvarVals& oldest_first, const std::string& key) {
  for (auto it = oldest_first.rbegin(); it != oldest_first.rend(); ++it)
    if (it->first == key) return &it->second;
  return nullptr;
}
}  // namespace

void set_evar_val(Session& ses, const EvarVals& vals) {
  ses.evar_vals.assign(vals.rbegin(), vals.rend());
}
EvarVals give_evar_val(const Session& ses) {
  return EvarVals(ses.evar_vals.rbegin(), ses.evar_vals.rend());
}
void add_evar_val(Session& ses, const std::string& key, const Term& t) {
  ses.evar_vals.emplace_back(key, t);
}

// A chain of values that are bare existential variables and comes back to
// where it started (e set to itself) is read as no value, so that every walk
// through stored values ends. Cycles through a function symbol are refused
// before storing (`exists_cycles`).
const Term* evar_value(const Session& ses, const std::string& key) {
  const Term* v = raw_value(ses.evar_vals, key);
  if (!v) return nullptr;
  const Term* cur = v;
  std::vector<const std::string*> seen{&key};
  while ((*cur)->kind() == TermKind::Evar) {
    const std::string& k = (*cur)->key();
    for (const std::string* s : seen)
      if (*s == k) return nullptr;
    seen.push_back(&k);
    cur = raw_value(ses.evar_vals, k);
    if (!cur) break;
  }
  return v;
}

}  // namespace fol
