#!/usr/bin/env python3
"""How late the time limit and the interrupt key take effect, and the peak
memory of a search that runs its whole default time limit.

    bench/latency.py BUILD_DIR [--runs 20] [--large] [--large-runs 3] [--jobs 1]
                               [--memory] [--strace] [--only TEXT]

Time limit: fol_prover with "set timemax 1" on searches that cannot finish;
lateness = arrival of "Temps imparti ecoule" - sending the prove line - 1 s.
Interrupt: SIGINT at a random moment of such a search (prop_prover and
fol_prover); lateness = arrival of "Preuve annulee" - the signal.
Proof printing: SIGINT once 50 MB of a proof of more than a GB have
arrived; lateness = arrival of "Preuve annulee" on a line of its own - the
signal (the proof printed meanwhile is read as it comes).
--large adds the largest states: pigeonhole 7 into 6 (valid, and far beyond
the default 30 s) in both programs at several settings, and long searches
with large limits, each run to its time limit, then interrupted at a random
moment of the same searches. --jobs runs that many cases at once (each in a
process of its own: more load, so slightly later answers).
Each run is a fresh process; the answer must be followed by a working prompt.
Prints median and worst per case (target: both within 50 ms). On a loaded
machine the measuring side's own scheduling adds to these; --strace also
times the alarm from inside the program (signal arrival to message write).
"""
import argparse
import multiprocessing
import os
import random
import select
import signal
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def pigeons_into_holes(n, holes=None):
    """n pigeons into `holes` holes (n by default), some hole holding two.
    n into n is not valid, so never proved; the search runs until a limit
    stops it. 7 into 6 is valid, and far beyond a 30 s search: its split
    tree grows to millions of nodes."""
    m = n if holes is None else holes
    hyps = "; ".join(" | ".join("p%d_%d" % (i, j) for j in range(1, m + 1)) for i in range(1, n + 1))
    concl = " | ".join("(p%d_%d & p%d_%d)" % (i, j, k, j) for j in range(1, m + 1)
                       for i in range(1, n + 1) for k in range(i + 1, n + 1))
    return "prove [%s] %s" % (hyps, concl)


def long_proof(fol):
    """A goal proved at once whose proof prints more than a GB: a chain of
    12 500 conjuncts, each step of the proof shows the rest of it."""
    atom = "p%d(a())" if fol else "p%d"
    return "prove %s -> %s" % (" & ".join(atom % i for i in range(12500)), atom % 9722)


# Not valid either: p(f(...f(a())...)) never gives p(b()); with large limits
# the search never runs out of candidates.
ENDLESS_FOL = "prove [forall x. (p(x) -> p(f(x))); p(a())] p(b())"
LARGE_LIMITS = "set pdsmax_global 100000000\nset maxcndts 100000\n"


class Program:
    """A running program whose standard output is read, with a time stamp,
    only while a wait asks for it: one thread, so nothing delays the read."""

    def __init__(self, path):
        self.p = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL)
        self.out = b""
        self.fd = self.p.stdout.fileno()
        self.closed = False

    def send(self, text):
        self.p.stdin.write(text.encode("latin-1"))
        self.p.stdin.flush()

    def _read_some(self, timeout):
        """Reads what is there within `timeout` seconds; the time it came."""
        if self.closed:
            time.sleep(timeout)
            return time.monotonic()
        ready, _, _ = select.select([self.fd], [], [], max(timeout, 0))
        now = time.monotonic()
        if ready:
            chunk = os.read(self.fd, 1 << 16)
            if chunk:
                self.out += chunk
            else:
                self.closed = True
        return now

    def wait_for(self, text, start, timeout=120.0):
        """Time at which `text` appeared in the output after offset `start`."""
        needle = text.encode("latin-1")
        deadline = time.monotonic() + timeout
        t = time.monotonic()
        while needle not in self.out[start:]:
            left = deadline - time.monotonic()
            if left <= 0 or self.closed:
                raise RuntimeError("no %r; output ends %r" % (text, self.out[-200:]))
            t = self._read_some(left)
        return t

    def wait_prompts(self, n, timeout=60.0):
        """Waits until n prompts have been written."""
        deadline = time.monotonic() + timeout
        while self.out.count(b">>> ") < n:
            left = deadline - time.monotonic()
            if left <= 0 or self.closed:
                raise RuntimeError("only %d prompts" % self.out.count(b">>> "))
            self._read_some(left)

    def finish(self):
        self.send("exit\n")
        self.p.stdin.close()
        while not self.closed:
            self._read_some(60)
        _, status, usage = os.wait4(self.p.pid, 0)
        self.p.returncode = os.waitstatus_to_exitcode(status)
        return self.p.returncode, usage.ru_maxrss


