#!/usr/bin/env python3
"""Writes the archives of this folder, laid out byte for byte as other LZH
programs lay them out where no real archive of theirs is at hand; the
command-line cases (tests/cli) read them.

  links_l0.lzh, links_l1.lzh, links_l2.lzh
      a.txt, the link dir/up -> ../a.txt and z.txt at each level, the link
      as the classic Unix lha writes it: its whole "dir/up|../a.txt" split at
      the last separator (level 0: one name with "\\" for separators)
  links_old.lzh
      the same link at levels 1 and 2 with "up|../a.txt" whole in the name,
      as this project wrote links before
  ff_names.lzh
      level-0 and level-1 names with 0xFF between their parts (the classic
      lha's UTF-8 builds write them so) and one with "\\"
  ff_dotdot.lzh
      hostile: "..\\xff" climbing out of the folder, and a file beside it
  euc.lzh, cap.lzh
      "test-tmp-日本語.file" in EUC-JP at levels 0, 1 and 2, and in the CAP
      form (":93:fa:96{:8c:ea"), with no code-page header, as the classic
      lha's --archive-kanji-code writes them
  no_crc.lzh
      a level-0 member without a CRC field
  empty_name.lzh
      a member with an empty name and damaged data, then a sound one

Run it again only to change them: the tests read the archives, not this.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing left beside the archives
sys.path.insert(0, os.path.dirname(HERE))
from lzh_crc import crc16  # noqa: E402
STAMP = 1262304000  # 2010-01-01 00:00:00 UTC
DOS_STAMP = (30 << 25) | (1 << 21) | (1 << 16)  # the same day, at 00:00 local time


def chain(exts):
    """Extension headers (type, data), each with the size of the next; and
    the size of the first."""
    out = b""
    for i, (kind, data) in enumerate(exts):
        nxt = len(exts[i + 1][1]) + 3 if i + 1 < len(exts) else 0
        out += bytes([kind]) + data + struct.pack("<H", nxt)
    return out, (len(exts[0][1]) + 3 if exts else 0)


def member(level, name, data=b"", method=b"-lh0-", mode=None, folder=None, os_id=b"U", crc=True, crc_delta=0):
    """One member: `name` and `folder` as raw bytes; `mode` a Unix mode."""
    check = (crc16(data) + crc_delta) & 0xFFFF
    if level == 0:
        h = struct.pack("<5sIIIBBB", method, len(data), len(data), DOS_STAMP, 0x20, 0, len(name)) + name
        if crc:
            h += struct.pack("<H", check)
        if mode is not None:
            h += b"U\0" + struct.pack("<IHHH", STAMP, mode, 0, 0)
        h = bytes([len(h), sum(h) & 0xFF]) + h
        return h + data
    exts = [(0x00, b"\0\0")]
    if level == 2:
        exts.append((0x01, name))
    if folder is not None:
        exts.append((0x02, folder))
    if mode is not None:
        exts.append((0x50, struct.pack("<H", mode)))
    if level == 1:
        exts.append((0x54, struct.pack("<I", STAMP)))
    ext, first = chain(exts)
    if level == 1:
        base = struct.pack("<5sIIIBBB", method, len(data) + len(ext), len(data), DOS_STAMP, 0x20, 1, len(name))
        base += name + struct.pack("<H", check) + os_id + struct.pack("<H", first)
        base = bytes([len(base), sum(base) & 0xFF]) + base
        h = bytearray(base + ext)
        crc_at = len(base) + 1  # the CRC extension comes first
    else:
        h = bytearray(struct.pack("<H5sIIIBBHcH", 0, method, len(data), len(data), STAMP, 0x20, 2, check, os_id, first) + ext)
        if len(h) & 0xFF == 0:
            h += b"\0"
        struct.pack_into("<H", h, 0, len(h))
        crc_at = 27
    struct.pack_into("<H", h, crc_at, crc16(bytes(h)))
    return bytes(h) + data


def write(name, members):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"".join(members) + b"\0")


FILE, FOLDER, LINK = 0o100644, 0o40755, 0o120777
for level in (0, 1, 2):
    if level == 0:
        link = member(0, b"dir\\up|..\\a.txt", method=b"-lhd-", mode=LINK)
        folder = member(0, b"dir\\", method=b"-lhd-", mode=FOLDER)
    else:
        link = member(level, b"a.txt", method=b"-lhd-", mode=LINK, folder=b"dir\xffup|..\xff")
        folder = member(level, b"", method=b"-lhd-", mode=FOLDER, folder=b"dir\xff")
    write(f"links_l{level}.lzh", [member(level, b"a.txt", b"hello\n", mode=FILE), folder, link,
                                  member(level, b"z.txt", b"z\n", mode=FILE)])
write("links_old.lzh", [member(1, b"up|..\\a.txt", method=b"-lhd-", mode=LINK, folder=b"l1\xff"),
                        member(2, b"up|../a.txt", method=b"-lhd-", mode=LINK, folder=b"l2\xff")])

write("ff_names.lzh", [member(0, b"tree\xffascii.txt", b"level 0\n", mode=FILE),
                       member(1, b"tree\xffsub\xff\x83\x5c.txt", b"level 1\n", mode=FILE),
                       member(0, b"dos\\\x95\x5c.txt", b"backslash\n")])
write("ff_dotdot.lzh", [member(0, b"..\xffescaped.txt", b"outside\n"),
                        member(1, b"tree\xff..\xff..\xffescaped.txt", b"outside\n"),
                        member(0, b"inside.txt", b"inside\n")])

name = "test-tmp-日本語.file"
euc = name.encode("euc_jp")
sjis = name.encode("cp932")
cap = b"".join(b":%02x" % b if b >= 0x80 else bytes([b]) for b in sjis)
write("euc.lzh", [member(level, euc, b"", mode=0o100664) for level in (0, 1, 2)])
write("cap.lzh", [member(2, cap, b"", mode=0o100664)])

write("no_crc.lzh", [member(0, b"NOCRC.TXT", b"no crc here\n", crc=False)])
write("empty_name.lzh", [member(2, b"", b"damaged\n", crc_delta=1), member(2, b"after.txt", b"after\n")])
