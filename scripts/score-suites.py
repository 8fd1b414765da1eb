#!/usr/bin/env python3
"""Scores our reader against the test archives of other LZH readers:

  libarchive  its LZH test archives (Debian source package libarchive): an
              archive scores when `unlha x` gives the tree bsdtar gives (the
              same names, kinds, contents, link targets, modes and times).
  lhasa       lhasa 0.3.1's test archives with their expected headers: an
              archive scores when `unlha t` passes and `unlha x` extracts
              every member where lhasa does (names in any letter case, since
              lhasa lowers MS-DOS names) with lhasa's time, permissions and
              link target.  A member that lands outside the folder (an
              absolute or ".." path, a link that leaves the folder) is left
              out: refusing it is right.
  classic     the classic lha's outputs for the corpus (lha-cli/expected):
              the share that tests/lha/expected_listings.sh finds equal.

    scripts/score-suites.py BUILD_DIR [--sources DIR] [--lha-cli DIR]

The source packages are fetched with `apt-get source` into DIR (a temporary
folder when not given); nothing of them goes into the project.  Run as
root, extraction runs as the user nobody, since some archives are hostile.
"""
import argparse
import binascii
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def source_tree(sources, package):
    found = sorted(glob.glob(os.path.join(sources, package + "-[0-9]*")))
    found = [f for f in found if os.path.isdir(f)]
    if not found:
        subprocess.run(["apt-get", "source", "-qq", package], cwd=sources, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        found = [f for f in sorted(glob.glob(os.path.join(sources, package + "-[0-9]*"))) if os.path.isdir(f)]
    return found[-1]


def as_unprivileged(argv):
    """Hostile archives are extracted without root's rights."""
    if os.geteuid() != 0:
        return argv
    return ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + argv


def fresh_folder(parent, name):
    path = os.path.join(parent, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    if os.geteuid() == 0:
        os.chmod(path, 0o777)
    return path


def tree(root):
    """Every entry below root: kind, content hash or link target, mode, time.
    The modes are compared as umask 022 leaves them: bsdtar -p keeps a
    member without a mode at 0666, we give it 0666 less the umask."""
    out = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root)
            st = os.lstat(path)
            if os.path.islink(path):
                out[rel] = ("link", os.readlink(path))
            elif os.path.isdir(path):
                out[rel] = ("dir", oct(st.st_mode & 0o7755))
            else:
                with open(path, "rb") as f:
                    digest = hashlib.sha256(f.read()).hexdigest()[:16]
                out[rel] = ("file", digest, oct(st.st_mode & 0o7755), int(st.st_mtime))
    return out


def uudecode(path):
    data = bytearray()
    for line in open(path, encoding="ascii", errors="replace").read().splitlines()[1:]:
        if line == "end":
            break
        if line:
            # Some encoders pad lines beyond their count; take what it says.
            count = (ord(line[0]) - 32) & 63
            data += binascii.a2b_uu(line[: 1 + (count * 4 + 2) // 3])
    return bytes(data)


def score_libarchive(build, sources, work):
    tests = os.path.join(source_tree(sources, "libarchive"), "libarchive", "test")
    passed, results = 0, []
    for uu in sorted(glob.glob(os.path.join(tests, "test_read_format_lha*.lzh.uu"))):
        name = os.path.basename(uu)[: -len(".uu")]
        archive = os.path.join(work, name)
        with open(archive, "wb") as f:
            f.write(uudecode(uu))
        os.chmod(archive, 0o644)
        ref, ours = fresh_folder(work, "ref"), fresh_folder(work, "ours")
        # libarchive's own test reads the Shift_JIS one with this option.
        options = ["--options", "hdrcharset=CP932"] if "cp932" in name else []
        subprocess.run(as_unprivileged(["bsdtar", "-xpf", archive] + options), cwd=ref,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        run = subprocess.run(as_unprivileged([os.path.join(build, "unlha"), "x", "-c", archive, ours + "/"]),
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
        want, got = tree(ref), tree(ours)
        ok = run.returncode == 0 and want == got and want
        passed += bool(ok)
        if not ok:
            diff = sorted(set(want.items()) ^ set(got.items()))
            results.append(f"  {name}: exit {run.returncode} {run.stdout.strip()[:200]} {diff[:4]}")
    return passed, len(results) + passed, results


def lhasa_members(hdr_file):
    """The members lhasa's -hdr.txt lists, each a dict of its fields."""
    members, current, key = [], {}, None
    for line in open(hdr_file, encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        if line == "--":
            members.append(current)
            current = {}
        elif ": " in line:
            key, value = line.split(": ", 1)
            current[key] = value
        elif current:  # a name that holds a line feed
            current[key] += "\n" + line
    return members


def escapes(path, target=None):
    parts = path.split("/")
    if ".." in parts:
        return True
    if target is None:
        return False
    if target.startswith("/"):
        return True
    depth = len(parts) - 1
    for part in target.split("/"):
        depth += -1 if part == ".." else (0 if part in ("", ".") else 1)
        if depth < 0:
            return True
    return False


def score_lhasa(build, sources, work):
    test = os.path.join(source_tree(sources, "lhasa"), "test")
    unlha = os.path.join(build, "unlha")
    env = dict(os.environ, TZ="Europe/London")
    passed, results = 0, []
    for hdr in sorted(glob.glob(os.path.join(test, "output", "*", "*-hdr.txt"))):
        rel = os.path.relpath(hdr, os.path.join(test, "output"))[: -len("-hdr.txt")]
        archive = os.path.join(test, "archives", rel)
        if not os.path.exists(archive):
            continue
        out = fresh_folder(work, "x")
        wrong = []
        t = subprocess.run([unlha, "t", archive], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           text=True, errors="replace")
        # Where lhasa finds damage, finding it too is the score.
        expected_t = os.path.join(test, "output", rel + "-t.txt")
        damaged = os.path.exists(expected_t) and "error" in open(expected_t, errors="replace").read().lower()
        if damaged:
            if t.returncode == 0:
                results.append(f"  {rel}: t passes where lhasa finds damage")
            else:
                passed += 1
            continue
        if t.returncode != 0:
            wrong.append(f"t exits {t.returncode}: {t.stdout.strip()[:160]}")
        subprocess.run(as_unprivileged([unlha, "x", "-c", archive, out + "/"]), env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        extracted = {os.path.relpath(os.path.join(d, n), out).lower(): os.path.join(d, n)
                     for d, dirs, files in os.walk(out) for n in dirs + files}
        for m in lhasa_members(hdr):
            path = (m.get("path", "") + m.get("filename", "")).lstrip("/").rstrip("/")
            target = m.get("symlink_target")
            if not path or escapes(path, target):
                continue
            where = extracted.get(path.lower())
            if where is None:
                wrong.append(f"{path} missing")
                continue
            st = os.lstat(where)
            if target is not None:
                if not os.path.islink(where) or os.readlink(where) != target:
                    wrong.append(f"{path}: not a link to {target}")
                continue
            if "timestamp" in m and m.get("compress_method") != "-lhd-" and int(st.st_mtime) != int(m["timestamp"]):
                wrong.append(f"{path}: time {int(st.st_mtime)}, lhasa {m['timestamp']}")
            if "unix_perms" in m and oct(st.st_mode)[-3:] != m["unix_perms"][-3:]:
                wrong.append(f"{path}: mode {oct(st.st_mode)[-3:]}, lhasa {m['unix_perms'][-3:]}")
        if wrong:
            results.append(f"  {rel}: " + "; ".join(wrong[:3]))
        else:
            passed += 1
    return passed, passed + len(results), results


def score_classic(build, lha_cli):
    run = subprocess.run([os.path.join(HERE, "..", "tests", "lha", "expected_listings.sh"), os.path.join(build, "lha"),
                          os.path.join(HERE, "..", "tests", "corpus"), lha_cli],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    last = run.stdout.strip().splitlines()[-2:]
    m = re.search(r"(\d+) of (\d+) outputs match", run.stdout)
    return (int(m.group(1)), int(m.group(2)), last) if m else (0, 0, last)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("build")
    ap.add_argument("--sources", help="where the source packages are (or go)")
    ap.add_argument("--lha-cli", default="/work/shared/lha-cli/expected")
    args = ap.parse_args()
    build = os.path.abspath(args.build)
    with tempfile.TemporaryDirectory() as tmp:
        os.chmod(tmp, 0o755)
        sources = os.path.abspath(args.sources) if args.sources else tmp
        os.makedirs(sources, exist_ok=True)
        for name, (ok, total, notes) in (("libarchive", score_libarchive(build, sources, tmp)),
                                         ("lhasa", score_lhasa(build, sources, tmp)),
                                         ("classic", score_classic(build, args.lha_cli))):
            print(f"{name}: {ok}/{total}")
            for n in notes:
                print(n)
    return 0


if __name__ == "__main__":
    sys.exit(main())
