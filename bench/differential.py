#!/usr/bin/env python3
"""Differential check: random sessions through two builds, output compared.

    bench/differential.py --old DIR --new DIR [--sessions N] [--seed S]
                          [--programs prop fol assistant] [--jobs J] [--show K]
    bench/differential.py --print fol/17        the input of one session

Each session is a short random input (settings, axioms, hypotheses, proves,
and for fol_assistant goals and proof phrases) generated from --seed, so a run
is the same sessions every time. Both builds run every session; the report
gives, per program, how many sessions printed the same bytes, and for each
session that did not, the kinds of difference found and its first differing
lines. A session that differs is run again without the command of its first
explained difference, until it prints the same or an unexplained difference
remains. The kinds:

    split-linefeed  one line feed more after a split clause's sub-clauses
    unshown         the new build shows "Desole, pas de preuve :" where the old
                    one showed a proof, or never ended
    rigid-goal      a goal with free variables, proved by the old build only
    rigid-goal-output  a goal with free variables, printed otherwise (another
                    proof, or its variables named as constants in a trace)
    rigid-goal-numbering  a later prove numbered otherwise because an earlier
                    goal with free variables searched otherwise (gone when the
                    earlier such goals are left out)
    time-numbering  a later prove numbered otherwise because an earlier search
                    was cut by the time limit, after as many clauses as the
                    machine made (gone when the cut searches are left out)
    time            the old build was cut by the time limit (or killed), the
                    new one ended
    new-cut         the new build was cut by the time limit, the old one ended
    other           none of the above
"""
import argparse
import concurrent.futures
import difflib
import random
import re
import subprocess
import sys
import time
from pathlib import Path

PROGRAMS = {
    "prop": "propprover/prop_prover",
    "fol": "folprover/fol_prover",
    "assistant": "assistant/fol_assistant",
}
KILL = 120  # seconds for a whole session before it counts as never ending
STEPS = 25  # empty answers to the step question after a traced prove

# ---- Formulas ----


def prop_formula(rng, depth, atoms):
    if depth == 0 or rng.random() < 0.2:
        return rng.choice(atoms)
    op = rng.choice(["~", "&", "|", "->", "<->", "&", "|", "->"])
    if op == "~":
        sub = prop_formula(rng, depth - 1, atoms)
        return "~" + sub if re.fullmatch(r"\w+", sub) else f"~({sub})"
    return f"({prop_formula(rng, depth - 1, atoms)} {op} {prop_formula(rng, depth - 1, atoms)})"


def prop_valid_shape(rng, atoms):
    """A formula more often valid than a random one."""
    a = prop_formula(rng, 2, atoms)
    b = prop_formula(rng, 2, atoms)
    return rng.choice([f"{a} -> {a}", f"({a} & {b}) -> {b}", f"{a} | ~({a})",
                       f"({a} -> {b}) -> (~({b}) -> ~({a}))", f"{a} -> ({b} -> {a})",
                       f"(({a} -> {b}) -> {a}) -> {a}", f"({a} <-> {b}) -> ({b} <-> {a})"])


class Fol:
    """Random first-order formulas; `free` notes whether the last top-level
    formula had a free variable."""

    def __init__(self, rng):
        self.rng = rng

    def term(self, bound, depth):
        rng = self.rng
        pool = list(bound) + ["a()", "b()"]
        if rng.random() < 0.08:
            pool.append(rng.choice(["x", "y", "z"]))  # perhaps free
        if depth > 0 and rng.random() < 0.25:
            return f"f({self.term(bound, depth - 1)})"
        return rng.choice(pool)

    def atom(self, bound):
        rng = self.rng
        kind = rng.choice(["p1", "q1", "r2", "s0", "t0", "p1", "q1"])
        if kind == "s0":
            return "s"
        if kind == "t0":
            return "t"
        if kind == "r2":
            return f"r({self.term(bound, 1)}, {self.term(bound, 1)})"
        return f"{kind[0]}({self.term(bound, 1)})"

    def formula(self, depth, bound=()):
        rng = self.rng
        if depth == 0 or rng.random() < 0.2:
            return self.atom(bound)
        op = rng.choice(["~", "&", "|", "->", "<->", "forall", "exists", "forall", "exists", "->"])
        if op == "~":
            return f"~({self.formula(depth - 1, bound)})"
        if op in ("forall", "exists"):
            v = rng.choice(["x", "y", "z"])
            return f"{op} {v}. ({self.formula(depth - 1, tuple(bound) + (v,))})"
        return f"({self.formula(depth - 1, bound)} {op} {self.formula(depth - 1, bound)})"

    def valid_shape(self):
        rng = self.rng
        a, b = self.formula(2), self.formula(2)
        v = rng.choice(["x", "y"])
        pa = f"p({v})"
        return rng.choice([
            f"{a} -> {a}", f"({a} & {b}) -> {b}", f"{a} | ~({a})",
            f"(forall {v}. ({pa} -> q({v}))) -> ((exists {v}. {pa}) -> exists {v}. q({v}))",
            f"(forall {v}. {pa}) -> exists {v}. {pa}", f"exists {v}. ({pa} -> forall y. p(y))",
            "p(x) -> forall y. p(y)",
            "(exists x. forall y. r(x, y)) -> forall y. exists x. r(x, y)",
            f"({a} -> {b}) -> (~({b}) -> ~({a}))"])


