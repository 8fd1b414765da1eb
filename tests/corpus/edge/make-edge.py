#!/usr/bin/env python3
"""Writes the hand-made edge archives of this folder (stored members, level-2
headers with a header CRC), whose listings the library and the window's
parser tests both read:

  huge.lzh   a member that claims 20 GiB (64-bit size header, no data behind
             it), then an ordinary one: the listing must keep its columns
  names.lzh  names with a double quote, a line feed, "%", "*" and "?" beside
             the decoys a loose reading of them would also take
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data, crc=0):
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def ext(kind, data):
    return bytes([kind]) + data


def member(path, data, original=None, mtime=1700000000):
    parts = path.split("/")
    exts = [ext(0x00, b"\0\0"), ext(0x46, struct.pack("<I", 65001)), ext(0x01, parts[-1].encode())]
    if len(parts) > 1:
        exts.append(ext(0x02, b"".join(p.encode() + b"\xff" for p in parts[:-1])))
    exts.append(ext(0x50, struct.pack("<H", 0o100644)))
    if original is not None:
        exts.append(ext(0x42, struct.pack("<QQ", len(data), original)))
    chain = b""
    for i, e in enumerate(exts):
        nxt = len(exts[i + 1]) + 2 if i + 1 < len(exts) else 0
        chain += e + struct.pack("<H", nxt)
    size = original if original is not None else len(data)
    base = struct.pack("<H5sIIIBBHBH", 0, b"-lh0-", len(data), size & 0xFFFFFFFF, mtime, 0x20, 2,
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
