// The engine instantiated once on each variant of the first-order logic.
#include "engine/prover_impl.h"
#include "fol/bindings.h"

template class engine::Prover<fol::FolLogic>;
template class engine::Prover<fol::FolBatchLogic>;