def time_limit_lateness(prog, settings, line, limit):
    p = Program(prog)
    p.send(settings)
    mark = len(p.out)
    t0 = time.monotonic()
    p.send(line + "\n")
    t1 = p.wait_for("Temps imparti ecoule\n>>> ", mark)
    status, _ = p.finish()
    if status != 0:
        raise RuntimeError("exit status %d" % status)
    return t1 - t0 - limit


def reading_time(prog, line):
    p = Program(prog)
    mark = len(p.out)
    t0 = time.monotonic()
    p.send(line + "\n")
    t1 = p.wait_for("Erreur de commande\n>>> ", mark)
    p.finish()
    return t1 - t0


def interrupt_lateness(prog, settings, line, within=1.0, rng=random):
    p = Program(prog)
    p.send(settings)
    p.send(line + "\n")
    time.sleep(0.2 + (within - 0.2) * rng.random())
    mark = len(p.out)
    ts = time.monotonic()
    p.p.send_signal(signal.SIGINT)
    t1 = p.wait_for("Preuve annulee\n>>> ", mark)
    # The prompt works again.
    mark = len(p.out)
    p.send("prove p -> p\n")
    p.wait_for("La formule est vraie", mark, timeout=20)
    status, _ = p.finish()
    if status != 0:
        raise RuntimeError("exit status %d" % status)
    return t1 - ts


def printing_interrupt_lateness(prog, line, after=50 << 20):
    """SIGINT once `after` bytes of the proof have arrived: the time until
    "Preuve annulee" arrives on a line of its own; the next prove must
    answer and the program end with status 0. Only the tail of the output
    is kept: the proof is not read into memory."""
    p = Program(prog)
    p.send(line + "\n")
    p.wait_for("Voici la preuve :\n", 0, timeout=120)
    seen = len(p.out) - p.out.index(b"Voici la preuve :\n") - len("Voici la preuve :\n")
    p.out = p.out[-64:]
    while seen < after:
        kept = len(p.out)
        p._read_some(60)
        if p.closed:
            raise RuntimeError("the output ended after %d bytes" % seen)
        seen += len(p.out) - kept
        p.out = p.out[-64:]
    ts = time.monotonic()
    p.p.send_signal(signal.SIGINT)
    now = ts
    while b"\nPreuve annulee\n" not in p.out:
        p.out = p.out[-64:]
        now = p._read_some(60)
        if p.closed:
            raise RuntimeError("no Preuve annulee; the output ends %r" % p.out[-200:])
    p.out = p.out[p.out.index(b"\nPreuve annulee\n") + 1:]
    p.send("prove p -> p\n")
    p.wait_for("La formule est vraie", 0, timeout=20)
    status, _ = p.finish()
    if status != 0:
        raise RuntimeError("exit status %d" % status)
    return now - ts


