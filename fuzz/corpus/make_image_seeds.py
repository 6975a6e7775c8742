#!/usr/bin/env python3
"""Writes the seed files of the PNG and Netpbm fuzz targets (fuzz/corpus/png, fuzz/corpus/netpbm):
small valid files of every kind the readers know, and the broken ones that have hurt them.
Run from anywhere; it rewrites the two folders."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(kind, data, crc=None):
    crc = zlib.crc32(kind + data) if crc is None else crc
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc & 0xFFFFFFFF)


def png(width, height, depth, colour, rows, interlace=0, extra=b"", ihdr_crc=None):
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    idat = zlib.compress(b"".join(b"\0" + r for r in rows))
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr, ihdr_crc) + extra + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


def adam7_rows(width, height):
    """Rows of an interlaced 8-bit gray image, pass after pass."""
    out = []
    for x0, y0, dx, dy in ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)):
        columns = max(0, (width - x0 + dx - 1) // dx)
        for y in range(y0, height, dy):
            if columns:
                out.append(bytes((x * 23 + y) & 0xFF for x in range(x0, width, dx)))
    return out


def rows(width, height, bytes_per_row_of):
    return [bytes((x * 37 + y * 11) & 0xFF for x in range(bytes_per_row_of(width))) for y in range(height)]


def png_seeds():
    w, h = 5, 3
    seeds = {}
    for depth in (1, 2, 4, 8, 16):
        seeds[f"gray{depth}.png"] = png(w, h, depth, 0, rows(w, h, lambda n: (n * depth + 7) // 8))
    seeds["gray-alpha8.png"] = png(w, h, 8, 4, rows(w, h, lambda n: 2 * n))
    seeds["gray-alpha16.png"] = png(w, h, 16, 4, rows(w, h, lambda n: 4 * n))
    seeds["rgb8.png"] = png(w, h, 8, 2, rows(w, h, lambda n: 3 * n))
    seeds["rgba8.png"] = png(w, h, 8, 6, rows(w, h, lambda n: 4 * n))
    seeds["rgb16.png"] = png(w, h, 16, 2, rows(w, h, lambda n: 6 * n))
    palette = chunk(b"PLTE", bytes(range(48)))
    for depth in (1, 2, 4, 8):
        index_rows = [bytes(((x * 5 + y) % 16) & ((1 << depth) - 1) for x in range((w * depth + 7) // 8)) for y in range(h)]
        seeds[f"palette{depth}.png"] = png(w, h, depth, 3, index_rows, extra=palette)
    seeds["palette8-trns.png"] = png(w, h, 8, 3, rows(w, h, lambda n: n), extra=chunk(b"PLTE", bytes(range(256)) * 3) + chunk(b"tRNS", bytes([0, 128, 255])))
    seeds["palette8-index-out-of-range.png"] = png(w, h, 8, 3, [bytes([200] * w)] * h, extra=palette)
    seeds["gray8-interlaced.png"] = png(9, 9, 8, 0, adam7_rows(9, 9), interlace=1)
    seeds["one-pixel.png"] = png(1, 1, 8, 0, [b"\x7f"])
    # A 65-byte file claiming 2^20 x 2^20 pixels, and one claiming 50000 x 50000.
    seeds["claims-1048576x1048576.png"] = png(1 << 20, 1 << 20, 8, 0, [])
    seeds["claims-50000x50000.png"] = png(50000, 50000, 8, 0, [])
    good = seeds["rgb8.png"]
    seeds["truncated-in-idat.png"] = good[: len(good) - 20]
    seeds["truncated-header.png"] = good[:20]
    seeds["signature-only.png"] = good[:8]
    seeds["bad-ihdr-crc.png"] = png(w, h, 8, 0, rows(w, h, lambda n: n), ihdr_crc=0x12345678)
    seeds["no-idat.png"] = good[:33] + chunk(b"IEND", b"")
    seeds["zero-width.png"] = png(0, 3, 8, 0, [b""] * 3)
    return seeds


def netpbm_seeds():
    seeds = {
        "bitmap.pbm": b"P4\n10 2\n" + bytes([0x5A, 0xC0, 0xFF, 0x00]),
        "gray8.pgm": b"P5\n4 2\n255\n" + bytes(range(0, 256, 32)),
        "gray12.pgm": b"P5\n3 1\n4095\n" + bytes([0x0F, 0xFF, 0x00, 0x01, 0x08, 0x00]),
        "gray16.pgm": b"P5\n2 1\n65535\n" + bytes([0xFF, 0xFF, 0x12, 0x34]),
        "colour8.ppm": b"P6\n2 2\n255\n" + bytes(range(12)),
        "colour16.ppm": b"P6\n1 1\n65535\n" + bytes(range(6)),
        "comments.pgm": b"P5 # kind\n#\n 3 # width\n1 # height\n255 # maximum\n" + b"abc",
        "crlf.ppm": b"P6\r\n1 1\r\n255\r" + b"xyz",
        "maxval-0.pgm": b"P5\n2 1\n0\n" + bytes([0, 0]),
        "maxval-65536.pgm": b"P5\n1 1\n65536\n" + bytes([0, 0]),
        "sample-above-maxval.pgm": b"P5\n2 1\n100\n" + bytes([50, 101]),
        "truncated-pixels.ppm": b"P6\n4 4\n255\n" + bytes(10),
        "truncated-header.pgm": b"P5\n4",
        "claims-50000x50000.pgm": b"P5\n50000 50000\n255\n" + bytes(16),
        "claims-1048576x1048576.pbm": b"P4\n1048576 1048576\n" + bytes(16),
        "huge-number.pgm": b"P5\n99999999999999999999 1\n255\n",
        "ascii-bitmap.pbm": b"P1\n3 2\n1 0 1\n0 1 0\n",
        "ascii-gray.pgm": b"P2\n2 2\n15\n0 5\n10 15\n",
        "ascii-colour.ppm": b"P3\n1 2\n255\n255 0 0\n0 0 255\n",
        "no-blank-after-maxval.pgm": b"P5\n1 1\n255",
        "empty.pgm": b"",
    }
    return seeds


def write(folder, seeds):
    path = os.path.join(HERE, folder)
    os.makedirs(path, exist_ok=True)
    for old in os.listdir(path):
        os.remove(os.path.join(path, old))
    for name, data in seeds.items():
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write("png", png_seeds())
    write("netpbm", netpbm_seeds())
