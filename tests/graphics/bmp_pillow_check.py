#!/usr/bin/python3
"""Checks `oru bmp resave` against an independent BMP reader, Python's Pillow.

For every kind of BMP the library reads, this script writes a small picture with its own writer,
resaves it with `oru bmp resave` (which always writes 8-bit, 256 colours) and compares the colour
of every pixel of the resaved file with what Pillow reads from the original, and with the colours
the script meant to write. Where Pillow cannot serve (it reads neither 2-bit pictures, OS/2 2.x
headers shorter than 64 bytes nor 52- and 56-byte headers; it shows indices past the colour table
in grey where this library shows black; version 9.4 stops at RLE moves, refuses RLE pictures that
end before their top row and misreads odd-length RLE4 absolute runs) the kind is checked against
the script's own picture only, and says so.

Usage: bmp_pillow_check.py PATH_TO_ORU. Exits 77 (skipped) when Pillow is not installed."""
import os
import struct
import subprocess
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    print("Pillow is not installed (Debian: python3-pil); skipped")
    sys.exit(77)


def palette(count):
    """count colours as (red, green, blue), all different."""
    return [((i * 73 + 20) % 256, (i * 151 + 7) % 256, (255 - i * 29) % 256) for i in range(count)]


def picture(width, height, bits, seed, limit=None):
    """Rows of palette indices below limit (2^bits when None), top row first."""
    limit = limit or 1 << bits
    return [[(x * 5 + y * 3 + seed + (x * y) % 7) % limit for x in range(width)] for y in range(height)]


def pack_row(row, bits):
    out = bytearray()
    per = 8 // bits
    for start in range(0, len(row), per):
        byte = 0
        for i, v in enumerate(row[start:start + per]):
            byte |= v << (8 - bits * (i + 1))
        out.append(byte)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def info_header(size, width, height, bits, compression, colours_used):
    """A Windows or OS/2 2.x info header of size bytes (fields past size are left out)."""
    fields = struct.pack("<iiHHIIiiII", width, height, 1, bits, compression, 0, 2835, 2835, colours_used, 0)
    body = (fields + b"\0" * 200)[:size - 4]
    return struct.pack("<I", size) + body


def bmp_file(header, table, pixels, gap=0):
    offset = 14 + len(header) + len(table) + gap
    body = header + table + b"\xAB" * gap + pixels
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, offset) + body


def table_bytes(colours, entry_size):
    if entry_size == 3:
        return b"".join(struct.pack("<BBB", b, g, r) for r, g, b in colours)
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def uncompressed(width, height, bits, header_size=40, top_down=False, colours_used=0, gap=0, seed=0,
                 past_table=False):
    rows = picture(width, height, bits, seed, None if past_table else colours_used)
    count = colours_used or (1 << bits)
    colours = palette(count)
    if header_size == 12:
        header = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        header = info_header(header_size, width, -height if top_down else height, bits, 0, colours_used)
    stored = rows if top_down else list(reversed(rows))
    pixels = b"".join(pack_row(r, bits) for r in stored)
    # Indices past the colour table read as black.
    expect = [[colours[v] if v < count else (0, 0, 0) for v in r] for r in rows]
    return bmp_file(header, table_bytes(colours, 3 if header_size == 12 else 4), pixels, gap), expect


def rle_file(bits, width, height, stream, rows):
    colours = palette(1 << bits)
    header = info_header(40, width, height, bits, 1 if bits == 8 else 2, 0)
    return bmp_file(header, table_bytes(colours, 4), bytes(stream)), [[colours[v] for v in r] for r in rows]


def rle8(width, height, with_move):
    """Runs, absolute runs with their padding and ends of line; with_move also a move that leaves
    zeros behind and the end of the picture before its top row."""
    rows = [[0] * width for _ in range(height)]
    stream = bytearray()
    line = 0  # line 0 is the bottom row
    while line < (height - 1 if with_move else height):
        y = height - 1 - line
        if with_move and line == 2:
            # Three pixels, a move two right and one up, two pixels on the next row.
            stream += bytes([3, 9, 0, 2, 2, 1, 2, 4, 0, 0])
            rows[y][0:3] = [9, 9, 9]
            rows[y - 1][5:7] = [4, 4]
            line += 2
            continue
        stream += bytes([0, 3, 1 + line, 2 + line, 3 + line, 0])  # absolute run of 3, padded
        rows[y][0:3] = [1 + line, 2 + line, 3 + line]
        stream += bytes([width - 3, 10 + line, 0, 0])
        rows[y][3:] = [10 + line] * (width - 3)
        line += 1
    stream += bytes([0, 1])  # end of picture: the top row stays 0
    return rle_file(8, width, height, stream, rows)


