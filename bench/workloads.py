#!/usr/bin/env python3
"""The heavy workloads of the engine, one prove per fresh process: CPU time,
peak memory, clauses made and clauses per CPU second, for one build or for
two builds side by side (same machine, same run, alternating).

    bench/workloads.py BUILD [--before OLD_BUILD] [--runs 3] [--only NAME ...] [--syscalls]

Each BUILD must have bench_stats (configure with -DPROVER_BUILD_BENCH=ON):
it is fol_prover or prop_prover as shipped, reporting on standard error
how many clauses the engine made. With --before, the outputs of both builds
are compared byte for byte (except where the time limit cut a search), and
the table ends with the geometric mean of the CPU time ratios and the growth
exponent of the first-order chain family. --syscalls adds, per workload and
build, the memory system calls of one more run (strace -f -c: brk, mmap,
munmap, mprotect), where the allocator's growth shows.
"""
import argparse
import math
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "bench"))
import golden  # noqa: E402  (its problem-file reader)


def problem(path, name):
    """The input lines of problem `name` of a problem file (its context
    lines, then its prove line), named as bench/golden.py names them."""
    for found, context, line in golden.problems(path):
        if found == name:
            return context + [line]
    raise KeyError(name)


def fol_chain(n):
    """A chain of n implications as hypotheses; the goal is the whole chain."""
    hyps = [f"forall x. (p{i}(x) -> p{i + 1}(x))" for i in range(n)]
    return ["set maxcndts 1000", "set check_subcase false",
            "prove [" + "; ".join(hyps) + f"] forall x. (p0(x) -> p{n}(x))"]


FOL = "examples/fol_problems.txt"
PROP = "examples/prop_problems.txt"
HARD = "bench/prop_hard.txt"
WORKLOADS = [
    ("P34 fol defaults", "fol", problem(FOL, "34")),
    ("P38 fol defaults", "fol", problem(FOL, "38")),
    ("P46 fol defaults", "fol", problem(FOL, "46")),
    ("P47 fol defaults", "fol", problem(FOL, "47")),
    ("P26 fol defaults", "fol", problem(FOL, "26")),
    ("P29 fol defaults", "fol", problem(FOL, "29")),
    # The example file sets maxcndts 1000 and check_subcase false: not here.
    ("P12 prop defaults", "prop", [l for l in problem(PROP, "12") if not l.startswith("set ")]),
    ("php 5 into 4 prop defaults", "prop", problem(HARD, "php5")),
    ("parity3 prop defaults", "prop", problem(HARD, "parity3")),
] + [(f"fol chain {n} maxcndts 1000", "fol", fol_chain(n)) for n in (40, 80, 160, 320)]


def run_once(build, kind, lines):
    with tempfile.NamedTemporaryFile("w", suffix=".in", delete=False) as f:
        f.write("\n".join(lines + ["exit"]) + "\n")
        path = f.name
    try:
        with open(path) as inp:
            r = subprocess.run(["/usr/bin/time", "-f", "TIME %U %S %M",
                                str(Path(build) / "bench" / "bench_stats"), kind],
                               stdin=inp, capture_output=True, timeout=900)
    finally:
        os.unlink(path)
    err = r.stderr.decode("latin-1")
    m = re.search(r"TIME ([\d.]+) ([\d.]+) (\d+)", err)
    c = re.search(r"clauses made: (\d+)", err)
    cpu = float(m.group(1)) + float(m.group(2))
    out = r.stdout.decode("latin-1")
    return {"cpu": cpu, "mib": int(m.group(3)) / 1024.0, "clauses": int(c.group(1)) if c else 0,
            "out": out, "cut": "Temps imparti ecoule" in out}


MEMORY_CALLS = ("brk", "mmap", "munmap", "mprotect")


def memory_calls(build, kind, lines):
    """Counts of the memory system calls of one run, all threads."""
    with tempfile.TemporaryDirectory() as d:
        inp = Path(d) / "in"
        inp.write_text("\n".join(lines + ["exit"]) + "\n")
        trace = Path(d) / "trace"
        with open(inp) as f:
            subprocess.run(["strace", "-f", "-c", "-e", "trace=" + ",".join(MEMORY_CALLS),
                            "-o", str(trace), str(Path(build) / "bench" / "bench_stats"), kind],
                           stdin=f, capture_output=True, timeout=1800)
        counts = dict.fromkeys(MEMORY_CALLS, 0)
        for row in trace.read_text().splitlines():
            cells = row.split()
            if cells and cells[-1] in counts:
                counts[cells[-1]] = int(cells[3])
        return counts


def outcome(out):
    for text, name in (("La formule est vraie", "proved"), ("Temps imparti ecoule", "time limit"),
                       ("plus de candidats", "no candidates")):
        if text in out:
            return name
    return "other"


def best(runs):
    """The run of median CPU time."""
    return sorted(runs, key=lambda r: r["cpu"])[len(runs) // 2]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--before")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--only", nargs="*")
    ap.add_argument("--syscalls", action="store_true", help="also count memory system calls")
    args = ap.parse_args()
    builds = ([("before", args.before)] if args.before else []) + [("after", args.build)]
    rows = []
    for name, kind, lines in WORKLOADS:
        if args.only and not any(o in name for o in args.only):
            continue
        runs = {tag: [] for tag, _ in builds}
        for _ in range(args.runs):
            for tag, b in builds:  # alternating, so drift hits both alike
                runs[tag].append(run_once(b, kind, lines))
        rows.append((name, {tag: best(rs) for tag, rs in runs.items()}))
        r = rows[-1][1]
        cells = []
        for tag, _ in builds:
            x = r[tag]
            rate = x["clauses"] / x["cpu"] if x["cpu"] > 0 else 0
            cells.append(f"{tag}: {x['cpu']:7.2f} s {x['mib']:7.1f} MiB {x['clauses']:9d} cl "
                         f"{rate / 1000:7.1f} kcl/s {outcome(x['out'])}")
        line = f"{name:30s} " + " | ".join(cells)
        if args.before:
            a, b = r["after"], r["before"]
            line += f" | cpu x{a['cpu'] / max(b['cpu'], 1e-3):.2f} mem x{a['mib'] / b['mib']:.2f}"
            if a["out"] != b["out"] and not (a["cut"] or b["cut"]):
                line += " | OUTPUT DIFFERS"
            elif a["out"] != b["out"]:
                line += " | time limit: " + outcome(b["out"]) + " -> " + outcome(a["out"])
        print(line, flush=True)
        if args.syscalls:
            for tag, b in builds:
                c = memory_calls(b, kind, lines)
                print(f"{'':30s} {tag} syscalls: " + " ".join(f"{k} {v}" for k, v in c.items()),
                      flush=True)
    if args.before:
        ratios = [r["after"]["cpu"] / max(r["before"]["cpu"], 1e-3) for n, r in rows
                  if not n.startswith("fol chain")]
        if ratios:
            gm = math.exp(sum(math.log(x) for x in ratios) / len(ratios))
            print(f"geometric mean of CPU after/before (chain family aside): {gm:.3f}")
    for tag, _ in builds:
        chain = {int(n.split()[2]): r[tag]["cpu"] for n, r in rows if n.startswith("fol chain")}
        if 40 in chain and 320 in chain and chain[40] > 0:
            print(f"{tag}: chain family time grows as n^{math.log(chain[320] / chain[40]) / math.log(8):.2f}"
                  " from n = 40 to 320")
    return 0


if __name__ == "__main__":
    sys.exit(main())
