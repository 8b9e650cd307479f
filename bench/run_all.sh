#!/usr/bin/env bash
# Runs the benchmark problem sets with the programs of a build directory:
# the first-order example problems with fol_prover, the propositional
# example problems and the harder propositional set with prop_prover.
#
#   bench/run_all.sh [BUILD_DIR]        (default: build)
#
# Extra "-s LINE" settings can be given through BENCH_SETTINGS, one per line.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build}

settings=()
if [[ -n ${BENCH_SETTINGS:-} ]]; then
  while IFS= read -r s; do
    [[ -n $s ]] && settings+=(-s "$s")
  done <<<"$BENCH_SETTINGS"
fi

run() {
  local prog=$1 file=$2
  if [[ -x $prog ]]; then
    echo "== $(basename "$prog") on ${file#"$root"/}"
    "$here/run.sh" "${settings[@]}" "$prog" "$file"
    echo
  else
    echo "== $(basename "$prog") not built in $build; skipped" >&2
  fi
}

run "$build/folprover/fol_prover" "$root/examples/fol_problems.txt"
run "$build/propprover/prop_prover" "$root/examples/prop_problems.txt"
run "$build/propprover/prop_prover" "$here/prop_hard.txt"

# The same example files against the peer prover E, when it is installed.
peer() {
  local prog=$1 file=$2
  if [[ -x $prog ]]; then
    echo "== $(basename "$prog") against eprover on ${file#"$root"/}"
    "$here/peer.sh" "$prog" "$file"
    echo
  fi
}
if command -v eprover >/dev/null; then
  peer "$build/folprover/fol_prover" "$root/examples/fol_problems.txt"
  peer "$build/propprover/prop_prover" "$root/examples/prop_problems.txt"
else
  echo "== eprover not installed; peer comparison skipped" >&2
fi
