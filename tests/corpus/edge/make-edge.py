#!/usr/bin/env python3
"""Writes the hand-made edge archives of this folder (stored members, level-2
headers with a header CRC), whose listings the library and the window's
parser tests both read:

  huge.lzh   a member that claims 20 GiB (64-bit size header, no data behind
             it), then an ordinary one: the listing must keep its columns
  names.lzh  names with a double quote, a line feed, "%", "*" and "?" beside
             the decoys a loose reading of them would also take

and the archives whose listings the window's tests answer for the library:
one, two, three, abc, routing, memo, folders, file_and_folder, japanese
(Shift_JIS names) and many (3000 members).
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing left beside the archives
sys.path.insert(0, os.path.dirname(HERE))
from lzh_crc import crc16  # noqa: E402


def ext(kind, data):
    return bytes([kind]) + data


def member(path, data, original=None, mtime=1700000000, encoding="utf-8"):
    folder = path.endswith("/")
    parts = path.rstrip("/").split("/")
    code_page = 932 if encoding == "cp932" else 65001
    file_part = b"" if folder else parts[-1].encode(encoding)
    dirs = parts if folder else parts[:-1]
    exts = [ext(0x00, b"\0\0"), ext(0x46, struct.pack("<I", code_page)), ext(0x01, file_part)]
    if dirs:
        exts.append(ext(0x02, b"".join(p.encode(encoding) + b"\xff" for p in dirs)))
    exts.append(ext(0x50, struct.pack("<H", 0o40755 if folder else 0o100644)))
    if original is not None:
        exts.append(ext(0x42, struct.pack("<QQ", len(data), original)))
    chain = b""
    for i, e in enumerate(exts):
        nxt = len(exts[i + 1]) + 2 if i + 1 < len(exts) else 0
        chain += e + struct.pack("<H", nxt)
    size = original if original is not None else len(data)
    base = struct.pack("<H5sIIIBBHBH", 0, b"-lhd-" if folder else b"-lh0-", len(data), size & 0xFFFFFFFF, mtime, 0x20, 2,
                       crc16(data), ord("U"), len(exts[0]) + 2)
    h = bytearray(base + chain)
    struct.pack_into("<H", h, 0, len(h))
    crc_at = len(base) + 1  # the CRC extension comes first
    struct.pack_into("<H", h, crc_at, crc16(bytes(h)))
    return bytes(h) + data


def write(name, members):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"".join(members) + b"\0")


write("huge.lzh", [member("huge/disk.img", b"", original=20 * 1024**3), member("after.txt", b"after\n")])
write("names.lzh", [member(p, ("content of " + p).encode())
                    for p in ['a"b', "axb", "sub/axb", "a\nb", "100%.txt", "*.*", "with blank"]])


def text(n, seed):
    words = ["archive", "member", "folder", "list", "row", "name", "size"]
    out, i = [], seed
    while sum(map(len, out)) < n:
        out.append(words[i % len(words)] + " " + str(i * 37 % 1001) + "\n")
        i += 1
    return "".join(out)[:n].encode()


def simple(name, paths):
    """Members with contents of their own; a path ending in "/" is a folder."""
    write(name, [member(p, b"" if p.endswith("/") else text(n, i)) for i, (p, n) in enumerate(paths)])


simple("one.lzh", [("a.txt", 1)])
simple("two.lzh", [("readme.txt", 6), ("docs/numbers.txt", 13893)])
simple("three.lzh", [("readme.txt", 6), ("docs/numbers.txt", 13893), ("my docs/a long name.txt", 10)])
simple("abc.lzh", [("a.txt", 1), ("b.txt", 1), ("c.txt", 1)])
simple("routing.lzh", [("first.txt", 1), ("sub/second.txt", 2), ("third.txt", 3)])
simple("memo.lzh", [("a/memo.txt", 6), ("b/memo.txt", 7)])
simple("folders.lzh", [("docs/", 0), ("docs/readme.txt", 2), ("docs/sub/", 0), ("docs/sub/x.txt", 2),
                       ("readme.txt", 1), ("docs2.txt", 1)])
simple("file_and_folder.lzh", [("a", 1), ("a/x", 1), ("d/", 0), ("d/y", 1)])
write("japanese.lzh", [member("フォルダ/表.txt", b"x", encoding="cp932"),
                       member("表示テスト.txt", text(120, 3), encoding="cp932")])
write("many.lzh", [member("some/folder/file%d.txt" % i, b"") for i in range(3000)])
