#!/usr/bin/env python3
"""Packs the application icon for Windows: packaging/windows/quillet.ico.

The 128 and 48 pixel icons go in as they are; 32 and 16 pixel versions are
box-filtered from the 128 pixel one. Entries are stored as PNG, which every
Windows since Vista reads. Standard library only; run it again after changing
the icons and commit the result:  scripts/make-ico.py
"""
import struct
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def read_rgba(path):
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, colour, interlace) == (8, 6, 0), f"{path}: 8-bit RGBA only"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up, corner = prev[i], prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        prev = line
    return width, height, rows


def shrink(width, rows, factor):
    """Box filter on premultiplied alpha, so transparent pixels lend no colour."""
    out = []
    for y in range(0, len(rows), factor):
        line = bytearray()
        for x in range(0, width, factor):
            sums = [0, 0, 0, 0]
            for row in rows[y:y + factor]:
                for px in range(x, x + factor):
                    r, g, b, a = row[4 * px:4 * px + 4]
                    sums[0] += r * a
                    sums[1] += g * a
                    sums[2] += b * a
                    sums[3] += a
            alpha = sums[3]
            n = factor * factor
            line += bytes([(s + alpha // 2) // alpha if alpha else 0 for s in sums[:3]] + [(alpha + n // 2) // n])
        out.append(line)
    return width // factor, out


def write_png(width, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, len(rows), 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    big = ROOT / "packaging/icons/quillet-128.png"
    width, _, rows = read_rgba(big)
    images = [(16, write_png(*shrink(width, rows, 8))), (32, write_png(*shrink(width, rows, 4))),
              (48, (ROOT / "packaging/icons/quillet-48.png").read_bytes()), (128, big.read_bytes())]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, bodies = b"", b""
    for size, png in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png), offset)
        bodies += png
        offset += len(png)
    out = ROOT / "packaging/windows/quillet.ico"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_bytes(header + entries + bodies)
    print(f"{out}: {len(images)} images, {offset} bytes")


if __name__ == "__main__":
    sys.exit(main())
