#!/usr/bin/env python3
"""Every session shown in the README must be one of the readme_* transcripts,
which the transcript tests run against the programs: so an example in the
README cannot go stale.

    tests/transcripts/readme_examples.py README.md tests/transcripts

A session is an indented block whose first line starts with ">>> ". A
transcript is shown as the README shows it: each input line after its
prompt, then what the program printed before the next prompt. Trailing
blanks and the blank lines that end a block are not compared.
"""
import sys
from pathlib import Path

PROMPT = ">>> "


def sessions(readme):
    """The README's sessions, each a list of lines without their indent."""
    lines = readme.read_text(encoding="utf-8").split("\n")
    found, i = [], 0
    while i < len(lines):
        if not lines[i].startswith("    " + PROMPT):
            i += 1
            continue
        block = []
        while i < len(lines) and (lines[i].startswith("    ") or not lines[i].strip()):
            block.append(lines[i][4:])
            i += 1
        found.append(normal(block))
    return found


def normal(lines):
    lines = [line.rstrip() for line in lines]
    while lines and not lines[-1]:
        lines.pop()
    return lines


def shown(case):
    """A transcript case (its .in and .out) as the README would show it."""
    inputs = case.with_suffix(".in").read_text(encoding="utf-8").split("\n")
    output = case.with_suffix(".out").read_text(encoding="utf-8")
    pieces = output.split(PROMPT)
    text = pieces[0]
    for line, piece in zip(inputs, pieces[1:]):
        text += PROMPT + line + "\n" + piece
    return normal(text.split("\n"))


def main():
    readme, root = Path(sys.argv[1]), Path(sys.argv[2])
    cases = sorted(root.glob("*/readme_*.in"))
    known = {tuple(shown(case)): case for case in cases}
    missing = [s for s in sessions(readme) if tuple(s) not in known]
    for s in missing:
        print("README session matches no readme_* transcript:")
        print("\n".join("    " + line for line in s))
    if not cases or missing:
        return 1
    print(f"{len(sessions(readme))} README sessions, each a transcript")
    return 0


if __name__ == "__main__":
    sys.exit(main())
