#!/usr/bin/env python3
"""Writes the benchmark package: about 200 MiB of files, most of them small
(a driver package's INF, DLL and help files) and three large ones, deflated
like the maker's packages, with Python's zipfile."""
import random
import sys
import zipfile

SMALL_FILES = 3000
LARGE_FILES = 3
LARGE_SIZE = 45 * 1024 * 1024


def content(rng, size):
    """Half random, half repeated text: compresses to roughly 55 %."""
    out = bytearray()
    text = b"[Strings] DeviceDesc = Vexa Kestrel test device, version 1.0\r\n"
    while len(out) < size:
        out += rng.randbytes(min(512, size - len(out)))
        out += text * 8
    return bytes(out[:size])


def main(path):
    rng = random.Random(2026)
    total = 0
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
        for i in range(SMALL_FILES):
            size = rng.choice([300, 2000, 9000, 30000, 70000])
            name = "drivers/set%02d/file%04d.%s" % (i % 40, i, ("inf", "dll", "sys", "txt")[i % 4])
            archive.writestr(name, content(rng, size))
            total += size
        for i in range(LARGE_FILES):
            archive.writestr("payload/large%d.bin" % i, content(rng, LARGE_SIZE))
            total += LARGE_SIZE
    print("%d entries, %.1f MiB unpacked" % (SMALL_FILES + LARGE_FILES, total / 1048576.0))


if __name__ == "__main__":
    main(sys.argv[1])
