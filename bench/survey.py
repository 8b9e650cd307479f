#!/usr/bin/env python3
"""Random propositional formulas through prop_prover and fol_prover, checked
against truth tables: counts the answers, the proofs shown and the proofs
found but not shown ("Desole, pas de preuve :"), and fails on any formula
called true that is not valid.

    bench/survey.py [--build DIR] [--count N] [--seed S] [--settings "set ..."]...
                    [--nhr] [--program prop|fol|both]

Each formula runs in a fresh process with the default time limit; the
slowest runs are listed, with their time and peak memory.
"""
import argparse
import concurrent.futures
import itertools
import os
import random
import resource
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
ATOMS = ["p", "q", "r", "s"]


def gen(rng, depth):
    if depth == 0 or rng.random() < 0.2:
        return ("atom", rng.choice(ATOMS))
    op = rng.choice(["not", "and", "or", "imp", "iff", "iff"])
    if op == "not":
        return ("not", gen(rng, depth - 1))
    return (op, gen(rng, depth - 1), gen(rng, depth - 1))


def text(f):
    if f[0] == "atom":
        return f[1]
    if f[0] == "not":
        return "~(" + text(f[1]) + ")"
    sym = {"and": "&", "or": "|", "imp": "->", "iff": "<->"}[f[0]]
    return "(" + text(f[1]) + " " + sym + " " + text(f[2]) + ")"


def value(f, env):
    k = f[0]
    if k == "atom":
        return env[f[1]]
    if k == "not":
        return not value(f[1], env)
    a, b = value(f[1], env), value(f[2], env)
    return {"and": a and b, "or": a or b, "imp": (not a) or b, "iff": a == b}[k]


def valid(f):
    return all(value(f, dict(zip(ATOMS, bits)))
               for bits in itertools.product([False, True], repeat=len(ATOMS)))


def run(prog, lines):
    start = time.monotonic()
    r = subprocess.run(["/usr/bin/time", "-f", "%M", prog], input="\n".join(lines).encode(),
                       capture_output=True, timeout=120)
    wall = time.monotonic() - start
    out = r.stdout.decode("latin-1")
    kb = int(r.stderr.decode().strip().splitlines()[-1]) if r.stderr.strip() else 0
    if "La formule est vraie" in out:
        kind = "unshown" if "Desole, pas de preuve" in out else "proved"
    elif "Temps imparti" in out:
        kind = "timeout"
    elif "plus de candidats" in out:
        kind = "no-cand"
    else:
        kind = f"other({r.returncode})"
    return kind, wall, kb


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=str(ROOT / "build"))
    ap.add_argument("--count", type=int, default=2000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--depth", type=int, default=4)
    ap.add_argument("--settings", action="append", default=[])
    ap.add_argument("--nhr", action="store_true", help="prove nhr instead of prove")
    ap.add_argument("--program", default="prop", choices=["prop", "fol", "both"])
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 4)
    args = ap.parse_args()

    rng = random.Random(args.seed)
    # `count` valid formulas, and a quarter as many others to check soundness.
    formulas, n_valid, n_other = [], 0, 0
    while n_valid < args.count or n_other < args.count // 4:
        f = gen(rng, args.depth)
        v = valid(f)
        if v and n_valid < args.count:
            n_valid += 1
        elif not v and n_other < args.count // 4:
            n_other += 1
        else:
            continue
        formulas.append((text(f), v))
    progs = {"prop": ["propprover/prop_prover"], "fol": ["folprover/fol_prover"],
             "both": ["propprover/prop_prover", "folprover/fol_prover"]}[args.program]
    verb = "prove nhr " if args.nhr else "prove "
    bad = 0
    for prog in progs:
        path = str(Path(args.build) / prog)
        counts = {}
        slow = []
        with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
            futs = {pool.submit(run, path, args.settings + [verb + t, "exit"]): (t, v)
                    for t, v in formulas}
            for fu in concurrent.futures.as_completed(futs):
                t, v = futs[fu]
                kind, wall, kb = fu.result()
                key = ("valid " if v else "invalid ") + kind
                counts[key] = counts.get(key, 0) + 1
                slow.append((wall, kb, kind, t))
                if not v and kind in ("proved", "unshown"):
                    bad += 1
                    print(f"UNSOUND: {prog}: {t}")
        print(f"== {prog} {' / '.join(args.settings) or 'defaults'}{' nhr' if args.nhr else ''}: "
              f"{len(formulas)} formulas, {sum(v for _, v in formulas)} valid")
        for k in sorted(counts):
            print(f"  {k:24s} {counts[k]}")
        slow.sort(reverse=True)
        for wall, kb, kind, t in slow[:3]:
            print(f"  slowest: {wall:6.2f} s {kb // 1024:5d} MiB {kind:8s} {t[:90]}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
