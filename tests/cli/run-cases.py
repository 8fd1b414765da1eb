#!/usr/bin/env python3
"""Runs command-line cases kept as data and says which differ.

A case is a folder below FOLDER holding `cmd`: a bash script run in a fresh
empty folder, beside what it must give back:

  stdout, stderr   the exact text of each stream (an absent file: nothing);
                   @VERSION@ stands for the build's version
  status           the exit status (an absent file: 0)

The script runs with our `lha` and `unlha` first on PATH, TZ=UTC,
LC_ALL=C.UTF-8, standard input from /dev/null, and these at hand:

  $CORPUS, $BUILD   tests/corpus and the build folder
  take PATH...      copies each corpus file here by its own name, its time
                    set to 2024-01-01 00:00:00 UTC (the listings' Total line)

    run-cases.py BUILD_DIR VERSION FOLDER...
    run-cases.py --update BUILD_DIR VERSION FOLDER...   writes what each case
                                                        gives as its expectation
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.normpath(os.path.join(HERE, "..", "corpus"))

PRELUDE = """
take() {
  local f
  for f in "$@"; do
    cp "$CORPUS/$f" . && touch -d '2024-01-01 00:00:00 UTC' "$(basename "$f")" || return 1
  done
}
"""


def cases_below(folder):
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        if "cmd" in files:
            yield root


def expected(case, name, default, version):
    path = os.path.join(case, name)
    if not os.path.exists(path):
        return default
    with open(path, "rb") as f:
        return f.read().replace(b"@VERSION@", version.encode())


def run(case, build):
    with open(os.path.join(case, "cmd"), encoding="utf-8") as f:
        script = f.read()
    env = dict(os.environ, PATH=build + os.pathsep + os.environ.get("PATH", ""), TZ="UTC", LC_ALL="C.UTF-8",
               CORPUS=CORPUS, BUILD=build)
    with tempfile.TemporaryDirectory() as work:
        return subprocess.run(["bash", "-c", PRELUDE + script], cwd=work, env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)


def show(text):
    return "    " + text.decode("utf-8", "replace").replace("\n", "\n    ")


def main(args):
    update = args[:1] == ["--update"]
    if update:
        args = args[1:]
    if len(args) < 3:
        print(__doc__)
        return 2
    build, version, folders = os.path.abspath(args[0]), args[1], args[2:]
    count = failures = 0
    for folder in folders:
        for case in cases_below(folder):
            count += 1
            got = run(case, build)
            if update:
                for name, data in (("stdout", got.stdout), ("stderr", got.stderr)):
                    path = os.path.join(case, name)
                    if data:
                        with open(path, "wb") as f:
                            f.write(data.replace(version.encode(), b"@VERSION@"))
                    elif os.path.exists(path):
                        os.remove(path)
                status = os.path.join(case, "status")
                if got.returncode:
                    with open(status, "w") as f:
                        f.write(f"{got.returncode}\n")
                elif os.path.exists(status):
                    os.remove(status)
                continue
            wrong = []
            want_status = int(expected(case, "status", b"0", version))
            if got.returncode != want_status:
                wrong.append(f"status {got.returncode}, not {want_status}")
            for name, data in (("stdout", got.stdout), ("stderr", got.stderr)):
                want = expected(case, name, b"", version)
                if data != want:
                    wrong.append(f"{name} differs; expected:\n{show(want)}\n  got:\n{show(data)}")
            if wrong:
                failures += 1
                print(f"FAIL {os.path.relpath(case, HERE)}: " + "\n  ".join(wrong))
    print(f"{count - failures} of {count} cases passed")
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
