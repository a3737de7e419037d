#!/usr/bin/env python3
"""Writes the hand-made seeds of the fuzz corpus: one small file for each variant the loaders
accept, and a few they must refuse. Run from anywhere; rewrites fuzz/corpus/<target>/hand-*.

The game's own assets (copied from a build's game-data folder and unpacked with `oru unpack`)
and every input that ever crashed a loader (crash-*) sit beside these and are kept by hand."""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "hand-" + name), "wb") as f:
        f.write(data)


# --- BMP ---------------------------------------------------------------------------------------
def bmp(width, height, bits, colours_used=0, file_header=True, info_size=40, compression=0,
        table_entries=None):
    if table_entries is None:
        table_entries = colours_used or (1 << bits if bits <= 8 else 0)
    table = b"".join(struct.pack("<BBBB", (i * 37) & 255, (i * 11) & 255, (i * 5) & 255, 0)
                     for i in range(table_entries))
    rows = abs(height)
    stride = ((width * bits + 31) // 32) * 4
    pixels = bytes((x * 7 + y) & 255 for y in range(rows) for x in range(stride))
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       len(pixels), 2835, 2835, colours_used, 0)
    info += b"\0" * (info_size - 40)
    body = info + table + pixels
    if not file_header:
        return body
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 14 + len(info) + len(table)) + body


put("bmp", "8bit-bottom-up.bmp", bmp(5, 3, 8))
put("bmp", "8bit-top-down-3-colours.bmp", bmp(4, -2, 8, colours_used=3))
put("bmp", "4bit-odd-width.bmp", bmp(5, 4, 4))
put("bmp", "4bit-top-down-no-file-header.bmp", bmp(3, -3, 4, file_header=False))
put("bmp", "8bit-no-file-header.bmp", bmp(2, 2, 8, colours_used=2, file_header=False))
put("bmp", "8bit-v4-info-header.bmp", bmp(3, 2, 8, colours_used=4, info_size=108))
put("bmp", "1bit.bmp", bmp(9, 2, 1))
put("bmp", "16bit.bmp", bmp(3, 2, 16))
put("bmp", "32bit.bmp", bmp(2, 2, 32))
put("bmp", "24bit-refused.bmp", bmp(2, 2, 24))
put("bmp", "8bit-rle.bmp", bmp(2, 2, 8, compression=1))
put("bmp", "8bit-1x1.bmp", bmp(1, 1, 8, colours_used=1))


def bmp_with_pixels(info, table, pixels):
    """A file header whose pixel offset points right after the colour table, then the rest."""
    return struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(table) + len(pixels), 0, 0,
                       14 + len(info) + len(table)) + info + table + pixels


def rle_bmp(width, height, bits, stream):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 1 if bits == 8 else 2,
                       len(stream), 2835, 2835, 0, 0)
    table = b"".join(struct.pack("<BBBB", i, 255 - i, (i * 3) & 255, 0) for i in range(1 << bits))
    return bmp_with_pixels(info, table, bytes(stream))


