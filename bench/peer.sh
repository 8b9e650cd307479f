#!/usr/bin/env bash
# Runs each problem of a problem file with our program (through run.sh, one
# fresh process per problem) and with the peer prover E on the same problem
# translated to TPTP (to_tptp.py), and prints per problem both outcomes and
# wall times and the ratio ours/E, then the median ratio over the problems
# both prove.
#
#   bench/peer.sh build/folprover/fol_prover examples/fol_problems.txt
#   bench/peer.sh build/propprover/prop_prover examples/prop_problems.txt
#
# The logic is taken from the program's name (prop_prover reads propositional
# formulas, anything else first-order). Without eprover on the PATH the E
# columns read "-". E outcomes: proved ("SZS status Theorem", or
# "ContradictoryAxioms": the goal then follows too), counter (it found the
# goal does not follow), timeout (its 30 s CPU limit), n/a (the program
# refuses the line, so there is nothing to translate), or other.
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: $0 PROGRAM PROBLEM_FILE" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
prog=$1
file=$2
[[ -x $prog ]] || { echo "$0: $prog is not an executable" >&2; exit 2; }
[[ -r $file ]] || { echo "$0: cannot read $file" >&2; exit 2; }
logic=fol
[[ $(basename "$prog") == prop_* ]] && logic=prop
eprover=$(command -v eprover || true)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$here/run.sh" "$prog" "$file" >"$work/ours"
if [[ -n $eprover ]]; then
  mkdir "$work/tptp"
  python3 "$here/to_tptp.py" --logic "$logic" -o "$work/tptp" "$file" >"$work/translated"
fi

# E's outcome and wall time (ms) for problem rank $1, as "outcome ms".
run_e() {
  local p
  p=$(printf '%s/tptp/%03d.p' "$work" "$1")
  if [[ -z $eprover ]]; then
    echo "- -"
    return
  fi
  if [[ ! -f $p ]]; then
    echo "n/a -"
    return
  fi
  local start end status
  start=$(date +%s%N)
  "$eprover" --auto -s --cpu-limit=30 "$p" >"$work/e.out" 2>&1 || true
  end=$(date +%s%N)
  status=$(sed -n 's/^# SZS status \([A-Za-z]*\).*/\1/p' "$work/e.out" | head -n 1)
  case $status in
    Theorem|ContradictoryAxioms) status=proved ;;
    CounterSatisfiable|Satisfiable) status=counter ;;
    ResourceOut|Timeout) status=timeout ;;
    *) status="other${status:+($status)}" ;;
  esac
  echo "$status $(((end - start) / 1000000))"
}

# "a/b" with two decimals; "-" when b is 0 or either is missing.
ratio() {
  if [[ $1 == - || $2 == - || $2 -eq 0 ]]; then
    echo -
  else
    echo $(((100 * $1 + $2 / 2) / $2)) | sed -e 's/^\(.*\)\(..\)$/\1.\2/' -e 's/^\./0./' -e 's/^\(.\)$/0.0\1/'
  fi
}

secs() {
  [[ $1 == - ]] && { echo -; return; }
  printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000))
}

printf '%-12s %-10s %9s %-12s %9s %9s\n' problem ours "ours(s)" E "E(s)" ours/E
rank=0
both=()
ours_proved=0
e_proved=0
while read -r name outcome wall _; do
  [[ $name == problem || $name == total: ]] && continue
  rank=$((rank + 1))
  ours_ms=$((10#${wall%.*} * 1000 + 10#${wall#*.}))
  read -r e_outcome e_ms < <(run_e "$rank")
  r=$(ratio "$ours_ms" "$e_ms")
  printf '%-12s %-10s %9s %-12s %9s %9s\n' "$name" "$outcome" "$(secs "$ours_ms")" \
    "$e_outcome" "$(secs "$e_ms")" "$r"
  [[ $outcome == proved ]] && ours_proved=$((ours_proved + 1))
  [[ $e_outcome == proved ]] && e_proved=$((e_proved + 1))
  [[ $outcome == proved && $e_outcome == proved && $r != - ]] && both+=("$r")
done <"$work/ours"

if [[ -z $eprover ]]; then
  printf 'total: ours %d/%d proved; eprover not found, E not run\n' "$ours_proved" "$rank"
  exit 0
fi
median=-
if ((${#both[@]})); then
  median=$(printf '%s\n' "${both[@]}" | sort -g |
    awk '{ v[NR] = $1 } END { printf "%.2f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
fi
printf 'total: ours %d/%d proved, E %d/%d; median ours/E over the %d both prove: %s\n' \
  "$ours_proved" "$rank" "$e_proved" "$rank" "${#both[@]}" "$median"
