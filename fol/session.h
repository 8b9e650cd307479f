// What the full variant's formulas carry and what a logic instance keeps:
// keyed formulas and constraints (fol_assistant), and the Session with its
// two fresh-name counters and the store of existential-variable values.
//
//   Session ses;                           // normally a logic instance's session()
//   add_evar_val(ses, "1", mk_fn("a", {}));  // ?1 now stands for a()
//   evar_value(ses, "1");                  // -> a()
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "fol/formula.h"

namespace fol {

// ---- Keyed formulas, constraints ----

// The formula that crosses the engine interface in fol_assistant.
struct KFormula {
  Formula f;
  int key = 0;
};

struct KeyItem {
  int key;
};
struct InstanceItem {
  std::string var;
  Term term;
};
using ConstraintItem = std::variant<KeyItem, InstanceItem>;
using Group = std::vector<ConstraintItem>;
struct TableEntry {
  int key;
  std::vector<Group> groups;
};
// (instantiation table, bindings); the empty value is ({}, {}).
struct Constraints {
  std::vector<TableEntry> table;
  std::vector<std::pair<std::string, Term>> bindings;  // (existential key, value); first wins
};

// ---- The state of one logic instance ----

// Values of existential variables as (key, value) pairs, most recent first.
using EvarVals = std::vector<std::pair<std::string, Term>>;

// What a proof session changes as it goes, apart from the node bank: the
// two fresh-name counters and the store of existential-variable values.
// One Session belongs to one logic instance (FolLogic, FolBatchLogic) and
// is handed by reference to each function below that reads or writes it,
// as E hands its term bank around; two instances share nothing.
//
// Invariant: neither counter is ever reset, not by `init` and not between
// proofs, so each var<n> and x_cst_<n> name is taken once in a session.
class Session {
 public:
  // The number of the last name taken; 0 while none is.
  int renamings = 0;  // var1, var2, ... (get_renaming_formula)
  int skolems = 0;    // x_cst_1, ... (get_rules, Skolem terms)

 private:
  friend void set_evar_val(Session& ses, const EvarVals& vals);
  friend EvarVals give_evar_val(const Session& ses);
  friend void add_evar_val(Session& ses, const std::string& key, const Term& t);
  friend const Term* evar_value(const Session& ses, const std::string& key);
  EvarVals evar_vals;  // values given, oldest first: a key's value is its last pair
};

// Side effects: replaces the whole store of ses.
void set_evar_val(Session& ses, const EvarVals& vals);
EvarVals give_evar_val(const Session& ses);  // the current store
// Side effects: puts (key, t) in front of the store of ses.
void add_evar_val(Session& ses, const std::string& key, const Term& t);
// The stored value of a key (the most recent pair), or nullptr; nullptr
// too when the chain of bare existential variables from key loops.
const Term* evar_value(const Session& ses, const std::string& key);

}  // namespace fol
