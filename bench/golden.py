#!/usr/bin/env python3
"""Golden-output check: the programs' exact output on the example files and
the bench problem sets, at several settings, against outputs recorded from an
earlier build.

    bench/golden.py [--build DIR]            check (exit 1 on any difference)
    bench/golden.py --update [--build DIR]   record the outputs of DIR anew
    bench/golden.py --only fol-default ...   just these cases
    bench/golden.py --update --build DIR --entries fol-default:34 ...
                                             record just these outputs from DIR,
                                             keeping the rest as recorded

Each problem runs in a fresh process: the file's "set", "axiom" and "init"
lines met so far, then the case's settings, then the prove line and "exit".
A session case runs a whole file in one process instead (counters and
settings then carry from one problem to the next, as a user sees them).
A step-trace case answers every step question with an empty line, so that
whole traces of small problems that split clauses are compared.

An output cut by the time limit depends on the machine, so such a problem is
recorded as left out and not run by the check; --update looks at it again.
"""
import argparse
import concurrent.futures
import difflib
import os
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
GOLDEN = ROOT / "bench" / "golden"

FOL = "folprover/fol_prover"
PROP = "propprover/prop_prover"
ASSISTANT = "assistant/fol_assistant"

FOL_FILE = "examples/fol_problems.txt"
PROP_FILE = "examples/prop_problems.txt"
HARD_FILE = "bench/prop_hard.txt"

# Small problems for the trace levels (no time limit applies from verbose 2).
SMALL_FOL = {"18", "19", "21", "57"}
SMALL_PROP = {"1", "5", "8", "10", "17"}
SMALL_HARD = {"chain4", "parity2"}

# Small problems whose whole step traces split clauses and resolve the split
# cases; STEPS empty answers are more than any of them takes.
ASSISTANT_FILE = "bench/assistant_traces.txt"
TRACE_FOL = {"22", "28", "32", "45"}
TRACE_PROP = {"1", "10", "13"}
TRACE_HARD = {"chain4", "php3"}
STEPS = 200

MANY = ["set maxcndts 1000", "set check_subcase false"]


def cases():
    """(name, program, problem file, settings or None for a session, problems
    to run or None for all, answers to the step questions)."""
    out = []
    for tag, prog, path in (("fol", FOL, FOL_FILE), ("prop", PROP, PROP_FILE),
                            ("hard", PROP, HARD_FILE)):
        out.append((f"{tag}-default", prog, path, [], None, []))
        out.append((f"{tag}-many", prog, path, MANY, None, []))
        out.append((f"{tag}-nosplit", prog, path, ["set splitting false"], None, []))
        out.append((f"{tag}-notrace", prog, path, ["set trace_proof false"], None, []))
        out.append((f"{tag}-many-nosplit", prog, path, MANY + ["set splitting false"], None, []))
    for level in range(1, 6):
        # From verbose 2 the engine asks between steps: two steps, then "c" lets it run on.
        answers = ["", "", "c"] if level >= 2 else []
        for tag, prog, path, small in (("fol", FOL, FOL_FILE, SMALL_FOL),
                                       ("prop", PROP, PROP_FILE, SMALL_PROP),
                                       ("hard", PROP, HARD_FILE, SMALL_HARD)):
            out.append((f"{tag}-verbose{level}", prog, path, [f"set verbose {level}"], small,
                        answers))
    # Whole step traces. The first "exit" ends the program, or answers a step
    # question if a search outlasts the empty answers; the second ends it then.
    answers = [""] * STEPS + ["exit"]
    for level in range(3, 6):
        for tag, prog, path, small, word in (("fol", FOL, FOL_FILE, TRACE_FOL, "set"),
                                             ("prop", PROP, PROP_FILE, TRACE_PROP, "set"),
                                             ("hard", PROP, HARD_FILE, TRACE_HARD, "set"),
                                             ("assistant", ASSISTANT, ASSISTANT_FILE, None,
                                              "pset")):
            out.append((f"{tag}-steps{level}", prog, path, [f"{word} verbose {level}"], small,
                        answers))
    # Whole files as one session each.
    out.append(("session-fol", FOL, FOL_FILE, None, None, []))
    out.append(("session-prop", PROP, PROP_FILE, None, None, []))
    out.append(("session-assistant", ASSISTANT, "examples/fol_assistant_proofs.txt", None, None,
                []))
    return out


def problems(path):
    """(name, input lines) per prove line of a problem file, as bench/run.sh
    names them: the last short or numbered comment before it, else its rank."""
    context, name, found = [], "", []
    for line in (ROOT / path).read_text().splitlines():
        if line.startswith("(*"):
            text = re.sub(r"^\(\*\s*", "", line)
            text = re.sub(r"\s*\*\)$", "", text)
            if len(text.split()) <= 2 or text[:1].isdigit():
                name = re.split(r"[:,\s]", text, maxsplit=1)[0]
            continue
        if re.match(r"^(set |pset |axiom |init$|init )", line):
            context.append(line)
            continue
        if not line.startswith("prove "):
            continue
        found.append((name or f"#{len(found) + 1}", list(context), line))
        name = ""
    return found


SLOW = 10.0  # seconds: worth a warning, as a slower machine may hit the limit