def inside_lateness(prog, settings, line, runs):
    """From the program's own system calls (strace): the alarm signal's
    arrival to the write of "Temps imparti ecoule", free of the measuring
    side's scheduling."""
    import re
    import tempfile
    values = []
    for _ in range(runs):
        with tempfile.NamedTemporaryFile(suffix=".trace") as trace:
            subprocess.run(["strace", "-f", "-ttt", "-e", "trace=write", "-e", "signal=SIGALRM",
                            "-o", trace.name, prog], input=(settings + line + "\n").encode("latin-1"),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
            sig = msg = None
            for l in open(trace.name, encoding="latin-1"):
                m = re.match(r"\d+\s+([\d.]+)\s+(.*)", l)
                if not m:
                    continue
                if sig is None and "SIGALRM" in m.group(2):
                    sig = float(m.group(1))
                if msg is None and "Temps imparti" in m.group(2):
                    msg = float(m.group(1))
            if sig is not None and msg is not None:
                values.append(msg - sig)
    return values


def report(name, values):
    ms = sorted(v * 1000 for v in values)
    print("%-44s runs %3d  median %8.1f ms  worst %8.1f ms" % (
        name, len(ms), statistics.median(ms), ms[-1]), flush=True)


def peak_memory(prog, settings, line):
    p = Program(prog)
    p.send(settings)
    p.wait_prompts(settings.count("\n") + 1)
    t0 = time.monotonic()
    mark = len(p.out)
    p.send(line + "\n")
    p.wait_for("\n>>> ", mark, timeout=200)
    t1 = time.monotonic()
    text = p.out[mark:].split(b"\n")[0].decode("latin-1")
    _, maxrss = p.finish()
    print("%-44s %6.1f s  peak %7.1f MiB  (%s)" % (
        os.path.basename(prog) + " default search", t1 - t0, maxrss / 1024.0, text), flush=True)


def twice_lateness(prog, settings, line, limit):
    """The time limit of a second attempt just after a first one ran to its
    own: the second starts by freeing what the first left."""
    p = Program(prog)
    p.send(settings)
    mark = len(p.out)
    p.send(line + "\n")
    p.wait_for("Temps imparti ecoule\n>>> ", mark, timeout=limit + 60)
    mark = len(p.out)
    t0 = time.monotonic()
    p.send(line + "\n")
    t1 = p.wait_for("Temps imparti ecoule\n>>> ", mark, timeout=limit + 60)
    status, _ = p.finish()
    if status != 0:
        raise RuntimeError("exit status %d" % status)
    return t1 - t0 - limit


def twice_interrupt_lateness(prog, settings, line, limit, rng=random):
    """SIGINT in the first 0.3 s of a second attempt, while it frees what
    the first one left."""
    p = Program(prog)
    p.send(settings)
    mark = len(p.out)
    p.send(line + "\n")
    p.wait_for("Temps imparti ecoule\n>>> ", mark, timeout=limit + 60)
    p.send(line + "\n")
    time.sleep(0.3 * rng.random())
    mark = len(p.out)
    ts = time.monotonic()
    p.p.send_signal(signal.SIGINT)
    t1 = p.wait_for("Preuve annulee\n>>> ", mark)
    status, _ = p.finish()
    if status != 0:
        raise RuntimeError("exit status %d" % status)
    return t1 - ts


def one_run(job):
    """One run of a case, in a worker process: (case index, value)."""
    index, seed, fn, fn_args = job
    if fn in (interrupt_lateness, twice_interrupt_lateness):
        return index, fn(*fn_args, rng=random.Random(seed))
    return index, fn(*fn_args)


def run_cases(cases, jobs):
    """cases: (name, runs, function, arguments). Runs them all, `jobs` at a
    time, and reports each case once its runs are done, in order."""
    work = [(i, 1000 * i + r, fn, fn_args) for i, (_, runs, fn, fn_args) in enumerate(cases)
            for r in range(runs)]
    values = [[] for _ in cases]
    if jobs <= 1:
        results = map(one_run, work)
    else:
        pool = multiprocessing.Pool(jobs, maxtasksperchild=1)
        results = pool.imap(one_run, work)
    shown = 0
    for i, v in results:
        values[i].append(v)
        while shown < len(cases) and len(values[shown]) == cases[shown][1]:
            report(cases[shown][0], values[shown])
            shown += 1
    if jobs > 1:
        pool.close()
        pool.join()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--large", action="store_true",
                    help="also the largest states: 30-second searches at several settings")
    ap.add_argument("--large-runs", type=int, default=3)
    ap.add_argument("--jobs", type=int, default=1, help="cases run at once")
    ap.add_argument("--only", help="only the cases whose name holds this text")
    ap.add_argument("--memory", action="store_true", help="also the 30-second peak memory runs")
    ap.add_argument("--strace", action="store_true",
                    help="also the time limit seen from inside the program (needs strace)")
    args = ap.parse_args()
    fol = os.path.join(args.build, "folprover", "fol_prover")
    prop = os.path.join(args.build, "propprover", "prop_prover")
    php = pigeons_into_holes(5)
    n = args.runs

    # A 5 MB formula (a thousand disjuncts of five hundred conjuncts, well
    # within the nesting bound): the time to read it (and free it) comes
    # before the alarm is armed, so it is measured alone, as the answer to
    # the same line with a syntax error after the formula.
    big = "prove " + " | ".join("(" + " & ".join("a%d_%d" % (i, j) for j in range(500)) + ")"
                                for i in range(1000))
    # A prefix of 20 000 quantifiers over an endless search on atoms of as
    # many arguments: each step renames, unifies and substitutes chains as
    # long, so the stop requests are met inside those walks.
    xs = ",".join("x%d" % i for i in range(20000))
    fxs = ",".join(["f(x0)"] + ["x%d" % i for i in range(1, 20000)])
    prefix = "prove [p(%s); forall %s. (p(%s) -> p(%s))] q" % (
        ",".join(["a()"] * 20000), xs, xs, fxs)
    # Its clauses weigh past LARGE_LIMITS' bound.
    prefix_limits = "set pdsmax_global 1000000000\nset maxcndts 1000000\n"
    cases = [
        ("fol_prover timemax 1, endless search", n, time_limit_lateness,
         (fol, "set timemax 1\n" + LARGE_LIMITS, ENDLESS_FOL, 1.0)),
        ("fol_prover timemax 1, pigeons 5 into 5", n, time_limit_lateness,
         (fol, "set timemax 1\n", php, 1.0)),
        ("fol_prover reading the 5 MB line alone", 3, reading_time, (fol, big + " ]")),
        ("fol_prover timemax 2, 5 MB formula", 3, time_limit_lateness,
         (fol, "set timemax 2\n", big, 2.0)),
        ("fol_prover reading the prefix line alone", 3, reading_time, (fol, prefix + " ]")),
        ("fol_prover timemax 1, 20 000-variable prefix", n, time_limit_lateness,
         (fol, "set timemax 1\n" + prefix_limits, prefix, 1.0)),
        ("fol_prover interrupt, 20 000-variable prefix", n, interrupt_lateness,
         (fol, "set timemax 0\n" + prefix_limits, prefix)),
        ("fol_prover interrupt, endless search", n, interrupt_lateness,
         (fol, "set timemax 0\n" + LARGE_LIMITS, ENDLESS_FOL)),
        ("fol_prover interrupt, pigeons 5 into 5", n, interrupt_lateness,
         (fol, "set timemax 0\n", php)),
        ("prop_prover interrupt, pigeons 5 into 5", n, interrupt_lateness, (prop, "", php)),
        ("prop_prover interrupt, same, large limits", n, interrupt_lateness,
         (prop, LARGE_LIMITS, php)),
        ("prop_prover interrupt, proof printing at 50 MB", n, printing_interrupt_lateness,
         (prop, long_proof(False))),
        ("fol_prover interrupt, proof printing at 50 MB", n, printing_interrupt_lateness,
         (fol, long_proof(True))),
    ]
    if args.large:
        php76 = pigeons_into_holes(7, 6)
        m = args.large_runs
        large = LARGE_LIMITS
        cases += [
            ("fol_prover pigeons 7 into 6, defaults", m, time_limit_lateness, (fol, "", php76, 30.0)),
            ("prop_prover pigeons 7 into 6, defaults", m, time_limit_lateness,
             (prop, "", php76, 30.0)),
            ("fol_prover pigeons 7 into 6, timemax 10", m, time_limit_lateness,
             (fol, "set timemax 10\n", php76, 10.0)),
            ("fol_prover pigeons 7 into 6, maxcndts 1000", m, time_limit_lateness,
             (fol, "set maxcndts 1000\n", php76, 30.0)),
            ("prop_prover pigeons 7 into 6, maxcndts 1000", m, time_limit_lateness,
             (prop, "set maxcndts 1000\n", php76, 30.0)),
            ("fol_prover pigeons 7 into 6, check_subcase false", m, time_limit_lateness,
             (fol, "set check_subcase false\n", php76, 30.0)),
            ("prop_prover pigeons 7 into 6, check_subcase false", m, time_limit_lateness,
             (prop, "set check_subcase false\n", php76, 30.0)),
            ("fol_prover pigeons 7 into 6, splitting false, large", m, time_limit_lateness,
             (fol, "set splitting false\n" + large, php76, 30.0)),
            ("prop_prover pigeons 7 into 6, large limits", m, time_limit_lateness,
             (prop, large, php76, 30.0)),
            ("fol_prover endless search, large limits", m, time_limit_lateness,
             (fol, large, ENDLESS_FOL, 30.0)),
            ("fol_prover pigeons 7 into 6, second attempt", m, twice_lateness,
             (fol, "set timemax 15\n", php76, 15.0)),
            ("fol_prover interrupt, pigeons 7 into 6", m, interrupt_lateness,
             (fol, "", php76, 29.0)),
            ("prop_prover interrupt, pigeons 7 into 6", m, interrupt_lateness,
             (prop, "", php76, 29.0)),
            ("fol_prover interrupt, pigeons 7 into 6, maxcndts 1000", m, interrupt_lateness,
             (fol, "set maxcndts 1000\n", php76, 29.0)),
            ("prop_prover interrupt, pigeons 7 into 6, large", m, interrupt_lateness,
             (prop, large, php76, 29.0)),
            ("fol_prover interrupt, endless search, large", m, interrupt_lateness,
             (fol, "set timemax 0\n" + large, ENDLESS_FOL, 29.0)),
            ("fol_prover interrupt, second attempt's start", m, twice_interrupt_lateness,
             (fol, "set timemax 15\n", php76, 15.0)),
        ]
    if args.only:
        cases = [c for c in cases if args.only in c[0]]
    run_cases(cases, args.jobs)
    if args.strace:
        report("fol_prover timemax 1, pigeons, signal to message",
               inside_lateness(fol, "set timemax 1\n", php, args.runs))
    if args.memory:
        # Default settings (30 s limit, trace_proof on by default; said anyway).
        peak_memory(fol, "set trace_proof true\n", php)
        peak_memory(prop, "set trace_proof true\n", php)
    return 0


if __name__ == "__main__":
    sys.exit(main())
