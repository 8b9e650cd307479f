// The first-order logic, whole: terms and formulas (formula.h), keyed
// formulas, constraints and the session (session.h), substitution
// (subst.h), unification (unif.h), pending instances (lazy.h), size,
// renaming and decomposition rules (rules.h), printing (printfol.h) and
// the engine bindings (bindings.h). Code outside fol/ includes this.
#pragma once

#include "fol/bindings.h"
#include "fol/formula.h"
#include "fol/lazy.h"
#include "fol/printfol.h"
#include "fol/rules.h"
#include "fol/session.h"
#include "fol/subst.h"
#include "fol/unif.h"
