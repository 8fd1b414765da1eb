#!/usr/bin/env python3
"""Runs the command-line cases of a table (see unlha_cases.txt) against a
program and says which differ: the exit status, and what standard output
and standard error hold.

    cli_cases.py PROGRAM CASES VERSION
"""
import os
import re
import shlex
import subprocess
import sys
import tempfile


def fixture(folder, program):
    """The files the cases name."""
    def write(name, data):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    write("a.txt", b"hello\n")
    # Text that does not compress away, so that a cut lands in its data.
    write("b.txt", b"".join(b"%08x line of b\n" % (i * 2654435761 % 2**32) for i in range(4000)))
    write("plain.txt", b"no archive here\n" * 10)
    subprocess.run([program, "a", "good.lzh", "a.txt", "b.txt"], cwd=folder, check=True)
    with open(os.path.join(folder, "good.lzh"), "rb") as f:
        data = f.read()
    write("cut.lzh", data[: len(data) - 1000])
    os.remove(os.path.join(folder, "b.txt"))


def matches(expected, text):
    if expected == "-":
        return True
    if expected == '""':
        return text == ""
    return any(re.search(expected, line) for line in text.splitlines())


def main():
    program, cases, version = sys.argv[1:4]
    program = os.path.abspath(program)
    failures = 0
    count = 0
    with tempfile.TemporaryDirectory() as folder:
        fixture(folder, program)
        for number, raw in enumerate(open(cases, encoding="utf-8"), 1):
            if not raw.strip() or raw.lstrip().startswith("#"):
                continue
            fields = [f.strip() for f in raw.rstrip("\n").split(" | ")]
            if len(fields) != 4:
                print(f"{cases}:{number}: not four fields: {raw.rstrip()}")
                failures += 1
                continue
            args, status, out, err = fields
            out = out.replace("{version}", re.escape(version))
            err = err.replace("{version}", re.escape(version))
            words = shlex.split(args)
            full = words[:1] == [">full"]
            if full:
                words = words[1:]
            with open("/dev/full", "wb") if full else open(os.devnull, "rb") as sink:
                run = subprocess.run([program] + words, cwd=folder, stdin=subprocess.DEVNULL,
                                     stdout=sink if full else subprocess.PIPE, stderr=subprocess.PIPE,
                                     timeout=60)
            got_out = "" if full else run.stdout.decode("utf-8", "replace")
            got_err = run.stderr.decode("utf-8", "replace")
            count += 1
            wrong = []
            if run.returncode != int(status):
                wrong.append(f"status {run.returncode}, not {status}")
            if not matches(out, got_out):
                wrong.append(f"standard output does not match {out}")
            if not matches(err, got_err):
                wrong.append(f"standard error does not match {err}")
            if wrong:
                failures += 1
                print(f"FAIL {cases}:{number}: {args}: " + "; ".join(wrong))
                print("  standard output: " + got_out.replace("\n", "\n    "))
                print("  standard error:  " + got_err.replace("\n", "\n    "))
    print(f"{count - failures} of {count} cases passed")
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
