// prop_prover: the propositional prover's command loop. Reads one command a
// line after the prompt ">>> " and answers through the shared printer.
#pragma once

namespace prop {

// Runs the loop until an exit word (status 0) or the end of input (non-zero
// status, a short message on stderr). Call it on a thread with a big stack.
int run_prop_prover();

}  // namespace prop
