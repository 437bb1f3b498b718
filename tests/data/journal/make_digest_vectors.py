#!/usr/bin/env python3
"""Writes digest_vectors.txt: test vectors for the journal signature.

The signature uses the SHA-1 rounds with four changes of the stored format:
  1. the 16 message words of a block are read little-endian;
  2. the message ends with one 01 byte (not 80), then zeros; word 15 of the
     final block holds the message length in bytes as a 32-bit number, word 14
     stays 0;
  3. when the last block holds more than 55 message bytes, the 01 byte and
     zeros complete it and one more block of zeros with the length follows;
  4. the digest text is H0..H4, each word least significant byte first, as
     40 lower-case hexadecimal digits.

This script is written from those four rules alone. Its compression function
is first checked against hashlib.sha1 by running it with the ordinary SHA-1
padding and byte order, so the vectors stand independently of the C++ code.

Run:  python3 make_digest_vectors.py > digest_vectors.txt
"""

import hashlib
import struct
import sys

MASK = 0xFFFFFFFF


def rotl(x, n):
    return ((x << n) | (x >> (32 - n))) & MASK


def compress(state, words):
    w = list(words)
    for t in range(16, 80):
        w.append(rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1))
    a, b, c, d, e = state
    for t in range(80):
        if t < 20:
            f, k = (b & c) | (~b & d), 0x5A827999
        elif t < 40:
            f, k = b ^ c ^ d, 0x6ED9EBA1
        elif t < 60:
            f, k = (b & c) | (b & d) | (c & d), 0x8F1BBCDC
        else:
            f, k = b ^ c ^ d, 0xCA62C1D6
        temp = (rotl(a, 5) + (f & MASK) + e + k + w[t]) & MASK
        a, b, c, d, e = temp, a, rotl(b, 30), c, d
    return [(x + y) & MASK for x, y in zip(state, (a, b, c, d, e))]


INITIAL = [0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0]


def plain_sha1(message):
    """Ordinary SHA-1 built on compress(), only to check compress()."""
    padded = message + b"\x80"
    padded += b"\x00" * ((56 - len(padded) % 64) % 64)
    padded += struct.pack(">Q", len(message) * 8)
    state = INITIAL
    for i in range(0, len(padded), 64):
        state = compress(state, struct.unpack(">16I", padded[i:i + 64]))
    return b"".join(struct.pack(">I", x) for x in state).hex()


def journal_digest(message):
    tail = len(message) % 64
    padded = message + b"\x01"
    if tail > 55:
        padded += b"\x00" * ((64 - len(padded) % 64) % 64)
    padded += b"\x00" * (60 - len(padded) % 64)
    assert len(padded) % 64 == 60
    padded += struct.pack("<I", len(message) & MASK)
    assert len(padded) == (len(message) // 64 + (2 if tail > 55 else 1)) * 64
    state = INITIAL
    for i in range(0, len(padded), 64):
        state = compress(state, struct.unpack("<16I", padded[i:i + 64]))
    return b"".join(struct.pack("<I", x) for x in state).hex()


def pattern(length):
    """The message the C++ test rebuilds for a "pattern" vector."""
    return bytes((i * 37 + 11) & 0xFF for i in range(length))


def check_core():
    for m in [b"", b"abc", b"a" * 55, b"a" * 56, b"a" * 64, pattern(1000)]:
        assert plain_sha1(m) == hashlib.sha1(m).hexdigest(), m[:8]


def main():
    check_core()
    out = sys.stdout
    out.write("# Journal signature test vectors, written by make_digest_vectors.py.\n")
    out.write("# text <hex of message or -> <digest> | pattern <length> <digest>\n")
    out.write("# pattern: byte i = (i * 37 + 11) mod 256\n")
    texts = [b"", b"abc", b"*", b"\r\n", "Tarvik \u017eurn\u00e1l".encode("cp1250")]
    for m in texts:
        out.write("text %s %s\n" % (m.hex() or "-", journal_digest(m)))
    lengths = [1, 2, 3, 4, 5, 54, 55, 56, 57, 60, 62, 63, 64, 65, 100, 119, 120, 127, 128, 129,
               1000, 4096, 65535, 65536, 65537, 1000000]
    for n in lengths:
        out.write("pattern %d %s\n" % (n, journal_digest(pattern(n))))


if __name__ == "__main__":
    main()
