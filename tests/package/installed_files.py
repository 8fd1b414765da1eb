#!/usr/bin/env python3
"""What `cmake --install` puts in place besides the programs, checked as a
person and a desktop would meet it:

- every file where it belongs: programs, library, manual pages, desktop
  entry, MIME type, AppStream metadata, icons of every size;
- the manual pages: no groff warnings (what lintian looks for); lha's page
  has every key and modifier its parser knows, unlha's every command of its
  usage, every result of unlha32.h and UNLHA_LOCK_WAIT, morvane's its
  options;
- the desktop entry and the metadata pass desktop-file-validate and
  appstreamcli validate; the PNG icons are renderings of the SVG;
- one version: lha and unlha --version, the pages, the metadata and
  debian/changelog say the build's.

    installed_files.py BUILD_DIR SOURCE_DIR VERSION
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

failures = []


def fail(what):
    failures.append(what)
    print("FAIL: " + what)


def run(*cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def tag_text(line):
    """A .TP paragraph's tag line as text: `.BR x ", " e` is "x, e"."""
    if not line.startswith("."):
        words = [line]
        joined = " "
    else:
        macro, _, rest = line[1:].partition(" ")
        words = [q if q or not w else w for q, w in re.findall(r'"([^"]*)"|(\S+)', rest)]
        # .B and .I join their words with blanks, the alternating macros without.
        joined = " " if macro in ("B", "I") else ""
    text = joined.join(words)
    text = re.sub(r"\\f[BIRP]|\\c|\\%", "", text)
    return text.replace("\\-", "-").replace("\\(dq", '"')


def sections(path):
    """Heading -> the tags of its .TP paragraphs, split at ", "."""
    found, current = {}, None
    lines = open(path, encoding="utf-8").read().splitlines()
    for i, line in enumerate(lines):
        if line.startswith(".SH "):
            current = found.setdefault(line[4:].strip().strip('"'), [])
        elif line == ".TP" and current is not None and i + 1 < len(lines):
            current.extend(tag_text(lines[i + 1]).split(", "))
    return found


def check_page(path, name, version):
    env = dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80")
    warned = run("man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", path, env=env).stderr
    if warned.strip():
        fail(f"{name}.1: groff warns: {warned.strip()}")
    if not re.search(rf'^\.TH {name.upper()} 1 "[^"]*" "Morvane {re.escape(version)}"', open(path, encoding="utf-8").read(), re.M):
        fail(f"{name}.1: its title line does not say Morvane {version}")
    return sections(path)


def expect_tags(page, section, tags, wanted):
    missing = [w for w in wanted if w.lower() not in {t.lower() for t in tags.get(section, [])}]
    if missing:
        fail(f"{page}.1: {section} lacks {' '.join(missing)} (has {' '.join(tags.get(section, []))})")


def main():
    build, source, version = sys.argv[1:4]
    gui = os.path.exists(os.path.join(build, "morvane"))
    with tempfile.TemporaryDirectory() as work:
        prefix = os.path.join(work, "prefix")
        r = run("cmake", "--install", build, "--prefix", prefix)
        if r.returncode:
            fail("cmake --install: " + r.stderr)
            return 1
        share = os.path.join(prefix, "share")
        wanted = ["bin/lha", "bin/unlha", "lib/morvane/libunlha32.so", "share/man/man1/lha.1", "share/man/man1/unlha.1"]
        if gui:
            wanted += ["bin/morvane", "share/man/man1/morvane.1", "share/applications/morvane.desktop",
                       "share/mime/packages/morvane-lzh.xml", "share/metainfo/io.github.morvane.Morvane.metainfo.xml",
                       "share/icons/hicolor/scalable/apps/morvane.svg"]
            wanted += [f"share/icons/hicolor/{n}x{n}/apps/morvane.png" for n in (16, 22, 24, 32, 48, 64, 128, 256)]
        for f in wanted:
            if not os.path.isfile(os.path.join(prefix, f)):
                fail(f"{f} was not installed")

        man1 = os.path.join(share, "man", "man1")
        lha, unlha = os.path.join(build, "lha"), os.path.join(build, "unlha")

        # lha: the keys and modifiers its parser names when given a wrong one.
        keys = re.search(r"commands: ([^)]*)\)", run(lha, "k", "x.lzh").stderr)
        modifiers = re.search(r"modifiers: ([^)]*)\)", run(lha, "lK", "x.lzh").stderr)
        tags = check_page(os.path.join(man1, "lha.1"), "lha", version)
        if not keys or not modifiers:
            fail("lha no longer names its keys and modifiers in its errors")
        else:
            expect_tags("lha", "KEYS", tags, keys.group(1).split())
            expect_tags("lha", "MODIFIERS", tags, modifiers.group(1).split())
        expect_tags("lha", "EXIT STATUS", tags, ["0", "1", "2"])
        expect_tags("lha", "ENVIRONMENT", tags, ["UNLHA_LOCK_WAIT"])

        # unlha: the verbs of its usage, the results of the library's header.
        usage = run(unlha, "--help").stdout
        verbs = re.findall(r"^  unlha ([a-z]) ", usage, re.M)
        header = open(os.path.join(source, "lzh", "include", "unlha32.h"), encoding="utf-8").read()
        results = re.findall(r"^\s*UNLHA_\w+ = (\d+)", header, re.M)
        tags = check_page(os.path.join(man1, "unlha.1"), "unlha", version)
        commands = [t.split()[0] for t in tags.get("COMMANDS", [])]
        for v in verbs + ["--help", "--version"]:
            if v not in commands:
                fail(f"unlha.1: COMMANDS lacks {v}")
        if len(results) < 10:
            fail("unlha32.h: the results were not found")
        expect_tags("unlha", "EXIT STATUS", tags, results)
        expect_tags("unlha", "ENVIRONMENT", tags, ["UNLHA_LOCK_WAIT"])

        if gui:
            tags = check_page(os.path.join(man1, "morvane.1"), "morvane", version)
            expect_tags("morvane", "OPTIONS", tags, ["--help", "--version"])
            desktop = os.path.join(share, "applications", "morvane.desktop")
            r = run("desktop-file-validate", desktop)
            if r.returncode or r.stdout.strip():
                fail("desktop-file-validate: " + r.stdout + r.stderr)
            metainfo = os.path.join(share, "metainfo", "io.github.morvane.Morvane.metainfo.xml")
            r = run("appstreamcli", "validate", "--no-net", metainfo)
            if r.returncode:
                fail("appstreamcli validate: " + r.stdout + r.stderr)
            releases = [e.get("version") for e in ET.parse(metainfo).getroot().iter("release")]
            if releases[:1] != [version]:
                fail(f"the metadata's latest release is {releases[:1]}, not {version}")
            r = run(os.path.join(source, "scripts", "make-icons.sh"), "--check")
            if r.returncode:
                fail(r.stdout + r.stderr)

        # One version.
        for program, name in ((lha, "lha"), (unlha, "unlha")):
            said = run(program, "--version").stdout.strip()
            if said != f"{name} (Morvane) {version}":
                fail(f"{name} --version says '{said}'")
        changelog = open(os.path.join(source, "debian", "changelog"), encoding="utf-8").readline()
        m = re.match(r"^morvane \(([^)]+)\)", changelog)
        if not m or m.group(1) != version:
            fail(f"debian/changelog's latest entry is {m.group(1) if m else '?'}, the build's version {version}")
    print(f"installed_files: {len(failures)} failures" if failures else "installed_files: all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
