// The one instance of the engine on the propositional logic.
#include "engine/prover_impl.h"
#include "propprover/prop.h"

template class engine::Prover<prop::PropLogic>;
