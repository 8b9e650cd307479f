// The engine instantiated once on the full first-order logic, for
// fol_assistant's engine instance.
#include "engine/prover_impl.h"
#include "fol/fol.h"

template class engine::Prover<fol::FolLogic>;
