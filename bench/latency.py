#!/usr/bin/env python3
"""How late the time limit and the interrupt key take effect, and the peak
memory of a search that runs its whole default time limit.

    bench/latency.py BUILD_DIR [--runs 20] [--memory] [--strace]

Time limit: fol_prover with "set timemax 1" on searches that cannot finish;
lateness = arrival of "Temps imparti ecoule" - sending the prove line - 1 s.
Interrupt: SIGINT at a random moment of such a search (prop_prover and
fol_prover); lateness = arrival of "Preuve annulee" - the signal.
Each run is a fresh process; the answer must be followed by a working prompt.
Prints median and worst per case (target: both within 50 ms). On a loaded
machine the measuring side's own scheduling adds to these; --strace also
times the alarm from inside the program (signal arrival to message write).
"""
import argparse
import os
import random
import select
import signal
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def pigeons_into_holes(n):
    """n pigeons into n holes, stated as if one hole had to hold two: not
    valid, so never proved; the search runs until a limit stops it."""
    hyps = "; ".join(" | ".join("p%d_%d" % (i, j) for j in range(1, n + 1)) for i in range(1, n + 1))
    concl = " | ".join("(p%d_%d & p%d_%d)" % (i, j, k, j) for j in range(1, n + 1)
                       for i in range(1, n + 1) for k in range(i + 1, n + 1))
    return "prove [%s] %s" % (hyps, concl)


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


def interrupt_lateness(prog, settings, line, rng):
    p = Program(prog)
    p.send(settings)
    p.send(line + "\n")
    time.sleep(0.2 + 0.8 * rng.random())
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


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--memory", action="store_true", help="also the 30-second peak memory runs")
    ap.add_argument("--strace", action="store_true",
                    help="also the time limit seen from inside the program (needs strace)")
    args = ap.parse_args()
    fol = os.path.join(args.build, "folprover", "fol_prover")
    prop = os.path.join(args.build, "propprover", "prop_prover")
    rng = random.Random(7)
    php = pigeons_into_holes(5)

    report("fol_prover timemax 1, endless search",
           [time_limit_lateness(fol, "set timemax 1\n" + LARGE_LIMITS, ENDLESS_FOL, 1.0)
            for _ in range(args.runs)])
    report("fol_prover timemax 1, pigeons 5 into 5",
           [time_limit_lateness(fol, "set timemax 1\n", php, 1.0) for _ in range(args.runs)])
    # A 5 MB formula (a thousand disjuncts of five hundred conjuncts, well
    # within the nesting bound): the time to read it (and free it) comes
    # before the alarm is armed, so it is measured alone, as the answer to
    # the same line with a syntax error after the formula.
    big = "prove " + " | ".join("(" + " & ".join("a%d_%d" % (i, j) for j in range(500)) + ")"
                                for i in range(1000))
    report("fol_prover reading the 5 MB line alone", [reading_time(fol, big + " ]") for _ in range(3)])
    report("fol_prover timemax 2, 5 MB formula",
           [time_limit_lateness(fol, "set timemax 2\n", big, 2.0) for _ in range(3)])
    # A prefix of 20 000 quantifiers: each step substitutes into a chain as
    # long, so the stop requests are met inside substitution and unification.
    xs = ",".join("x%d" % i for i in range(20000))
    prefix = "prove forall %s. p(%s)" % (xs, xs)
    report("fol_prover reading the prefix line alone",
           [reading_time(fol, prefix + " ]") for _ in range(3)])
    report("fol_prover timemax 1, 20 000-variable prefix",
           [time_limit_lateness(fol, "set timemax 1\n", prefix, 1.0) for _ in range(args.runs)])
    report("fol_prover interrupt, 20 000-variable prefix",
           [interrupt_lateness(fol, "set timemax 0\n", prefix, rng) for _ in range(args.runs)])
    report("fol_prover interrupt, endless search",
           [interrupt_lateness(fol, "set timemax 0\n" + LARGE_LIMITS, ENDLESS_FOL, rng)
            for _ in range(args.runs)])
    report("fol_prover interrupt, pigeons 5 into 5",
           [interrupt_lateness(fol, "set timemax 0\n", php, rng) for _ in range(args.runs)])
    report("prop_prover interrupt, pigeons 5 into 5",
           [interrupt_lateness(prop, "", php, rng) for _ in range(args.runs)])
    report("prop_prover interrupt, same, large limits",
           [interrupt_lateness(prop, LARGE_LIMITS, php, rng) for _ in range(args.runs)])
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
