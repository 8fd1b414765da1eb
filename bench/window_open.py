#!/usr/bin/env python3
"""The window opening a large archive, beside `unlha l` of the same archive.

For archives of 10,000, 100,000 and 300,000 small members (made once with
`unlha a` from a tree of small files, kept in --work), each round runs, in
turn and in alternating order:
  unlha l ARCHIVE > /dev/null     the listing alone
  morvane ARCHIVE                 the real window under a private Xvfb, from
                                  its start to the list's first paint (the
                                  program's morvane.paint trace line), which
                                  takes the listing, its parse and the rows
and prints medians, the ratio paired within each round (median of the
rounds' ratios), whether that ratio grows from one size to the next (it
must not: the open is linear, as `unlha l` is), and the open's own time per
member (the window's less its start-up with no archive) for reference.
Goals: the 300,000-member open within 2x `unlha l`, and the ratio not
growing by more than 10% from one size to the next. Exits 1 when a goal is
missed.
"""
import argparse
import os
import select
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SIZES = (10_000, 100_000, 300_000)
PER_FOLDER = 1000


def make_archive(unlha, work, members):
    """An archive of `members` small files in folders of 1000, made once."""
    archive = os.path.join(work, f"members-{members}.lzh")
    if os.path.exists(archive):
        return archive
    tree = os.path.join(work, f"tree-{members}")
    shutil.rmtree(tree, ignore_errors=True)
    for n in range(members):
        folder = os.path.join(tree, f"d{n // PER_FOLDER:03d}")
        if n % PER_FOLDER == 0:
            os.makedirs(folder)
        with open(os.path.join(folder, f"f{n % PER_FOLDER:04d}.txt"), "w") as f:
            f.write(f"member {n}\n")
    subprocess.run([unlha, "a", archive + ".part"] + sorted(os.listdir(tree)), cwd=tree, check=True,
                   stdout=subprocess.DEVNULL)
    os.rename(archive + ".part", archive)
    shutil.rmtree(tree)
    return archive


def start_x():
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    display = b""
    while not display.endswith(b"\n"):
        if not select.select([read], [], [], 10)[0]:
            sys.exit("bench: Xvfb did not start")
        display += os.read(read, 64)
    os.close(read)
    return xvfb, ":" + display.decode().strip()


def time_listing(unlha, archive):
    t0 = time.perf_counter()
    subprocess.run([unlha, "l", archive], stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - t0


def time_window(morvane, archive, env, cwd):
    """Seconds from the program's start to the list's first paint."""
    t0 = time.perf_counter()
    p = subprocess.Popen([morvane] + ([archive] if archive else []), stderr=subprocess.PIPE, env=env, cwd=cwd)
    try:
        for line in p.stderr:
            if b"first paint" in line:
                return time.perf_counter() - t0
        sys.exit(f"bench: morvane {archive} ended without painting its list")
    finally:
        p.kill()
        p.wait()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--work", default="/dev/shm/morvane-window-bench")
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--sizes", default=",".join(str(s) for s in SIZES))
    args = ap.parse_args()
    unlha, morvane = os.path.join(args.build, "unlha"), os.path.join(args.build, "morvane")
    sizes = [int(s) for s in args.sizes.split(",")]
    os.makedirs(args.work, exist_ok=True)
    archives = {n: make_archive(unlha, args.work, n) for n in sizes}

    xvfb, display = start_x()
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", QT_LOGGING_RULES="morvane.paint.debug=true")
    env.setdefault("XDG_RUNTIME_DIR", args.work)
    run_dir = os.path.join(args.work, "run")
    os.makedirs(run_dir, exist_ok=True)
    rows, missed, per_member, ratios_of = [], [], {}, {}
    try:
        start = statistics.median(time_window(morvane, None, env, run_dir) for _ in range(args.runs))
        rows.append(("empty window (start-up)", "", f"{start:.3f}s", "", "", ""))
        for n in sizes:
            t_l, t_w, ratios = [], [], []
            for r in range(args.runs):
                pair = [("l", lambda: time_listing(unlha, archives[n])),
                        ("w", lambda: time_window(morvane, archives[n], env, run_dir))]
                if r % 2:
                    pair.reverse()
                got = {k: f() for k, f in pair}
                t_l.append(got["l"])
                t_w.append(got["w"])
                ratios.append(got["w"] / got["l"])
            ratio = statistics.median(ratios)
            ratios_of[n] = ratio
            # The open's own part: the empty window's start-up taken off.
            per_member[n] = (statistics.median(t_w) - start) / n
            goal = "<= 2.00" if n == max(sizes) else ""
            ok = "ok" if not goal or ratio <= 2.0 else "MISSED"
            if ok == "MISSED":
                missed.append(f"{n} members")
            rows.append((f"{n:,} members", f"{statistics.median(t_l):.3f}s", f"{statistics.median(t_w):.3f}s",
                         f"{ratio:.2f}", goal, ok))
            print(f"  {n} members done", file=sys.stderr)
    finally:
        xvfb.kill()
        xvfb.wait()

    head = ("archive", "unlha l", "window", "ratio", "goal", "")
    widths = [max(len(r[i]) for r in rows + [head]) for i in range(6)]
    print(f"median of {args.runs} runs; ratio = median of each round's window / unlha l; work {args.work}")
    for r in [head] + rows:
        print("  ".join(c.ljust(widths[i]) for i, c in enumerate(r)).rstrip())
    ordered = sorted(per_member)
    for small, large in zip(ordered, ordered[1:]):
        # Linear: against `unlha l` of the same archive (itself linear, and
        # timed in the same rounds), the window does not fall behind as the
        # archive grows.
        growth = ratios_of[large] / ratios_of[small]
        ok = growth <= 1.10
        print(f"{large:,} vs {small:,} members: window / unlha l {ratios_of[small]:.2f} -> {ratios_of[large]:.2f} "
              f"({growth:.2f}, goal <= 1.10) {'ok' if ok else 'MISSED'}; the open's own time per member "
              f"{per_member[small] * 1e6:.2f} -> {per_member[large] * 1e6:.2f} us")
        if not ok:
            missed.append(f"growth {small}->{large}")
    if missed:
        print(f"missed: {', '.join(missed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
