#!/usr/bin/env bash
# Proves each problem of a problem file in a fresh process and prints, per
# problem: the outcome, the wall time and the peak memory, then totals.
#
#   bench/run.sh build/folprover/fol_prover examples/fol_problems.txt
#   bench/run.sh -s "set maxcndts 1000" build/propprover/prop_prover bench/prop_hard.txt
#
# Each -s LINE is replayed before every problem, ahead of the file's own
# settings (to compare settings without editing a problem file).
# A problem is one "prove" line. The "set", "axiom" and "init" lines met so
# far are replayed before it, since they hold for the rest of a session; the
# last comment line before a prove names it. Each run ends with "exit".
# Outcomes: proved, timeout ("Temps imparti ecoule"), no-cand ("plus de
# candidats"), or other (with the exit status).
set -euo pipefail

context=()
while [[ $# -gt 0 && $1 == -s ]]; do
  [[ $# -ge 2 ]] || { echo "$0: -s needs a line" >&2; exit 2; }
  context+=("$2")
  shift 2
done
if [[ $# -lt 2 ]]; then
  echo "usage: $0 [-s LINE]... PROGRAM PROBLEM_FILE" >&2
  exit 2
fi
prog=$1
file=$2
[[ -x $prog ]] || { echo "$0: $prog is not an executable" >&2; exit 2; }
[[ -r $file ]] || { echo "$0: cannot read $file" >&2; exit 2; }
timer=/usr/bin/time
[[ -x $timer ]] || { echo "$0: needs $timer (GNU time) for peak memory" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

name=""
count=0
proved=0
total_ms=0
max_kb=0

printf '%-12s %-9s %10s %12s\n' problem outcome "wall(s)" "peak(KiB)"
while IFS= read -r line || [[ -n $line ]]; do
  case $line in
    "(*"*)
      # A short comment ("(* php3 *)") or one opening with a number
      # ("(* 34: Andrews' challenge *)") names the next problem.
      text=$(sed -e 's/^(\*[[:space:]]*//' -e 's/[[:space:]]*\*)$//' <<<"$line")
      read -ra words <<<"$text"
      if [[ ${#words[@]} -le 2 || $text == [0-9]* ]]; then
        name=$(sed -e 's/[:,].*//' -e 's/[[:space:]].*//' <<<"$text")
      fi
      continue ;;
    set\ *|axiom\ *|init|init\ *)
      context+=("$line")
      continue ;;
    prove\ *) ;;
    *) continue ;;
  esac
  count=$((count + 1))
  [[ -n $name ]] || name="#$count"  # the problem's rank in the file
  { ((${#context[@]})) && printf '%s\n' "${context[@]}"; printf '%s\nexit\n' "$line"; } >"$work/in"
  start=$(date +%s%N)
  status=0
  "$timer" -f '%M' -o "$work/mem" "$prog" <"$work/in" >"$work/out" 2>"$work/err" || status=$?
  end=$(date +%s%N)
  ms=$(((end - start) / 1000000))
  kb=$(tail -n 1 "$work/mem")
  if grep -q 'La formule est vraie' "$work/out"; then
    outcome=proved
    proved=$((proved + 1))
  elif grep -q 'Temps imparti ecoule' "$work/out"; then
    outcome=timeout
  elif grep -q 'plus de candidats' "$work/out"; then
    outcome=no-cand
  else
    outcome="other($status)"
  fi
  printf '%-12s %-9s %10d.%03d %12s\n' "$name" "$outcome" $((ms / 1000)) $((ms % 1000)) "$kb"
  total_ms=$((total_ms + ms))
  ((kb > max_kb)) && max_kb=$kb
  name=""
done <"$file"
printf 'total: %d/%d proved, wall %d.%03d s, largest peak %s KiB\n' \
  "$proved" "$count" $((total_ms / 1000)) $((total_ms % 1000)) "$max_kb"
