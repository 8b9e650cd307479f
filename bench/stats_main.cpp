// A bench driver: fol_prover or prop_prover exactly as shipped, reading the
// same standard input and printing the same output, that reports on
// standard error, at the end, how many clauses the engine made.
//
//   bench_stats fol < problem.txt      (or: bench_stats prop)
#include <cstdio>
#include <cstring>

#include "engine/ptypes.h"
#include "folprover/main.h"
#include "propprover/main.h"
#include "support/bigstack.h"
#include "support/cmdloop.h"

namespace {

template <class M>
int run(const char* name) {
  return support::cmdloop::guarded(name, [name] {
    M m;
    int status = support::cmdloop::boucle(name, m);
    std::fprintf(stderr, "clauses made: %d\n", m.prover().clauses_made());
    return status;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || (std::strcmp(argv[1], "fol") != 0 && std::strcmp(argv[1], "prop") != 0)) {
    std::fprintf(stderr, "usage: bench_stats fol|prop < input\n");
    return 2;
  }
  const bool fol = std::strcmp(argv[1], "fol") == 0;
  return support::run_with_big_stack(
      [fol] { return fol ? run<folprover::Main>("fol_prover") : run<prop::Main>("prop_prover"); });
}
