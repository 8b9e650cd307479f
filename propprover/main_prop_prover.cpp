// prop_prover's entry: the command loop on a big stack.
#include "propprover/main.h"
#include "support/bigstack.h"

int main() {
  return support::run_with_big_stack([] { return prop::run_prop_prover(); });
}
