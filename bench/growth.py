#!/usr/bin/env python3
"""How time and memory grow with the input on families of legal inputs that
used to cost the square (or cube) of their size.

    bench/growth.py [--build DIR] [--against DIR] [--only NAME ...]

Each row is one fresh process with verbose 0 (the proofs of some families
print the rest of a formula at every step, so their text alone is
quadratic). Printed per size: the answer, wall seconds, peak MiB, and both
ratios to the previous size. A linear family shows ratios near the size
ratio (10 or 2). The quantifier prefix takes n steps, each reading a chain
of n binders, so its time doubles twice per doubling; its memory should
not: each step keeps only what differs from the step before.

--against DIR runs every input on a second build too (an older commit built
in its own directory) and prints its figures on the same row.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def conj(n):
    return "prove " + " & ".join(f"p{i}" for i in range(n)) + f" -> p{n * 7 // 9}"


def imp_chain(n):
    return "prove " + " -> ".join("p" for _ in range(n))


def prefix(n):
    xs = ",".join(f"x{i}" for i in range(n))
    return f"prove forall {xs}. p({xs})"


def prefix_nested(n):
    xs = ",".join(f"x{i}" for i in range(n))
    return "prove " + "".join(f"forall x{i}. " for i in range(n)) + f"p({xs})"


def prefix_both(n):
    xs = ",".join(f"x{i}" for i in range(n))
    ys = ",".join(f"y{i}" for i in range(n))
    return f"prove (forall {xs}. p({xs})) -> (forall {ys}. p({ys}))"


def nested_show(n):
    body = "assume $p$ [h] show $p$ " + "".join(f"let a{i} show $p$ " for i in range(n))
    return "goal $p -> p$\n" + body + "trivial" + " shown" * (n + 1)


FAMILIES = [
    ("prop-conjunction", "propprover/prop_prover", "set verbose 0", conj, [1000, 10000, 100000]),
    ("prop-implications", "propprover/prop_prover", "set verbose 0", imp_chain,
     [1000, 10000, 100000]),
    ("fol-conjunction", "folprover/fol_prover", "set verbose 0", conj, [1000, 10000, 100000]),
    ("fol-prefix-both-sides", "folprover/fol_prover", "set verbose 0", prefix_both,
     [1000, 10000, 50000]),
    ("fol-prefix", "folprover/fol_prover", "set verbose 0", prefix, [900, 1800, 3600, 7200]),
    ("fol-prefix-nested", "folprover/fol_prover", "set verbose 0", prefix_nested,
     [900, 1800, 3600, 7200]),
    ("assistant-nested-show", "assistant/fol_assistant", "pset verbose 0", nested_show,
     [1000, 10000, 40000]),
]


def run(prog, text):
    with tempfile.NamedTemporaryFile("w", suffix=".in", delete=False) as f:
        f.write(text)
        path = f.name
    try:
        start = time.monotonic()
        with open(path) as inp:
            r = subprocess.run(["/usr/bin/time", "-f", "%M", prog], stdin=inp,
                               capture_output=True, timeout=600)
        wall = time.monotonic() - start
    finally:
        os.unlink(path)
    out = r.stdout.decode("latin-1")
    kb = int(r.stderr.decode().strip().splitlines()[-1])
    for answer in ("La formule est vraie", "Rien a prouver", "Temps imparti ecoule",
                   "plus de candidats", "Erreur de formule"):
        if answer in out:
            break
    else:
        answer = f"exit {r.returncode}"
    return answer, wall, kb / 1024.0


def cells(answer, wall, mib, prev):
    rt = f"{wall / prev[0]:6.1f}" if prev else "     -"
    rm = f"{mib / prev[1]:6.1f}" if prev else "     -"
    return f"{answer:22s} {wall:8.2f} {rt} {mib:9.1f} {rm}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=str(ROOT / "build"))
    ap.add_argument("--against", help="a second build, measured on the same inputs")
    ap.add_argument("--only", nargs="*")
    args = ap.parse_args()
    builds = [args.build] + ([args.against] if args.against else [])
    head = f"{'answer':22s} {'wall s':>8s} {'x':>6s} {'peak MiB':>9s} {'x':>6s}"
    print(f"{'family':24s} {'size':>7s}  " + " | ".join(head for _ in builds))
    if args.against:
        print(f"{'':34s}{args.build:54s} | {args.against}")
    for name, prog, setting, make, sizes in FAMILIES:
        if args.only and name not in args.only:
            continue
        prev = [None] * len(builds)
        for n in sizes:
            row = []
            for i, build in enumerate(builds):
                answer, wall, mib = run(str(Path(build) / prog), f"{setting}\n{make(n)}\nexit\n")
                row.append(cells(answer, wall, mib, prev[i]))
                prev[i] = (wall, mib)
            print(f"{name:24s} {n:7d}  " + " | ".join(row), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