def rle4(width, height, literal_length):
    """Runs of two alternating nibbles and absolute runs of literal_length nibbles, padded."""
    rows = [[0] * width for _ in range(height)]
    stream = bytearray()
    for line in range(height):
        y = height - 1 - line
        a, b = (line * 3) % 16, (line * 5 + 1) % 16
        stream += bytes([5, (a << 4) | b])
        rows[y][0:5] = [a, b, a, b, a]
        literal = [(line + k) % 16 for k in range(literal_length)] + [0]
        packed = bytes((literal[k] << 4) | literal[k + 1] for k in range(0, literal_length, 2))
        stream += bytes([0, literal_length]) + packed + b"\0" * (len(packed) % 2)
        rows[y][5:5 + literal_length] = literal[:literal_length]
        stream += bytes([0, 0])
    stream += bytes([0, 1])
    return rle_file(4, width, height, stream, rows)


PILLOW_GREY = "Pillow shows indices past the table in grey, this library in black"
PILLOW_NO = "Pillow does not read it"
KINDS = [
    # name, (file bytes, expected colours), None or why Pillow is not asked
    ("1-bit", uncompressed(13, 5, 1), None),
    ("2-bit", uncompressed(11, 4, 2), PILLOW_NO),
    ("4-bit odd width", uncompressed(9, 6, 4), None),
    ("8-bit", uncompressed(7, 5, 8, seed=3), None),
    ("8-bit top-down", uncompressed(6, 4, 8, top_down=True, seed=5), None),
    ("4-bit top-down", uncompressed(5, 3, 4, top_down=True), None),
    ("8-bit, 20 colours used", uncompressed(6, 5, 8, colours_used=20, seed=1), None),
    ("8-bit, pixels past the 20 colours used", uncompressed(6, 5, 8, colours_used=20, past_table=True), PILLOW_GREY),
    ("8-bit with a gap before the pixels", uncompressed(5, 4, 8, colours_used=16, gap=22), None),
    ("OS/2 core header, 1-bit", uncompressed(10, 3, 1, header_size=12), None),
    ("OS/2 core header, 4-bit", uncompressed(7, 4, 4, header_size=12), None),
    ("OS/2 core header, 8-bit", uncompressed(5, 5, 8, header_size=12, seed=2), None),
    ("OS/2 2.x header of 64 bytes, 8-bit", uncompressed(6, 3, 8, header_size=64), None),
    ("OS/2 2.x header of 16 bytes, 4-bit", uncompressed(6, 3, 4, header_size=16), PILLOW_NO),
    ("52-byte header, 8-bit", uncompressed(5, 3, 8, header_size=52), PILLOW_NO),
    ("56-byte header, 4-bit", uncompressed(5, 3, 4, header_size=56), PILLOW_NO),
    ("108-byte header, 8-bit", uncompressed(4, 4, 8, header_size=108), None),
    ("124-byte header, 1-bit", uncompressed(33, 2, 1, header_size=124), None),
    ("RLE8", rle8(12, 6, with_move=False), None),
    ("RLE8 with a move and an early end", rle8(12, 6, with_move=True),
     "Pillow 9.4 stops at a move and refuses a picture that ends early"),
    ("RLE4", rle4(12, 5, literal_length=6), None),
    ("RLE4, absolute run of an odd length", rle4(12, 5, literal_length=5),
     "Pillow 9.4 drops the last nibble of an odd absolute run and misreads what follows"),
]


def pixels_of(path):
    with Image.open(path) as image:
        rgb = image.convert("RGB")
        width, height = rgb.size
        return [[rgb.getpixel((x, y)) for x in range(width)] for y in range(height)]


def main():
    oru = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        for index, (name, (data, expect), not_pillow) in enumerate(KINDS):
            source = os.path.join(work, "in%d.bmp" % index)
            resaved = os.path.join(work, "out%d.bmp" % index)
            with open(source, "wb") as f:
                f.write(data)
            run = subprocess.run([oru, "bmp", "resave", source, resaved], capture_output=True, text=True)
            if run.returncode != 0:
                print("FAIL %s: oru bmp resave: %s" % (name, run.stderr.strip()))
                failures += 1
                continue
            ours = pixels_of(resaved)
            if ours != expect:
                print("FAIL %s: resaved colours differ from the picture written" % name)
                failures += 1
                continue
            if not not_pillow:
                theirs = pixels_of(source)
                if ours != theirs:
                    bad = [(x, y) for y in range(len(ours)) for x in range(len(ours[y])) if ours[y][x] != theirs[y][x]]
                    print("FAIL %s: %d pixels differ from Pillow's reading, first at %s" % (name, len(bad), bad[:1]))
                    failures += 1
                    continue
            print("ok   %s%s" % (name, " (own check: %s)" % not_pillow if not_pillow else ""))
    if failures:
        print("%d of %d kinds differ" % (failures, len(KINDS)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
