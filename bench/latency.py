#!/usr/bin/env python3
"""How late the time limit and the interrupt key take effect, and the peak
memory of a search that runs its whole default time limit.

    bench/latency.py BUILD_DIR [--runs 20] [--memory]

Time limit: fol_prover with "set timemax 1" on searches that cannot finish;
lateness = arrival of "Temps imparti ecoule" - sending the prove line - 1 s.
Interrupt: SIGINT at a random moment of such a search (prop_prover and
fol_prover); lateness = arrival of "Preuve annulee" - the signal.
Each run is a fresh process; the answer must be followed by a working prompt.
Prints median and worst per case (target: both within 50 ms).
"""
import argparse
import os
import random
import signal
import statistics
import subprocess
import sys
import threading
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
    """A running program whose standard output is read as it arrives."""

    def __init__(self, path):
        self.p = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE)
        self.out = b""
        self.cond = threading.Condition()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while True:
            chunk = os.read(self.p.stdout.fileno(), 1 << 16)
            with self.cond:
                if not chunk:
                    self.cond.notify_all()
                    return
                self.out += chunk
                self.cond.notify_all()

    def send(self, text):
        self.p.stdin.write(text.encode("latin-1"))
        self.p.stdin.flush()

    def wait_for(self, text, start, timeout=120.0):
        """Time at which `text` appears in the output after offset `start`."""
        needle = text.encode("latin-1")
        deadline = time.monotonic() + timeout
        with self.cond:
            while needle not in self.out[start:]:
                left = deadline - time.monotonic()
                if left <= 0 or self.p.poll() is not None and needle not in self.out[start:]:
                    raise RuntimeError("no %r; output ends %r" % (text, self.out[-200:]))
                self.cond.wait(min(left, 0.001))
            return time.monotonic()

    def wait_prompts(self, n, timeout=60.0):
        """Waits until n prompts have been written."""
        deadline = time.monotonic() + timeout
        with self.cond:
            while self.out.count(b">>> ") < n:
                if time.monotonic() > deadline:
                    raise RuntimeError("only %d prompts" % self.out.count(b">>> "))
                self.cond.wait(0.01)

    def finish(self):
        self.send("exit\n")
        self.p.stdin.close()
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
    report("fol_prover interrupt, endless search",
           [interrupt_lateness(fol, "set timemax 0\n" + LARGE_LIMITS, ENDLESS_FOL, rng)
            for _ in range(args.runs)])
    report("fol_prover interrupt, pigeons 5 into 5",
           [interrupt_lateness(fol, "set timemax 0\n", php, rng) for _ in range(args.runs)])
    report("prop_prover interrupt, pigeons 5 into 5",
           [interrupt_lateness(prop, "", php, rng) for _ in range(args.runs)])
    report("prop_prover interrupt, same, large limits",
           [interrupt_lateness(prop, LARGE_LIMITS, php, rng) for _ in range(args.runs)])
    if args.memory:
        # Default settings (30 s limit, trace_proof on by default; said anyway).
        peak_memory(fol, "set trace_proof true\n", php)
        peak_memory(prop, "set trace_proof true\n", php)
    return 0


if __name__ == "__main__":
    sys.exit(main())
