#!/usr/bin/env python3
"""Writes bench/prop_hard.txt: harder propositional problems in prop_prover's
syntax. Pigeonhole formulas (n+1 pigeons cannot sit in n holes, one to a
hole) for 3 to 6 pigeons, chains of equivalences, and parity formulas in
which every atom occurs twice under nested equivalences."""
import os


def php(pigeons):
    holes = pigeons - 1
    p = lambda i, j: f"p{i}_{j}"
    hyps = [" | ".join(p(i, j) for j in range(1, holes + 1)) for i in range(1, pigeons + 1)]
    clash = [f"{p(i, j)} & {p(k, j)}"
             for j in range(1, holes + 1)
             for i in range(1, pigeons + 1)
             for k in range(i + 1, pigeons + 1)]
    return "prove [" + "; ".join(hyps) + "] " + " | ".join(f"({c})" for c in clash)


def chain(n):
    links = " & ".join(f"(a{i} <-> a{i + 1})" for i in range(1, n))
    return f"prove ({links}) -> (a1 <-> a{n})"


def parity(n):
    atoms = [f"b{i}" for i in range(1, n + 1)] * 2
    text = atoms[-1]
    for a in reversed(atoms[:-1]):
        text = f"({a} <-> {text})"
    return "prove " + text


lines = []
for k in range(3, 7):
    lines += [f"(* php{k} *)", php(k)]
for n in (4, 8, 16, 32):
    lines += [f"(* chain{n} *)", chain(n)]
for n in (2, 3, 4, 5):
    lines += [f"(* parity{n} *)", parity(n)]
lines.append("exit")
out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "prop_hard.txt")
with open(out, "w") as f:
    f.write("\n".join(lines) + "\n")