def free_vars(text):
    """The variables of a first-order formula text that no quantifier binds
    (constants are written with brackets, so a bare x, y or z is a variable)."""
    out, scope, depth = set(), [], 0
    for tok in re.findall(r"forall [xyz]\.|exists [xyz]\.|\(|\)|\b[xyz]\b(?!\()", text):
        if tok == "(":
            depth += 1
        elif tok == ")":
            depth -= 1
            while scope and scope[-1][1] > depth:
                scope.pop()
        elif tok[0] in "fe":
            scope.append((tok.split()[1][0], depth + 1))
        elif tok not in {v for v, _ in scope}:
            out.add(tok)
    return out


# ---- Sessions ----


def hints(rng):
    h = ""
    if rng.random() < 0.15:
        h += f" # {rng.choice(['1', '2', '3', '1.5'])}"
    if rng.random() < 0.1:
        h += f" % {rng.choice(['0', '1', '2'])}"
    return h


def batch_settings(rng, fol):
    out = []
    for _ in range(rng.randint(0, 3)):
        out.append(rng.choice([
            # prop_prover has no time limit to set: no long candidate lists there
            f"set maxcndts {rng.choice([5, 10, 40, 200, 1000] if fol else [5, 10, 40, 100])}",
            f"set splitting {rng.choice(['true', 'false'])}",
            f"set check_subcase {rng.choice(['true', 'false'])}",
            f"set trace_proof {rng.choice(['true', 'false'])}",
            f"set pdsmax_global {rng.choice([5, 20, 500])}",
            f"set verbose {rng.choice([0, 1, 1])}",
        ]))
    return out


def batch_session(rng, fol):
    """(lines, goals with free variables)."""
    lines = ["set timemax 1"] if fol else []
    if rng.random() < 0.5:
        lines.append("set verbose 0")
    gen = Fol(rng)
    atoms = rng.choice([["p", "q"], ["p", "q", "r"], ["p", "q", "r", "s"]])

    def formula(small=False):
        if fol:
            return gen.valid_shape() if rng.random() < 0.4 else gen.formula(2 if small else 3)
        if rng.random() < 0.4:
            return prop_valid_shape(rng, atoms)
        return prop_formula(rng, 2 if small else rng.choice([2, 3, 3]), atoms)

    rigid = set()

    def prove(small=False):
        goal = formula(small)
        hyps = [formula(True) + hints(rng) for _ in range(rng.choice([0, 0, 1, 2, 3]))]
        method = rng.choice(["", "", "", "", "nhr ", "phr "])
        brackets = f"[{'; '.join(hyps)}] " if hyps or rng.random() < 0.1 else ""
        line = f"prove {method}{brackets}{goal}"
        if fol and free_vars(goal):
            rigid.add(line)
        return line

    for _ in range(rng.randint(1, 5)):
        lines += batch_settings(rng, fol)
        r = rng.random()
        if r < 0.1:
            lines.append(f"axiom {formula(True)}")
        elif r < 0.14:
            lines.append("init")
        lines.append(prove())
    if rng.random() < 0.35:
        # A whole trace, last: the empty answers may run out before the search.
        lines.append(f"set verbose {rng.randint(2, 5)}")
        lines.append(prove(small=True))
        lines += [""] * STEPS
    lines += ["exit", "exit"]
    return lines, rigid