def os2_bmp(width, height, bits, header_size):
    """The OS/2 core header (12 bytes, three-byte colours) or a second-version header cut to
    header_size bytes."""
    if header_size == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        table = b"".join(struct.pack("<BBB", i, 255 - i, (i * 3) & 255) for i in range(1 << bits))
    else:
        fields = struct.pack("<iiHHIIiiII", width, height, 1, bits, 0, 0, 0, 0, 0, 0)
        info = struct.pack("<I", header_size) + (fields + b"\0" * 24)[:header_size - 4]
        table = b"".join(struct.pack("<BBBB", i, 255 - i, (i * 3) & 255, 0) for i in range(1 << bits))
    stride = ((width * bits + 31) // 32) * 4
    pixels = bytes((x * 5 + y) & 255 for y in range(height) for x in range(stride))
    return bmp_with_pixels(info, table, pixels)


# Runs, an absolute run with its padding, end of line, a move, the end of the picture.
put("bmp", "rle8-runs-absolute-move.bmp",
    rle_bmp(6, 4, 8, [3, 1, 0, 3, 7, 8, 9, 0, 0, 0, 2, 6, 0, 2, 1, 1, 2, 5, 0, 0, 0, 1]))
put("bmp", "rle8-ends-early.bmp", rle_bmp(5, 3, 8, [5, 4]))
# Two bytes asking for a 256 MB picture: refused before anything is allocated.
put("bmp", "rle8-large-from-two-bytes.bmp", rle_bmp(16384, 16380, 8, [0, 1]))
put("bmp", "rle4-runs-absolute.bmp", rle_bmp(7, 2, 4, [7, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1]))
put("bmp", "os2-core-4bit.bmp", os2_bmp(5, 3, 4, 12))
put("bmp", "os2-core-8bit.bmp", os2_bmp(3, 2, 8, 12))
put("bmp", "os2-v2-16-byte-1bit.bmp", os2_bmp(9, 2, 1, 16))
put("bmp", "os2-v2-64-byte-2bit.bmp", os2_bmp(6, 3, 2, 64))


# --- packs ------------------------------------------------------------------------------------
def pack_tokens(content):
    """Literals, and a back-reference 3 bytes back wherever that copy reproduces the content:
    enough to have both kinds of token and an overlapping copy."""
    flags, data, i = [], bytearray(), 0
    while i < len(content):
        length = 0
        if i >= 3:
            while length < 18 and i + length < len(content) and content[i + length] == content[i + length - 3]:
                length += 1
        if length >= 3:
            flags.append(0)
            data += struct.pack("<H", length - 3)
            i += length
        else:
            flags.append(1)
            data.append(content[i])
            i += 1
    flag_bytes = bytearray((len(data) + 7) // 8)
    for t, f in enumerate(flags):
        if f:
            flag_bytes[t // 8] |= 1 << (t % 8)
    return bytes(flag_bytes), bytes(data)


def pack(content, stored_name, info_size=20):
    flags, data = pack_tokens(content)
    name = stored_name.encode() + b"\0"
    info = struct.pack("<IIIII", 1, len(name), len(flags), len(data), len(content))
    info += b"\0" * (info_size - 20)
    return b"ORUP\0\0\0\0" + struct.pack("<II", 100, info_size) + info + name + flags + data


put("pack", "text.dpa", pack(b"abcabcabcabc hello hello hello\n", "text.txt"))
put("pack", "empty.dpa", pack(b"", "empty.bin"))
put("pack", "long-info.dpa", pack(b"xyzxyzxyz", "a.bin", info_size=28))
put("pack", "bitmap.dpa", pack(bmp(4, 3, 8, colours_used=4), "tiny.bmp"))
put("pack", "runs.dpa", pack(b"\0" * 300 + b"\1\2\3" * 40, "runs.bin"))

# --- lines ------------------------------------------------------------------------------------
put("lines", "unix.txt", b"first line\nsecond\n\nfourth after an empty one\n")
put("lines", "crlf.txt", b"one\r\ntwo\r\nthree")
put("lines", "no-final-feed.txt", b"alpha\nbeta")
put("lines", "nul-inside.txt", b"before\0after\nnext\n")
put("lines", "long-line.txt", b"x" * 600 + b"\nshort\n")
put("lines", "only-feeds.txt", b"\n" * 40)
put("lines", "packed.dpa", pack(b"packed one\npacked two\n\npacked four", "lines.txt"))
put("lines", "empty.txt", b"")

# --- palette text -----------------------------------------------------------------------------
put("palette_text", "full.pal",
    b"".join(b"%02X,%02X,%02X\n" % (i, (i * 3) & 255, (255 - i)) for i in range(256)))
put("palette_text", "short.pal", b"FF,00,80\n00,FF,00\n")
put("palette_text", "lower-and-crlf.pal", b"ff,0a,7b\r\n10,20,30\r\n")
put("palette_text", "bad-lines.pal", b"FF,00\n,,\nZZ,YY,XX\n123456,1,2\n-1,-2,-3\n\n01,02,03")
put("palette_text", "packed.dpa", pack(b"11,22,33\n44,55,66\n", "game.pal"))


# --- WAVE -------------------------------------------------------------------------------------
def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def fmt(tag, channels, rate, bits, extra=b""):
    align = channels * bits // 8
    return chunk(b"fmt ", struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits) + extra)


def riff(*chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


samples8 = bytes((128 + (40 if (i // 8) % 2 else -40)) & 255 for i in range(200))
samples16 = b"".join(struct.pack("<hh", (i * 500) % 30000 - 15000, -((i * 300) % 20000)) for i in range(100))
put("wave", "8bit-mono.wav", riff(fmt(1, 1, 11025, 8), chunk(b"data", samples8)))
put("wave", "16bit-stereo.wav", riff(fmt(1, 2, 22050, 16), chunk(b"data", samples16)))
put("wave", "list-before-fmt.wav",
    riff(chunk(b"LIST", b"INFOISFT\5\0\0\0oru\0\0"), fmt(1, 1, 8000, 8), chunk(b"fact", b"\xc8\0\0\0"),
         chunk(b"data", samples8[:33])))
put("wave", "data-before-fmt.wav", riff(chunk(b"data", samples8[:64]), fmt(1, 1, 44100, 8)))
guid_pcm = struct.pack("<IHH", 1, 0, 0x10) + bytes([0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
put("wave", "extensible.wav",
    riff(fmt(0xFFFE, 2, 48000, 16, struct.pack("<HHI", 22, 16, 3) + guid_pcm), chunk(b"data", samples16[:160])))
floats = b"".join(struct.pack("<f", ((i * 37) % 200 - 100) / 90.0) for i in range(64)) + struct.pack("<ff", float("nan"), float("inf"))
put("wave", "float.wav", riff(fmt(3, 1, 8000, 32), chunk(b"data", floats)))
put("wave", "24bit-stereo.wav", riff(fmt(1, 2, 96000, 24), chunk(b"data", b"".join(struct.pack("<i", (i * 99991) % 16777216 - 8388608)[:3] for i in range(120)))))
put("wave", "32bit-mono.wav", riff(fmt(1, 1, 16000, 32), chunk(b"data", b"".join(struct.pack("<i", i * 33554432 - 2**31) for i in range(128)))))
guid_float = struct.pack("<IHH", 3, 0, 0x10) + bytes([0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
put("wave", "extensible-float.wav",
    riff(fmt(0xFFFE, 1, 44100, 32, struct.pack("<HHI", 22, 32, 4) + guid_float), chunk(b"data", floats)))
put("wave", "adpcm-refused.wav", riff(fmt(2, 1, 8000, 8), chunk(b"data", b"\0" * 64)))
put("wave", "odd-junk.wav", riff(chunk(b"JUNK", b"abc"), fmt(1, 1, 1000, 8), chunk(b"data", samples8[:7])))


# --- MIDI -------------------------------------------------------------------------------------
def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def track(events):
    body = b"".join(vlq(d) + e for d, e in events) + b"\0\xff\x2f\0"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def midi(fmt_, division, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt_, len(tracks), division) + b"".join(tracks)


notes = [(0, b"\xc0\x05"), (0, b"\xb0\x07\x64"), (0, b"\x90\x3c\x40"), (96, b"\x3e\x40"),
         (96, b"\x80\x3c\x00"), (0, b"\x3e\x00")]
put("midi", "format0.mid", midi(0, 96, [track([(0, b"\xff\x03\x04song")] + notes)]))
put("midi", "format1-tempo-sysex.mid", midi(1, 480, [
    track([(0, b"\xff\x03\x05title"), (0, b"\xff\x51\x03\x07\xa1\x20"), (960, b"\xff\x51\x03\x03\xd0\x90")]),
    track([(0, b"\xf0\x05\x7e\x7f\x09\x01\xf7"), (0, b"\xb1\x0a\x20"), (0, b"\xb1\x5b\x30"),
           (0, b"\xb1\x5d\x10"), (0, b"\xb1\x00\x01"), (10, b"\x91\x40\x50"), (480, b"\x81\x40\x00"),
           (0, b"\xe1\x00\x40"), (5, b"\xd1\x20"), (5, b"\xa1\x40\x10")])]))
put("midi", "long-delta.mid", midi(0, 24, [track([(0x0FFFFFFF, b"\x90\x30\x30"), (1, b"\x80\x30\x00")])]))
put("midi", "smpte-division.mid", midi(0, 0xE728, [track(notes)]))
put("midi", "format2.mid", midi(2, 120, [track(notes), track(notes)]))
put("midi", "meta-only-refused.mid", midi(0, 96, [track([(0, b"\xff\x01\x03abc")])]))
put("midi", "extra-header-bytes.mid",
    b"MThd" + struct.pack(">IHHHH", 8, 0, 1, 96, 0) + track(notes))


def run_file(records, digest=0, version=1):
    return b"ORUR" + struct.pack("<HHQ", version, 0, digest) + records


put("run", "short-runs.orr", run_file(bytes([0x83, 0x00, 0x80, 0x10, 0x81, 0x11, 0x80, 0x00, 3, 7])))
put("run", "explicit-run.orr", run_file(bytes([1, 0x90, 0x03, 0x10, 0x20, 0x00]) + bytes([3, 0x90, 0x03])))
put("run", "clock-reads.orr", run_file(bytes([2, 0x01, 0x01, 0x01, 3, 0xc8, 0x01, 0x3c, 0x3b, 0xa0, 0x00, 0x01])))
put("run", "cut-short.orr", run_file(bytes([0x85, 0x04, 2, 0x00, 0x00, 0x01, 2, 0x05, 0x80])))
# Damage, not a cut: a count of 6 bytes, and more clock reads than bytes left.
put("run", "overlong-varint-refused.orr", run_file(bytes([0x80, 0x00, 1, 0x81, 0x80, 0x80, 0x80, 0x80, 0x00, 0, 0, 1])))
put("run", "read-count-past-end-refused.orr", run_file(bytes([0x80, 0x00, 2, 0x00, 0x00, 0x01, 0x40, 0x02])))
put("run", "other-version-refused.orr", run_file(bytes([0x80, 0x00]), version=7))
