#!/usr/bin/env python3
"""Writes the zip fixtures of the transport tests with Python's zipfile, an
archive writer independent of the reader under test. Layouts zipfile does
not make on its own are patched here byte by byte."""
import io
import os
import struct
import sys
import zipfile

STAMP = (2009, 5, 20, 13, 45, 30)
READONLY = 0x01
ARCHIVE = 0x20


def pattern(size, seed):
    """Mildly compressible bytes, so deflated data spans several blocks."""
    out = bytearray()
    value = seed
    while len(out) < size:
        value = (value * 1103515245 + 12345) & 0x7FFFFFFF
        out += bytes([(value >> 16) & 0x3F]) * ((value & 3) + 1)
    return bytes(out[:size])


def entry(name, data, method=zipfile.ZIP_DEFLATED, attributes=ARCHIVE):
    info = zipfile.ZipInfo(name, STAMP)
    info.compress_type = method
    info.external_attr = attributes
    return info, data


def build(entries, comment=b"", stream=None):
    buffer = stream or io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for info, data in entries:
            archive.writestr(info, data)
        archive.comment = comment
    return buffer.getvalue()


class Unseekable:
    """Makes zipfile write data descriptors with zero local sizes."""

    def __init__(self):
        self.buffer = io.BytesIO()

    def write(self, data):
        return self.buffer.write(data)

    def flush(self):
        pass

    def getvalue(self):
        return self.buffer.getvalue()


def local_header_offset(data, name):
    with zipfile.ZipFile(io.BytesIO(data)) as archive:
        return archive.getinfo(name).header_offset


def central_record_offset(data, name):
    position = data.index(b"PK\x01\x02")
    while True:
        name_length, extra_length, comment_length = struct.unpack_from("<HHH", data, position + 28)
        if data[position + 46:position + 46 + name_length] == name.encode():
            return position
        position += 46 + name_length + extra_length + comment_length


def basic_entries():
    return [
        entry("readme.txt", b"Stored text of the package.\r\n", zipfile.ZIP_STORED),
        entry("setup.exe", pattern(100000, 7)),
        entry("docs/", b"", zipfile.ZIP_STORED, 0x10),
        entry("docs/guide.txt", b"Guide in a folder.\r\n" * 50),
        entry("locked.txt", b"read-only", zipfile.ZIP_STORED, READONLY | ARCHIVE),
    ]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    files = {}
    basic = build(basic_entries())
    files["basic.zip"] = basic
    files["stub.zip"] = bytes(range(200)) + basic
    one = [entry("a.txt", b"comment test")]
    # An end record 22 bytes long: its signature starts 22 + comment bytes
    # before the end, and the search reaches back 65535 bytes.
    files["comment_65513.zip"] = build(one, b"c" * 65513)
    files["comment_65514.zip"] = build(one, b"c" * 65514)
    files["descriptor.zip"] = build(basic_entries(), stream=Unseekable())
    files["empty.zip"] = build([])

    mismatch = bytearray(basic)
    offset = local_header_offset(basic, "readme.txt")
    struct.pack_into("<H", mismatch, offset + 8, 8)  # local method deflated, central stored
    files["method_mismatch.zip"] = bytes(mismatch)

    corrupt = bytearray(basic)
    offset = local_header_offset(basic, "setup.exe")
    name_length, extra_length = struct.unpack_from("<HH", corrupt, offset + 26)
    corrupt[offset + 30 + name_length + extra_length + 5000] ^= 0x55
    files["corrupt_deflate.zip"] = bytes(corrupt)

    # The deflate stream ends 1000 bytes before the size both headers state.
    short = bytearray(basic)
    offset = local_header_offset(basic, "setup.exe")
    size = struct.unpack_from("<I", short, offset + 22)[0]
    struct.pack_into("<I", short, offset + 22, size + 1000)
    record = central_record_offset(basic, "setup.exe")
    struct.pack_into("<I", short, record + 24, size + 1000)
    files["short_deflate.zip"] = bytes(short)

    files["large.zip"] = build([
        entry("big.bin", bytes(256 * 1024 * 1024)),
        entry("after.txt", b"written only when not cancelled"),
    ])

    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
