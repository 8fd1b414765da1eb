#!/usr/bin/env bash
# Makes lh2.lzh, lh3.lzh and lh2_early.lzh here with LHa for Java (Debian's
# jlha-utils; javac from a JDK), from content made the same way each time.
# Run it again only to change them: the tests read the archives, not this.
#
# The members of lh2.lzh and lh3.lzh start with 64 bytes in which nothing
# repeats.  LHa for Java counts the uses of the first -lh2- position code
# made before the second one comes in (at 64 bytes of output), where the
# other -lh2- coders do not; with no match in those bytes the two agree.
# lh2_early.lzh has matches there: only a reader that knows LHa for Java's
# way (its headers say OS id J) reads it right.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import random, sys
out = sys.argv[1]
head = b"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+-\n"
rnd = random.Random(2024)

# Text: words from a small vocabulary, lines of varied length.
words = ["lzh", "archive", "member", "header", "level", "window", "huffman", "code",
         "length", "position", "block", "static", "dynamic", "tree", "weight", "symbol",
         "the", "a", "of", "and", "to", "in", "is", "it", "that", "for", "on", "with"]
text = bytearray(head)
while len(text) < 20_000:
    line = " ".join(rnd.choice(words) for _ in range(rnd.randint(3, 14)))
    text += (line.capitalize() + ".\n").encode()
open(f"{out}/words.txt", "wb").write(text)

# Short runs of one byte and copies of what came shortly before, then one
# long run: over 32,768 matches and 65,536 symbols, so that both -lh2-
# codes are halved and rebuilt on the way and -lh3- needs two blocks.
data = bytearray(head)
for _ in range(40_000):
    if rnd.random() < 0.85:
        data += bytes([rnd.choice(b"\x00\x01\x02\x03\x10\x20\x40\x80\xff ABCDEF")]) * rnd.randint(4, 12)
    else:
        n = rnd.randint(3, 60)
        start = len(data) - rnd.randint(n, min(len(data), 8000))
        data += data[start:start + n]
data += b"U" * (256 * 20_000)
open(f"{out}/runs.bin", "wb").write(data)

# Bytes of every value, the rarer the higher: codes of many lengths, up
# to long ones, and few matches.
# Matches from the fourth byte on, many of them before 64 bytes are out
# (a generator of its own: the other files stay as they were).
own = random.Random(64)
early = bytearray(b"abcabcabcabc hello hello hello world world ") * 3
while len(early) < 6_000:
    early += own.choice([b"hello ", b"world ", b"abc", b"\n"]) * own.randint(1, 4)
open(f"{out}/early.txt", "wb").write(early)

noise = bytearray(head) + bytes(rnd.choices(range(256), weights=[1 / (k + 1) for k in range(256)], k=8_000))
open(f"{out}/noise.bin", "wb").write(noise)
PY

javac -cp /usr/share/java/jlha.jar -d "$work" "$here/MakeLh23.java"
cd "$work"
java -cp /usr/share/java/jlha.jar:. MakeLh23 -lh2- "$here/lh2.lzh" words.txt runs.bin noise.bin
java -cp /usr/share/java/jlha.jar:. MakeLh23 -lh3- "$here/lh3.lzh" words.txt runs.bin noise.bin
java -cp /usr/share/java/jlha.jar:. MakeLh23 -lh2- "$here/lh2_early.lzh" early.txt
ls -l "$here"/lh2.lzh "$here"/lh3.lzh "$here"/lh2_early.lzh
python3 -c 'import hashlib, sys, zlib; d = open(sys.argv[1], "rb").read(); print(len(d), "%08x" % zlib.crc32(d), hashlib.sha256(d).hexdigest())' early.txt
