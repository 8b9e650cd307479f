#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined sanitizers)
# in build-fuzz and runs each one for a bounded time, all at once, starting
# from the seed corpus. Fails on any crash, leak, timeout or sanitizer report.
#
#   fuzz/run_fuzzers.sh [seconds per target, default 60] [target ...]
set -uo pipefail
cd "$(dirname "$0")/.."

secs=${1:-60}
shift || true

if ! command -v clang++ >/dev/null; then
  apt-get update -qq && apt-get install -y -qq clang >/dev/null
fi

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPROVER_BUILD_FUZZ=ON -DPROVER_BUILD_TESTS=OFF >/dev/null || exit 1

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  # The list is read whole first: with pipefail, grep -q leaving early could
  # fail ninja's write and so skip a target that exists.
  known=$(ninja -C "$build" -t targets all 2>/dev/null)
  for d in fuzz/corpus/*/; do
    t=$(basename "$d")
    if grep -q "^fuzz_${t}:" <<<"$known"; then targets+=("$t"); fi
  done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets"; exit 1; }
cmake --build "$build" --target "${targets[@]/#/fuzz_}" || exit 1

# The programs read deep formulas on a 1 GiB stack; give the fuzzers the same.
ulimit -s 1048576 2>/dev/null || true
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

pids=()
for t in "${targets[@]}"; do
  work="$build/fuzz-work/$t"
  rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
  # The seed corpus stays as it is in the tree: new inputs go to $work.
  timeout $((secs + 300)) "$build/fuzz/fuzz_$t" -max_total_time="$secs" -timeout=20 \
    -rss_limit_mb=2560 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "fuzz/corpus/$t" >"$work/log" 2>&1 &
  pids+=($!)
done

fail=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  work="$build/fuzz-work/$t"
  wait "${pids[$i]}"
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' | tail -1)
  if [ $rc -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$work/log"; then
    echo "fuzz_$t: FAILED (status $rc, ${runs:-?} runs); log: $work/log"
    grep -E 'ERROR|runtime error|SUMMARY|Test unit written' "$work/log" | head -20
    fail=1
  else
    echo "fuzz_$t: ok, ${runs:-?} runs in ${secs} s, no crash"
  fi
done
exit $fail
