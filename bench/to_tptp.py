#!/usr/bin/env python3
"""Translates each prove of a problem file into a TPTP fof problem.

    bench/to_tptp.py --logic fol examples/fol_problems.txt -o DIR
    bench/to_tptp.py --logic prop examples/prop_problems.txt

The context is the one bench/run.sh replays: the "axiom" lines met so far
become axioms of every later problem and "init" empties them; "set" lines are
ignored. The hypotheses of a prove become axioms, its formula the conjecture.
With -o, problem N (counting prove lines from 1) goes to DIR/NNN.p and a line
"N ok" or "N error: WHY" is printed per prove (a prove whose line the program
would refuse has no file). Without -o every problem is printed to stdout.
"""
import argparse
import os
import re
import sys

CMD_WORD_START = set("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ/\\~(")
CMD_WORD_CHARS = set("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                     "0123456789_&(),-./<=>\\|~")
CMD_KEYWORDS = {"axiom", "init", "prove", "nhr", "phr", "set", "verbose",
                "maxcndts", "pdsmax_global", "timemax", "splitting",
                "check_subcase", "trace_proof", "exit", "Exit", "quit", "Quit",
                "sortie", "Sortie", "help", "true", "false"}


class Refused(Exception):
    pass


def command_tokens(line):
    """The tokens of one command line: ('KW', word), ('FORMULA', text),
    ('INT', n), ('SYM', c). Raises Refused where the program would."""
    toks = []
    i, n = 0, len(line)
    while i < n:
        c = line[i]
        if c in " \t\n":
            i += 1
        elif line.startswith("(*", i):
            end = line.rfind("*)")
            if end < i + 2:
                raise Refused("unterminated comment")
            i = end + 2
        elif c.isascii() and c.isdigit():
            j = i
            while j < n and line[j].isascii() and line[j].isdigit():
                j += 1
            if j < n and line[j] == ".":
                raise Refused("float")
            toks.append(("INT", int(line[i:j])))
            i = j
        elif c in "[];#%":
            toks.append(("SYM", c))
            i += 1
        elif c in CMD_WORD_START:
            j = i + 1
            while j < n and line[j] in CMD_WORD_CHARS:
                j += 1
            word = line[i:j]
            if word in CMD_KEYWORDS:
                toks.append(("KW", word))
                i = j
                continue
            while j < n and (line[j] in CMD_WORD_CHARS or line[j] == " "):
                j += 1
            toks.append(("FORMULA", line[i:j]))
            i = j
        else:
            raise Refused("lexing: empty token")
    return toks


def parse_hyp(toks, k):
    """A hypothesis (formula, then optional # weight and % index)."""
    if k >= len(toks) or toks[k][0] != "FORMULA":
        raise Refused("command syntax")
    text = toks[k][1]
    k += 1
    for mark in ("#", "%"):
        if k < len(toks) and toks[k] == ("SYM", mark):
            if k + 1 >= len(toks) or toks[k + 1][0] != "INT":
                raise Refused("command syntax")
            k += 2
    return text, k


def parse_command(line):
    """(kind, hyps, goal) for axiom/prove lines, ('init',) or None."""
    toks = command_tokens(line)
    if not toks or toks[0][0] != "KW":
        return None
    kw = toks[0][1]
    if kw == "init" and len(toks) == 1:
        return ("init", [], None)
    if kw == "axiom":
        text, k = parse_hyp(toks, 1)
        if k != len(toks):
            raise Refused("command syntax")
        return ("axiom", [text], None)
    if kw != "prove":
        return None
    k = 1
    if k < len(toks) and toks[k] in (("KW", "nhr"), ("KW", "phr")):
        k += 1
    hyps = []
    if k < len(toks) and toks[k] == ("SYM", "["):
        k += 1
        while True:
            text, k = parse_hyp(toks, k)
            hyps.append(text)
            if k < len(toks) and toks[k] == ("SYM", ";"):
                k += 1
                continue
            if k < len(toks) and toks[k] == ("SYM", "]"):
                k += 1
                break
            raise Refused("command syntax")
    if k + 1 != len(toks) or toks[k][0] != "FORMULA":
        raise Refused("command syntax")
    return ("prove", hyps, toks[k][1])


# Formulas: ('true',), ('false',), ('atom', name, [terms]), ('not', f),
# ('and'|'or'|'imp'|'iff', f, g), ('forall'|'exists', var, f).
# Terms: ('var', name), ('fn', name, [terms]).

FOL_KEYWORDS = {"forall": "FORALL", "exists": "EXISTS", "et": "AND",
                "and": "AND", "ou": "OR", "or": "OR", "non": "NOT",
                "not": "NOT", "False": "FALSE", "false": "FALSE",
                "faux": "FALSE", "True": "TRUE", "true": "TRUE",
                "vrai": "TRUE"}
FOL_SYMBOLS = [("<->", "IFF"), ("<=>", "IFF"), ("/\\", "FORALL"),
               ("\\/", "EXISTS"), ("->", "IMP"), ("=>", "IMP"), ("&", "AND"),
               ("|", "OR"), ("~", "NOT"), ("(", "("), (")", ")"), (",", ","),
               (".", ".")]
ASCII_LETTERS = set("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")


def fol_lex(text):
    toks = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if c in " \t\n":
            i += 1
            continue
        if c in ASCII_LETTERS:
            j = i + 1
            while j < n and (text[j] in ASCII_LETTERS or text[j] == "_"
                             or (text[j].isascii() and text[j].isdigit())):
                j += 1
            word = text[i:j]
            toks.append((FOL_KEYWORDS.get(word, "NAME"), word))
            i = j
            continue
        for sym, tok in FOL_SYMBOLS:
            if text.startswith(sym, i):
                toks.append((tok, sym))
                i += len(sym)
                break
        else:
            raise Refused("lexing: empty token")
    toks.append(("FIN", ""))
    return toks


class FolParser:
    BINARY = [("IFF", "iff"), ("IMP", "imp"), ("OR", "or"), ("AND", "and")]

    def __init__(self, text):
        self.toks = fol_lex(text)
        self.k = 0

    def peek(self):
        return self.toks[self.k][0]

    def take(self, kind):
        if self.peek() != kind:
            raise Refused("formula syntax")
        tok = self.toks[self.k]
        self.k += 1
        return tok[1]

    def main(self):
        f = self.formula(0)
        self.take("FIN")
        return f

    def formula(self, level):
        # Right-associative levels, loosest first; iterative on the right
        # spine so long chains do not deepen the recursion.
        if level == len(self.BINARY):
            return self.unary()
        tok, op = self.BINARY[level]
        operands = [self.formula(level + 1)]
        while self.peek() == tok:
            self.k += 1
            operands.append(self.formula(level + 1))
        f = operands.pop()
        while operands:
            f = (op, operands.pop(), f)
        return f

    def unary(self):
        kind = self.peek()
        if kind == "NOT":
            self.k += 1
            return ("not", self.unary())
        if kind in ("FORALL", "EXISTS"):
            self.k += 1
            names = [self.take("NAME")]
            while self.peek() == ",":
                self.k += 1
                names.append(self.take("NAME"))
            self.take(".")
            f = self.unary()
            for name in reversed(names):
                f = (kind.lower(), name, f)
            return f
        if kind == "TRUE":
            self.k += 1
            return ("true",)
        if kind == "FALSE":
            self.k += 1
            return ("false",)
        if kind == "(":
            self.k += 1
            f = self.formula(0)
            self.take(")")
            return f
        name = self.take("NAME")
        if self.peek() != "(":
            return ("atom", name, [])
        self.k += 1
        args = self.terms()  # p() is refused: terms needs one term
        self.take(")")
        return ("atom", name, args)

    def terms(self):
        args = [self.term()]
        while self.peek() == ",":
            self.k += 1
            args.append(self.term())
        return args

    def term(self):
        name = self.take("NAME")
        if self.peek() != "(":
            return ("var", name)
        self.k += 1
        if self.peek() == ")":
            self.k += 1
            return ("fn", name, [])
        args = self.terms()
        self.take(")")
        return ("fn", name, args)


PROP_WORD_START = set(chr(c) for c in
                      list(range(65, 91)) + list(range(97, 123))
                      + [224, 226, 228, 231, 232, 233, 234, 235, 238, 239,
                         244, 246, 249, 251, 252])
PROP_WORD_CHARS = PROP_WORD_START | set("0123456789_'")
PROP_SYMBOL = set("!$%&*+-./:;<=>?^|~@")
PROP_KEYWORDS = {"vrai", "True", "faux", "False", "(", ")", "non", "~", "et",
                 "&", "ou", "|", "->", "<->"}


def prop_lex(text):
    toks = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if c in " \t\n\r":
            i += 1
        elif c == "#":
            j = text.find("\n", i)
            i = n if j < 0 else j + 1
        elif c.isascii() and c.isdigit() or (
                c == "-" and i + 1 < n and text[i + 1].isascii()
                and text[i + 1].isdigit()):
            j = i + 1
            while j < n and text[j].isascii() and text[j].isdigit():
                j += 1
            toks.append(("INT", text[i:j]))
            i = j
        elif c in PROP_WORD_START or c in PROP_SYMBOL:
            cls = PROP_WORD_CHARS if c in PROP_WORD_START else PROP_SYMBOL
            j = i + 1
            while j < n and text[j] in cls:
                j += 1
            word = text[i:j]
            toks.append(("MC" if word in PROP_KEYWORDS else "ID", word))
            i = j
        elif c in PROP_KEYWORDS:
            toks.append(("MC", c))
            i += 1
        else:
            raise Refused("parse error")
    toks.append(("END", ""))
    return toks


class PropParser:
    LEVELS = [({"<->"}, "iff"), ({"->"}, "imp"), ({"ou", "|"}, "or"),
              ({"et", "&"}, "and")]

    def __init__(self, text):
        self.toks = prop_lex(text)
        self.k = 0

    def is_mc(self, words):
        kind, word = self.toks[self.k]
        return kind == "MC" and word in words

    def main(self):
        return self.formula(0)  # what follows a proposition is ignored

    def formula(self, level):
        if level == len(self.LEVELS):
            return self.unary()
        words, op = self.LEVELS[level]
        operands = [self.formula(level + 1)]
        while self.is_mc(words):
            self.k += 1
            operands.append(self.formula(level + 1))
        f = operands.pop()
        while operands:
            f = (op, operands.pop(), f)
        return f

    def unary(self):
        if self.is_mc({"non", "~"}):
            self.k += 1
            return ("not", self.atomic())
        return self.atomic()

    def atomic(self):
        kind, word = self.toks[self.k]
        self.k += 1
        if kind == "ID":
            return ("atom", word, [])
        if kind == "MC" and word in ("vrai", "True"):
            return ("true",)
        if kind == "MC" and word in ("faux", "False"):
            return ("false",)
        if kind == "MC" and word == "(":
            f = self.formula(0)
            if not self.is_mc({")"}):
                raise Refused("parse error")
            self.k += 1
            return f
        raise Refused("parse error")


class Names:
    """Valid, distinct TPTP names: one per (kind, source name, arity)."""

    def __init__(self):
        self.given = {}
        self.used = set()

    def get(self, kind, name, arity=0):
        key = (kind, name, arity)
        if key in self.given:
            return self.given[key]
        clean = re.sub(r"[^A-Za-z0-9_]", "_", name)
        if kind == "var":
            base = clean[0].upper() + clean[1:] if clean[0].islower() else "V" + clean
        else:
            base = clean if re.match(r"[a-z]", clean) else "n" + clean
        candidate, suffix = base, 1
        while candidate in self.used:
            suffix += 1
            candidate = "%s_%d" % (base, suffix)
        self.used.add(candidate)
        self.given[key] = candidate
        return candidate


def free_vars(f, bound, out):
    tag = f[0]
    if tag == "atom":
        stack = list(f[2])
        while stack:
            t = stack.pop()
            if t[0] == "var":
                if t[1] not in bound and t[1] not in out:
                    out.append(t[1])
            else:
                stack.extend(t[2])
    elif tag == "not":
        free_vars(f[1], bound, out)
    elif tag in ("and", "or", "imp", "iff"):
        free_vars(f[1], bound, out)
        free_vars(f[2], bound, out)
    elif tag in ("forall", "exists"):
        free_vars(f[2], bound | {f[1]}, out)


def tptp_term(t, names):
    if t[0] == "var":
        return names.get("var", t[1])
    head = names.get("fn", t[1], len(t[2]))
    if not t[2]:
        return head
    return "%s(%s)" % (head, ",".join(tptp_term(a, names) for a in t[2]))


def tptp(f, names):
    tag = f[0]
    if tag == "true":
        return "$true"
    if tag == "false":
        return "$false"
    if tag == "atom":
        head = names.get("pred", f[1], len(f[2]))
        if not f[2]:
            return head
        return "%s(%s)" % (head, ",".join(tptp_term(a, names) for a in f[2]))
    if tag == "not":
        return "~ (%s)" % tptp(f[1], names)
    if tag in ("forall", "exists"):
        quant = "!" if tag == "forall" else "?"
        return "%s [%s] : (%s)" % (quant, names.get("var", f[1]), tptp(f[2], names))
    op = {"and": "&", "or": "|", "imp": "=>", "iff": "<=>"}[tag]
    return "(%s %s %s)" % (tptp(f[1], names), op, tptp(f[2], names))


def closed(f):
    # A free variable is read as universally quantified.
    out = []
    free_vars(f, frozenset(), out)
    for v in reversed(out):
        f = ("forall", v, f)
    return f


def read_formula(text, logic):
    return (FolParser(text) if logic == "fol" else PropParser(text)).main()


def translate(path, logic):
    """Yields (rank, tptp text or None, why) for each prove line."""
    axioms = []
    rank = 0
    with open(path, encoding="latin-1") as src:
        for line in src:
            line = line.rstrip("\n")
            stripped = line  # the same line kinds as run.sh
            if stripped.startswith("prove "):
                rank += 1
            elif not (stripped.startswith("axiom ") or stripped == "init"
                      or stripped.startswith("init ")):
                continue
            try:
                cmd = parse_command(line)
                if cmd is None:
                    if stripped.startswith("prove "):
                        raise Refused("command syntax")
                    continue
                kind, hyps, goal = cmd
                if kind == "init":
                    axioms = []
                    continue
                hyp_formulas = [read_formula(h, logic) for h in hyps]
                if kind == "axiom":
                    axioms.extend(hyp_formulas)
                    continue
                conj = read_formula(goal, logic)
            except Refused as why:
                if stripped.startswith("prove "):
                    yield rank, None, str(why)
                continue
            except RecursionError:
                if stripped.startswith("prove "):
                    yield rank, None, "too deep"
                continue
            names = Names()
            out = ["%% %s, problem %d" % (os.path.basename(path), rank),
                   "% " + line.strip()]
            for i, h in enumerate(axioms + hyp_formulas, 1):
                out.append("fof(h%d, axiom, %s)." % (i, tptp(closed(h), names)))
            out.append("fof(goal, conjecture, %s)." % tptp(closed(conj), names))
            yield rank, "\n".join(out) + "\n", ""


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--logic", choices=("fol", "prop"), required=True)
    ap.add_argument("-o", "--outdir")
    ap.add_argument("problem_file")
    args = ap.parse_args()
    sys.setrecursionlimit(100000)
    for rank, text, why in translate(args.problem_file, args.logic):
        if args.outdir is None:
            print(text if text is not None else "%% problem %d: %s\n" % (rank, why))
            continue
        if text is None:
            print("%d error: %s" % (rank, why))
            continue
        with open(os.path.join(args.outdir, "%03d.p" % rank), "w",
                  encoding="latin-1") as dst:
            dst.write(text)
        print("%d ok" % rank)


if __name__ == "__main__":
    main()
