#!/usr/bin/env python3
"""mixed-data.py SIZE_MB OUT: half random, half English text, in alternating
64 KiB blocks, like a real package's cabinet data and tables.

The text is the machine's licence and copyright files, taken in order and
cycled; a block never repeats within deflate's 32 KiB window, so it deflates
as prose does. The random blocks come from a fixed seed: the same SIZE gives
the same bytes on the same machine.
"""
import glob
import random
import sys

BLOCK = 64 * 1024


def corpus():
    files = sorted(glob.glob("/usr/share/common-licenses/*"))
    files += sorted(glob.glob("/usr/share/doc/*/copyright"))
    parts = []
    for name in files:
        try:
            with open(name, "rb") as f:
                parts.append(f.read())
        except OSError:
            continue
    text = b"".join(parts)
    if len(text) < 4 * BLOCK:
        sys.exit("mixed-data.py: too little English text on this machine")
    return text


def main():
    size = int(sys.argv[1]) << 20
    text = corpus()
    rng = random.Random(21)
    at = 0
    with open(sys.argv[2], "wb") as out:
        for i in range(size // BLOCK):
            if i % 2:
                if at + BLOCK > len(text):
                    at = 0
                out.write(text[at:at + BLOCK])
                at += BLOCK
            else:
                out.write(rng.randbytes(BLOCK))


if __name__ == "__main__":
    main()