def assistant_session(rng):
    gen = Fol(rng)
    lines = ["pset timemax 1", "pset verbose 0"]
    rigid = set()

    def f(d=2):
        return gen.formula(d)

    for _ in range(rng.randint(0, 2)):
        lines.append(rng.choice([
            f"pset maxcndts {rng.choice([10, 40, 200])}",
            f"pset splitting {rng.choice(['true', 'false'])}",
            f"pset check_subcase {rng.choice(['true', 'false'])}",
            f"pset trace_proof {rng.choice(['true', 'false'])}",
            f"pset verbose {rng.choice([0, 1])}",
            f"axiom ${f()}$",
        ]))
    for _ in range(rng.randint(1, 3)):
        if rng.random() < 0.35:
            goal = gen.valid_shape() if rng.random() < 0.5 else f(3)
            hyps = "; ".join(f"${f()}${hints(rng)}" for _ in range(rng.choice([0, 1, 2])))
            line = f"prove {rng.choice(['', '', 'nhr ', 'phr '])}{{{hyps}}} ${goal}$"
            if free_vars(goal):
                rigid.add(line)
            lines.append(line)
            continue
        a, b = f(), f()
        shape = rng.choice(["imp", "and", "or", "all", "ex", "any"])
        goal = {"imp": f"{a} -> {b}", "and": f"{a} & {b}", "or": f"{a} | {b}",
                "all": f"forall x. ({a.replace('a()', 'x')})",
                "ex": f"exists x. ({b.replace('b()', 'x')})", "any": gen.valid_shape()}[shape]
        line = f"goal ${goal}$"
        if free_vars(goal):
            rigid.add(line)
        lines.append(line)
        c = f(1)
        phrases = {
            "imp": [f"assume ${a}$ [h] show ${b}$ trivial shown",
                    f"assume ${a}$ [h] show ${b}$ by [h] trivial shown",
                    f"assume ${a}$ [h] show ${b}$ deduce ${c}$ [k] trivial shown",
                    f"assume ${a}$ [h] show ${b}$ label [m] shown"],
            "and": [f"begin show ${a}$ trivial shown then show ${b}$ trivial shown end",
                    f"begin show ${a}$ label [l] shown then show ${b}$ label [m] shown end"],
            "or": [f"by_absurd [h] trivial", f"by_absurd [h] by [h] trivial"],
            "all": ["let c show $" + a.replace("a()", "c") + "$ trivial shown",
                    "let c label [m]"],
            "ex": ["search x show $" + b.replace("b()", "x") + "$ set {x=b()} trivial shown",
                   "search x show $" + b.replace("b()", "x") + "$ label [m] shown"],
            "any": [],
        }[shape] + [
            "trivial", "trivial", f"Prove ${c}$ [k] trivial", f"by ${c}$ trivial",
            "by [h] with {x=a()} trivial", f"deduce ${c}$ [k]", "select [m]", "select [l]",
            "undo", "abort", "label [n]", "trivial then trivial", f"assume ${c}$",
            "set {x=a()} trivial", "proof trivial endproof",
        ]
        for _ in range(rng.randint(1, 4)):
            lines.append(rng.choice(phrases))
        if rng.random() < 0.5:
            lines.append("abort")
    if rng.random() < 0.3:
        lines.append("abort")
        lines.append(f"pset verbose {rng.randint(2, 5)}")
        goal = gen.valid_shape() if rng.random() < 0.5 else f(2)
        lines.append(f"prove {{${f(1)}$}} ${goal}$")
        if free_vars(goal):
            rigid.add(lines[-1])
        lines += [""] * STEPS
    lines += ["exit", "o"]
    return lines, rigid


def sessions(program, count, seed):
    """(index, lines, goals with free variables) per session, the same for a seed."""
    for i in range(count):
        rng = random.Random(f"{seed}/{program}/{i}")
        if program == "assistant":
            lines, rigid = assistant_session(rng)
        else:
            lines, rigid = batch_session(rng, program == "fol")
        yield i, lines, rigid


# ---- Running and comparing ----


def run(build, prog, lines):
    try:
        r = subprocess.run([str(Path(build) / prog)], input="\n".join(lines).encode() + b"\n",
                           capture_output=True, timeout=KILL)
        return r.stdout.decode("latin-1") + f"[exit {r.returncode}]\n"
    except subprocess.TimeoutExpired as e:
        return (e.stdout or b"").decode("latin-1") + "[killed]\n"


SPLIT_LF = re.compile(r"(Le splitting de la clause donne :\n\n(?:\(\d+\)[^\n]*\n)+)\n\n\n")


def chunks(text):
    """The output per line read at the prompt; [0] is what came before."""
    return text.split(">>> ")


def command_of(lines, parts, k):
    """The input line read at prompt k: earlier prompts took one line each, and
    one more for every step or exit question they asked."""
    idx = 0
    for part in parts[1:k]:
        idx += 1 + part.count("?(exit pour arreter") + part.count("Etes vous certain")
    return idx if idx < len(lines) else None


def cut(text):
    return "Temps imparti ecoule" in text or text.endswith("[killed]\n")


