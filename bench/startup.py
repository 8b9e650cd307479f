#!/usr/bin/env python3
"""Start-up cost: a trivial prove ("prove p -> p", then "exit") in a fresh
process, against /bin/true given the same input, in turn, many runs. Batch
users start one process per problem, so this is paid per problem.

    bench/startup.py BUILD [--before OLD_BUILD] [--runs 40]

Prints per program the median wall and CPU time of the whole process (the
kernel's accounting of the finished child) and the median of the paired
differences over /bin/true (target: at most 3 ms of wall time). With
--before, the old build's programs run in the same rounds.
"""
import argparse
import os
import statistics
import sys
import tempfile
import time

PROGRAMS = ["propprover/prop_prover", "folprover/fol_prover"]


def run_once(path, input_path):
    """Wall and CPU seconds of one whole run, output thrown away."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, input_path, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)]
    t0 = time.perf_counter()
    pid = os.posix_spawn(path, [path], os.environ, file_actions=actions)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - t0
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("%s: exit status %d" % (path, os.waitstatus_to_exitcode(status)))
    return wall, usage.ru_utime + usage.ru_stime


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--before")
    ap.add_argument("--runs", type=int, default=40)
    args = ap.parse_args()
    commands = [("true", "/bin/true")]
    for tag, build in ([("before", args.before)] if args.before else []) + [("after", args.build)]:
        for prog in PROGRAMS:
            label = os.path.basename(prog) + (" " + tag if args.before else "")
            commands.append((label, os.path.join(build, prog)))
    with tempfile.NamedTemporaryFile("w", suffix=".in") as f:
        f.write("prove p -> p\nexit\n")
        f.flush()
        for _, path in commands:  # warm-up: the binaries into the page cache
            run_once(path, f.name)
        runs = {label: [] for label, _ in commands}
        for _ in range(args.runs):
            for label, path in commands:  # in turn, so drift hits all alike
                runs[label].append(run_once(path, f.name))
    base = runs["true"]
    for label, _ in commands:
        r = runs[label]
        wall = statistics.median(w for w, _ in r) * 1000
        cpu = statistics.median(c for _, c in r) * 1000
        line = "%-22s wall %6.2f ms  cpu %6.2f ms" % (label, wall, cpu)
        if label != "true":
            dwall = statistics.median(a[0] - b[0] for a, b in zip(r, base)) * 1000
            dcpu = statistics.median(a[1] - b[1] for a, b in zip(r, base)) * 1000
            line += "  over /bin/true: wall %+6.2f ms  cpu %+6.2f ms" % (dwall, dcpu)
        print(line, flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