def run(build, prog, stdin_text):
    """The output with the exit status, and the wall time."""
    start = time.monotonic()
    try:
        r = subprocess.run([str(build / prog)], input=stdin_text.encode(), capture_output=True,
                           timeout=600)
        text = r.stdout.decode("latin-1") + f"[exit {r.returncode}]\n"
    except subprocess.TimeoutExpired:
        text = "[killed after 600 s]\n"
    return text, time.monotonic() - start


def timed_out(text):
    return "Temps imparti ecoule" in text or text.startswith("[killed")


def jobs_of(case):
    """(key, program, input) for each run of a case."""
    name, prog, path, settings, only, answers = case
    if settings is None:
        return [(name, "session", prog, (ROOT / path).read_text())]
    out = []
    for pname, context, prove in problems(path):
        if only is not None and pname not in only:
            continue
        text = "\n".join(context + settings + [prove] + answers + ["exit"]) + "\n"
        out.append((name, pname, prog, text))
    return out


def parse_golden(path):
    """problem name -> recorded output, or None when left out."""
    got = {}
    if not path.exists():
        return got
    cur, buf = None, []
    for line in path.read_text(encoding="latin-1").splitlines(keepends=True):
        m = re.match(r"^### (\S+)( \(left out: time limit\))?\n$", line)
        if m:
            if cur is not None:
                got[cur] = "".join(buf) if buf is not None else None
            cur = m.group(1)
            buf = None if m.group(2) else []
            continue
        if buf is not None:
            buf.append(line)
    if cur is not None:
        got[cur] = "".join(buf) if buf is not None else None
    return got


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=str(ROOT / "build"))
    ap.add_argument("--update", action="store_true")
    ap.add_argument("--only", nargs="*")
    ap.add_argument("--entries", nargs="*", metavar="CASE:PROBLEM",
                    help="just these outputs; with --update the others stay as recorded")
    ap.add_argument("--golden", default=str(GOLDEN), help="the folder of recorded outputs")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 4)
    args = ap.parse_args()
    build = Path(args.build).resolve()
    golden_dir = Path(args.golden)
    entries = {tuple(e.split(":", 1)) for e in args.entries or []}
    selected = [c for c in cases() if (not args.only or c[0] in args.only)
                and (not entries or any(e[0] == c[0] for e in entries))]
    unknown = entries - {(c[0], j[1]) for c in selected for j in jobs_of(c)}
    if unknown:
        sys.exit(f"golden: no such entries: {' '.join(':'.join(e) for e in sorted(unknown))}")

    work = []
    recorded = {}
    for case in selected:
        golden = parse_golden(golden_dir / f"{case[0]}.txt")
        recorded[case[0]] = golden
        for job in jobs_of(case):
            if entries and (job[0], job[1]) not in entries:
                continue
            if not args.update and job[1] in golden and golden[job[1]] is None:
                continue  # left out: cut by the time limit when recorded
            work.append(job)

    results = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = {pool.submit(run, build, prog, text): (case, pname)
                   for case, pname, prog, text in work}
        for f in concurrent.futures.as_completed(futures):
            results[futures[f]], seconds = f.result()
            if seconds > SLOW and not timed_out(results[futures[f]]):
                print(f"{futures[f][0]} {futures[f][1]}: slow ({seconds:.1f} s)")

    failures = 0
    checked = 0
    slow_cut = 0
    for case in selected:
        name = case[0]
        order = [pname for (cname, pname, _, _) in jobs_of(case)]
        if args.update:
            golden_dir.mkdir(parents=True, exist_ok=True)
            with open(golden_dir / f"{name}.txt", "w", encoding="latin-1") as f:
                for pname in order:
                    if (name, pname) in results:
                        text = results[(name, pname)]
                    elif pname in recorded[name]:
                        text = recorded[name][pname]  # not run now: stays as recorded
                    else:
                        continue
                    if text is None or timed_out(text):
                        f.write(f"### {pname} (left out: time limit)\n")
                    else:
                        f.write(f"### {pname}\n{text}")
            done = [p for p in order if (name, p) in results]
            left = [p for p in done if timed_out(results[(name, p)])]
            print(f"{name}: {len(done)} recorded"
                  + (f", left out {' '.join(left)}" if left else ""))
            continue
        golden = recorded[name]
        for pname in order:
            if (name, pname) not in results:
                continue
            checked += 1
            want = golden.get(pname)
            have = results[(name, pname)]
            if want is None:
                print(f"{name} {pname}: no recorded output")
                failures += 1
            elif timed_out(have):
                # A loaded machine can cut a long search that ended when
                # recorded: not a difference in output, but say so.
                print(f"{name} {pname}: cut by the time limit now; not compared")
                slow_cut += 1
            elif have != want:
                failures += 1
                print(f"{name} {pname}: differs")
                diff = difflib.unified_diff(want.splitlines(), have.splitlines(), "recorded",
                                            "now", lineterm="", n=2)
                for i, d in enumerate(diff):
                    if i == 40:
                        print("   ...")
                        break
                    print("   " + d)
    if not args.update:
        print(f"golden: {checked} outputs checked, {failures} differ"
              + (f", {slow_cut} cut by the time limit" if slow_cut else ""))
        return 1 if failures else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