def kind(old, new, line, rigid):
    """The kind of the first difference, from the two outputs of its prompt."""
    if "Desole, pas de preuve" in new and "Desole, pas de preuve" not in old and (
            "Voici la preuve" in old or old.endswith("[killed]\n")):
        return "unshown"
    if line in rigid:
        if "La formule est vraie" in old and "La formule est vraie" not in new:
            return "rigid-goal"
        return "rigid-goal-output"  # proved by both, or by neither, and printed otherwise
    if cut(old) and not cut(new):
        return "time"
    if cut(new) and not cut(old):
        return "new-cut"
    return "other"


def compare(old_build, new_build, prog, lines, rigid, depth=0):
    """(kinds found, first differing lines or None when the same)."""
    kinds, excerpt, retried = [], None, False
    for _ in range(8):
        old = run(old_build, prog, lines)
        new = run(new_build, prog, lines)
        if old == new:
            return kinds, excerpt
        fixed = SPLIT_LF.sub(r"\1\n\n", new)
        if fixed != new and "split-linefeed" not in kinds:
            kinds.append("split-linefeed")
        if fixed == old:
            return kinds, excerpt
        po, pn = chunks(old), chunks(fixed)
        k = next((i for i in range(min(len(po), len(pn))) if po[i] != pn[i]), min(len(po), len(pn)))
        at = command_of(lines, po, k)
        line = lines[at] if at is not None else None
        what = kind(po[k] if k < len(po) else "", pn[k] if k < len(pn) else "", line, rigid)
        if what in ("time", "new-cut") and not retried:
            retried = True  # a search near the limit: once more, to tell noise
            continue
        if excerpt is None or what == "other":
            diff = difflib.unified_diff(po[k].splitlines() if k < len(po) else [],
                                        pn[k].splitlines() if k < len(pn) else [],
                                        "old", "new", lineterm="", n=1)
            excerpt = [f"at: {line}"] + [d for i, d in zip(range(14), diff)]
        if what == "other" and at is not None and depth == 0:
            # An earlier search can print the same and still leave the clause
            # and variable counters elsewhere: a goal with free variables, or
            # a search cut by the time limit (as far as the machine got). Is
            # the difference gone without them?
            rigid_before = {i for i in range(at) if lines[i] in rigid}
            cut_before = {command_of(lines, po, j) for j in range(1, k)
                          if "Temps imparti ecoule" in po[j]}
            for name, drop in (("rigid-goal-numbering", rigid_before),
                               ("time-numbering", cut_before),
                               ("rigid-goal-numbering, time-numbering", rigid_before | cut_before)):
                if drop:
                    rest, _ = compare(old_build, new_build, prog,
                                      [x for i, x in enumerate(lines) if i not in drop], rigid, 1)
                    if "other" not in rest:
                        what = name
                        break
        if what not in kinds:
            kinds.append(what)
        if what == "other" or at is None:
            return kinds, excerpt
        lines = lines[:at] + lines[at + 1:]  # again without that command
        retried = False
    return kinds, excerpt


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--old")
    ap.add_argument("--new")
    ap.add_argument("--sessions", type=int, default=1000, help="per program")
    ap.add_argument("--seed", default="1")
    ap.add_argument("--programs", nargs="*", default=list(PROGRAMS))
    ap.add_argument("--jobs", type=int, default=4)
    ap.add_argument("--show", type=int, default=10, help="differing sessions shown per kind")
    ap.add_argument("--print", metavar="PROGRAM/N", help="print the input of one session")
    args = ap.parse_args()
    if args.print:
        program, n = args.print.split("/")
        for i, lines, _ in sessions(program, int(n) + 1, args.seed):
            if i == int(n):
                print("\n".join(lines))
        return 0

    for program in args.programs:
        prog = PROGRAMS[program]
        start = time.monotonic()
        with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
            todo = {pool.submit(compare, args.old, args.new, prog, lines, rigid): i
                    for i, lines, rigid in sessions(program, args.sessions, args.seed)}
            found = {todo[f]: f.result() for f in concurrent.futures.as_completed(todo)}
        same = sum(1 for kinds, _ in found.values() if not kinds)
        tally = {}
        for i in sorted(found):
            kinds, _ = found[i]
            if kinds:
                tally.setdefault(" + ".join(sorted(kinds)), []).append(i)
        print(f"{program}: {args.sessions} sessions, {same} identical, "
              f"{args.sessions - same} differ ({time.monotonic() - start:.0f} s)")
        for kinds, ids in sorted(tally.items(), key=lambda t: -len(t[1])):
            print(f"  {len(ids):5d}  {kinds}")
        for kinds, ids in sorted(tally.items()):
            for i in ids[:args.show]:
                print(f"  session {program}/{i} ({kinds}):")
                for d in found[i][1] or []:
                    print("      " + d[:160])
    return 0


if __name__ == "__main__":
    sys.exit(main())
