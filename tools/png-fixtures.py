#!/usr/bin/env python3
"""Writes the PNG files that tests/engine/PngDecoderTests.cpp gives to the engine's own decoder and
to WIC, each file made chunk by chunk so that it holds exactly what its name says:

  decoded/   every colour type and depth, palettes and tRNS, every filter on every picture, each
             kind of deflate block, IDAT cut into many chunks: the engine decodes them as WIC does
  declined/  interlaced pictures, which the engine leaves to WIC
  broken/    damaged files (cut short, bad lengths, huge sizes, bad Huffman codes ...): the
             engine turns each down without harm

  tools/png-fixtures.py [folder]     (default tests/engine/png)
"""
import pathlib
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
GRAY, RGB, PALETTE, GRAY_ALPHA, RGBA = 0, 2, 3, 4, 6
CHANNELS = {GRAY: 1, RGB: 3, PALETTE: 1, GRAY_ALPHA: 2, RGBA: 4}
# Adam7: first column, first row, column step, row step of each pass.
PASSES = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


class Random:
    """A fixed sequence, so that the files come out the same on every run."""

    def __init__(self, seed):
        self.state = seed

    def below(self, limit):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 8) % limit


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def ihdr(width, height, depth, color, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color, 0, 0, interlace))


def pack_row(samples, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, bits, used = bytearray(), 0, 0
    for s in samples:
        bits, used = (bits << depth) | s, used + depth
        if used == 8:
            out.append(bits)
            bits, used = 0, 0
    if used:
        out.append(bits << (8 - used))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filtered(rows, bpp, only_filter=None):
    """Each row with a filter of its own, turn by turn, so that every picture meets all five."""
    out, prior = bytearray(), bytes(len(rows[0]) if rows else 0)
    for y, row in enumerate(rows):
        kind = y % 5 if only_filter is None else only_filter
        out.append(kind)
        for i, x in enumerate(row):
            a = row[i - bpp] if i >= bpp else 0
            b = prior[i]
            c = prior[i - bpp] if i >= bpp else 0
            guess = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
            out.append((x - guess) & 0xFF)
        prior = row
    return bytes(out)


def image_data(pixels, depth, color, interlace=False, only_filter=None):
    """pixels: rows of sample tuples. Returns the bytes that go through zlib."""
    bpp = max(1, CHANNELS[color] * depth // 8)
    height, width = len(pixels), len(pixels[0])
    if not interlace:
        rows = [pack_row([s for p in row for s in p], depth) for row in pixels]
        return filtered(rows, bpp, only_filter)
    out = b""
    for x0, y0, dx, dy in PASSES:
        rows = [pack_row([s for p in pixels[y][x0::dx] for s in p], depth) for y in range(y0, height, dy)]
        if x0 < width and rows:
            out += filtered(rows, bpp, only_filter)
    return out


def deflate(data, blocks="dynamic"):
    if blocks == "stored":
        return zlib.compress(data, 0)
    if blocks == "fixed":
        c = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_FIXED)
    elif blocks == "huffman-only":
        c = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_HUFFMAN_ONLY)
    elif blocks == "small-window":
        c = zlib.compressobj(9, zlib.DEFLATED, 9)
    elif blocks == "flushes":
        # Many short blocks of each kind, empty stored ones among them, ending on byte bounds.
        c, out = zlib.compressobj(6), b""
        for start in range(0, len(data), 37):
            out += c.compress(data[start:start + 37]) + c.flush(zlib.Z_SYNC_FLUSH)
        return out + c.flush()
    else:
        c = zlib.compressobj(9)
    return c.compress(data) + c.flush()


def png(pixels, depth, color, before_idat=(), blocks="dynamic", idat_pieces=1, interlace=False,
        after_iend=b"", only_filter=None):
    stream = deflate(image_data(pixels, depth, color, interlace, only_filter), blocks)
    step = max(1, -(-len(stream) // idat_pieces))
    idats = [chunk(b"IDAT", stream[i:i + step]) for i in range(0, len(stream), step)]
    if idat_pieces > 1:
        idats.insert(1, chunk(b"IDAT", b""))
    return (SIGNATURE + ihdr(len(pixels[0]), len(pixels), depth, color, int(interlace)) + b"".join(before_idat)
            + b"".join(idats) + chunk(b"IEND", b"") + after_iend)


def noise(width, height, channels, depth, seed, limit=None):
    r = Random(seed)
    top = limit if limit is not None else 1 << depth
    return [[tuple(r.below(top) for _ in range(channels)) for _ in range(width)] for _ in range(height)]


def with_alpha_spread(pixels, depth):
    """Alpha that is mostly 0, full or in between, so that premultiplying meets each case."""
    top = (1 << depth) - 1
    out = []
    for y, row in enumerate(pixels):
        out.append([p[:-1] + ((0, top, p[-1])[(x + y) % 3],) for x, p in enumerate(row)])
    return out


def plte(count, seed):
    r = Random(seed)
    return chunk(b"PLTE", bytes(r.below(256) for _ in range(3 * count)))


def decoded():
    files = {}
    for depth in (1, 2, 4, 8, 16):
        pixels = noise(13, 9, 1, depth, depth)
        files[f"gray-{depth}.png"] = png(pixels, depth, GRAY)
        key = pixels[2][3][0]
        files[f"gray-{depth}-trns.png"] = png(pixels, depth, GRAY, [chunk(b"tRNS", struct.pack(">H", key))])
    for depth in (1, 2, 4, 8):
        count = min(1 << depth, 200)
        pixels = noise(11, 7, 1, depth, 40 + depth, count)
        files[f"palette-{depth}.png"] = png(pixels, depth, PALETTE, [plte(count, depth)])
        alphas = bytes(Random(depth).below(256) for _ in range(max(1, count - 3)))
        files[f"palette-{depth}-trns.png"] = png(pixels, depth, PALETTE, [plte(count, depth), chunk(b"tRNS", alphas)])
    # Fewer colours than the depth allows, and a picture that uses each of them.
    files["palette-8-short.png"] = png(noise(16, 5, 1, 8, 7, 5), 8, PALETTE, [plte(5, 9)])
    for depth in (8, 16):
        pixels = noise(10, 8, 3, depth, 60 + depth)
        files[f"rgb-{depth}.png"] = png(pixels, depth, RGB)
        key = pixels[1][1]
        if depth == 16:
            # Pixels that match the key in their high bytes only stay opaque.
            pixels[4][4] = (key[0] ^ 1, key[1], key[2])
            pixels[5][5] = key
        files[f"rgb-{depth}-trns.png"] = png(pixels, depth, RGB, [chunk(b"tRNS", struct.pack(">HHH", *key))])
        files[f"gray-alpha-{depth}.png"] = png(with_alpha_spread(noise(9, 6, 2, depth, 70 + depth), depth),
                                               depth, GRAY_ALPHA)
        files[f"rgba-{depth}.png"] = png(with_alpha_spread(noise(7, 10, 4, depth, 80 + depth), depth), depth, RGBA)
    # Every colour value against every alpha, and every 16-bit value, for the rounding of both.
    files["premultiply-all.png"] = png([[(x, y) for x in range(256)] for y in range(256)], 8, GRAY_ALPHA,
                                       only_filter=1)
    files["gray-16-all.png"] = png([[(y * 256 + x,) for x in range(256)] for y in range(256)], 16, GRAY,
                                   only_filter=1)
    files["rgba-16-all.png"] = png([[(y * 256 + x, 65535 - y * 256 - x, (x * 257 + y) & 0xFFFF, y * 256 + 255 - x)
                                     for x in range(256)] for y in range(256)], 16, RGBA, only_filter=1)
    rgba = with_alpha_spread(noise(24, 20, 4, 8, 5), 8)
    for blocks in ("stored", "fixed", "huffman-only", "small-window", "flushes"):
        files[f"blocks-{blocks}.png"] = png(rgba, 8, RGBA, blocks=blocks)
    files["idat-many.png"] = png(rgba, 8, RGBA, idat_pieces=40)
    files["idat-many-stored.png"] = png(rgba, 8, RGBA, blocks="stored", idat_pieces=9)
    # Matches from far back in a larger picture: rows that come again 60 rows on.
    files["far-matches.png"] = png([[((x * 7 + y % 60) & 255, x & 255, (y % 60) * 4, 255) for x in range(128)]
                                    for y in range(200)], 8, RGBA)
    files["one-pixel.png"] = png([[(12, 34, 56, 78)]], 8, RGBA)
    files["one-row.png"] = png(noise(300, 1, 1, 2, 3), 2, GRAY)
    files["one-column.png"] = png(noise(1, 40, 3, 8, 4), 8, RGB)
    # Chunks that change nothing of the pixels: colour management, text, time, a private one;
    # and a suggested palette in a true-colour picture.
    icc = b"icc\x00\x00" + zlib.compress(b"\x00" * 128)
    ancillary = [chunk(b"gAMA", struct.pack(">I", 100000)), chunk(b"cHRM", bytes(32)), chunk(b"sBIT", b"\x05\x06\x05"),
                 chunk(b"tEXt", b"Comment\x00made by hand"), chunk(b"pHYs", bytes(9)), chunk(b"prVt", b"private"),
                 chunk(b"bKGD", b"\x00\x10\x00\x20\x00\x30"), plte(16, 3)]
    files["ancillary.png"] = png(noise(9, 9, 3, 8, 11), 8, RGB, ancillary)
    files["gamma-srgb.png"] = png(noise(9, 9, 4, 8, 12), 8, RGBA,
                                  [chunk(b"gAMA", struct.pack(">I", 45455)), chunk(b"sRGB", b"\x00")])
    files["gamma-icc.png"] = png(noise(9, 9, 1, 8, 13), 8, GRAY, [chunk(b"iCCP", icc)])
    files["after-iend.png"] = png(noise(5, 5, 3, 8, 14), 8, RGB, after_iend=b"trailing bytes")
    return files


def declined():
    return {
        "interlaced-rgba-8.png": png(with_alpha_spread(noise(19, 13, 4, 8, 21), 8), 8, RGBA, interlace=True),
        "interlaced-palette-2.png": png(noise(11, 9, 1, 2, 22), 2, PALETTE, [plte(4, 23)], interlace=True),
        "interlaced-tiny.png": png(noise(3, 2, 1, 16, 24), 16, GRAY, interlace=True),
    }


class Bits:
    """Deflate's bit order: fields from the low bit up, Huffman codes from their first bit."""

    def __init__(self):
        self.out, self.value, self.used = bytearray(), 0, 0

    def put(self, value, count):
        self.value |= value << self.used
        self.used += count
        while self.used >= 8:
            self.out.append(self.value & 0xFF)
            self.value >>= 8
            self.used -= 8
        return self

    def code(self, code, length):
        return self.put(int(format(code, f"0{length}b")[::-1], 2), length)

    def fixed(self, symbol):
        if symbol < 144:
            return self.code(0x30 + symbol, 8)
        if symbol < 256:
            return self.code(0x190 + symbol - 144, 9)
        if symbol < 280:
            return self.code(symbol - 256, 7)
        return self.code(0xC0 + symbol - 280, 8)

    def done(self):
        return bytes(self.out) + (bytes([self.value]) if self.used else b"")


def zlib_head(cmf, flags):
    """The two bytes before a zlib stream's data, with the check bits that make them a multiple of 31."""
    return bytes([cmf, flags + (31 - (cmf * 256 + flags) % 31) % 31])


def zlib_wrap(raw, check):
    return b"\x78\x01" + raw + struct.pack(">I", zlib.adler32(check))


def gray_png(width, height, stream, before_idat=()):
    return SIGNATURE + ihdr(width, height, 8, GRAY) + b"".join(before_idat) + chunk(b"IDAT", stream) + chunk(b"IEND", b"")


def dynamic_head(hlit, hdist, hclen, code_lengths):
    """A dynamic block's head up to its code length code's lengths, in the order deflate sends them."""
    bits = Bits().put(1, 1).put(2, 2).put(hlit - 257, 5).put(hdist - 1, 5).put(hclen - 4, 4)
    for length in code_lengths[:hclen]:
        bits.put(length, 3)
    return bits


def broken():
    good = png(noise(8, 8, 4, 8, 31), 8, RGBA)
    rows = bytes(5 * 4)  # 4x4 gray: each row a filter byte and four zeros
    files = {}
    files["cut-in-signature.png"] = good[:5]
    files["cut-in-header.png"] = good[:20]
    files["cut-in-data.png"] = good[:len(good) - 30]
    files["no-iend.png"] = good[:-12]
    files["chunk-longer-than-file.png"] = good[:33] + struct.pack(">I", 0x7FFFFFF0) + good[37:]
    files["chunk-length-over-limit.png"] = good[:33] + struct.pack(">I", 0xFFFFFFF0) + good[37:]
    files["bad-crc.png"] = good[:29] + bytes([good[29] ^ 1]) + good[30:]
    files["huge.png"] = SIGNATURE + ihdr(100000, 100000, 8, RGBA) + good[33:]
    files["too-many-pixels.png"] = SIGNATURE + ihdr(16384, 16384, 8, GRAY) + good[33:]
    files["zero-width.png"] = SIGNATURE + ihdr(0, 8, 8, RGBA) + good[33:]
    files["depth-3.png"] = SIGNATURE + ihdr(8, 8, 3, GRAY) + good[33:]
    files["rgb-depth-4.png"] = SIGNATURE + ihdr(8, 8, 4, RGB) + good[33:]
    files["bad-filter-method.png"] = SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", 8, 8, 8, RGBA, 0, 1, 0)) + good[33:]
    files["two-headers.png"] = SIGNATURE + ihdr(8, 8, 8, RGBA) + good[8:]
    files["unknown-critical-chunk.png"] = good[:33] + chunk(b"CRIT", b"x") + good[33:]
    files["palette-missing.png"] = gray_png(4, 4, zlib.compress(rows)).replace(ihdr(4, 4, 8, GRAY), ihdr(4, 4, 8, PALETTE))
    files["palette-index-too-big.png"] = png(noise(6, 6, 1, 8, 32, 9), 8, PALETTE, [plte(4, 33)])
    files["palette-too-long.png"] = png(noise(6, 6, 1, 2, 34), 2, PALETTE, [plte(5, 35)])
    files["palette-in-gray.png"] = gray_png(4, 4, zlib.compress(rows), [plte(4, 36)])
    files["trns-in-rgba.png"] = png(noise(4, 4, 4, 8, 37), 8, RGBA, [chunk(b"tRNS", bytes(6))])
    files["trns-too-long.png"] = png(noise(4, 4, 1, 8, 38, 4), 8, PALETTE, [plte(4, 39), chunk(b"tRNS", bytes(5))])
    files["idat-split-by-chunk.png"] = (good[:33] + chunk(b"IDAT", good[41:50]) + chunk(b"tEXt", b"a\x00b")
                                        + chunk(b"IDAT", good[50:-16]) + chunk(b"IEND", b""))
    files["bad-filter-type.png"] = gray_png(4, 4, zlib.compress(b"\x05" + rows[1:]))
    files["too-little-data.png"] = gray_png(4, 4, zlib.compress(rows[:-1]))
    files["too-much-data.png"] = gray_png(4, 4, zlib.compress(rows + b"\x00"))
    files["no-data.png"] = SIGNATURE + ihdr(4, 4, 8, GRAY) + chunk(b"IEND", b"")
    stream = zlib.compress(rows)
    files["zlib-bad-check.png"] = gray_png(4, 4, b"\x78\x9d" + stream[2:])
    files["zlib-not-deflate.png"] = gray_png(4, 4, zlib_head(0x79, 0) + stream[2:])
    files["zlib-window-too-big.png"] = gray_png(4, 4, zlib_head(0x88, 0) + stream[2:])
    files["zlib-dictionary.png"] = gray_png(4, 4, zlib_head(0x78, 0x20) + b"\x00\x00\x00\x01" + stream[2:])
    files["zlib-bad-adler.png"] = gray_png(4, 4, stream[:-1] + bytes([stream[-1] ^ 0x55]))
    files["zlib-cut.png"] = gray_png(4, 4, stream[:-6])
    files["stored-bad-nlen.png"] = gray_png(4, 4, zlib_wrap(b"\x01" + struct.pack("<HH", 36, 36) + rows, rows))
    files["stored-past-end.png"] = gray_png(4, 4, b"\x78\x01\x01" + struct.pack("<HH", 20, 20 ^ 0xFFFF) + rows[:10])
    files["block-type-3.png"] = gray_png(4, 4, zlib_wrap(Bits().put(1, 1).put(3, 2).done(), rows))
    far = Bits().put(1, 1).put(1, 2).fixed(0).fixed(257).code(4, 5).put(0, 1)  # one literal, then a match 5 back
    files["distance-too-far.png"] = gray_png(4, 4, zlib_wrap(far.fixed(256).done(), rows))
    files["length-code-286.png"] = gray_png(4, 4, zlib_wrap(Bits().put(1, 1).put(1, 2).fixed(0).fixed(286).done(), rows))
    files["distance-code-30.png"] = gray_png(4, 4, zlib_wrap(Bits().put(1, 1).put(1, 2).fixed(0).fixed(257).code(30, 5)
                                                             .done(), rows))
    files["no-end-of-block.png"] = gray_png(4, 4, zlib_wrap(Bits().put(1, 1).put(1, 2).fixed(0).done(), rows))
    # Dynamic heads: the code length code given 1 bit for three symbols (too many for 1 bit),
    # one symbol only (too few), a repeat with nothing before it, runs past the end, no code
    # for the end of a block, and lengths too many for their bits.
    files["huffman-oversubscribed.png"] = gray_png(4, 4, zlib_wrap(dynamic_head(257, 1, 4, [1, 1, 1, 0]).done(), rows))
    files["huffman-incomplete.png"] = gray_png(4, 4, zlib_wrap(dynamic_head(257, 1, 4, [0, 0, 0, 2]).put(0, 40).done(),
                                                               rows))
    # Code lengths of 1 bit for symbols 16 and 17 ("repeat", "zeros"): code 0 is 16, code 1 is 17.
    files["huffman-repeat-first.png"] = gray_png(4, 4, zlib_wrap(dynamic_head(257, 1, 4, [1, 1, 0, 0]).put(0, 1)
                                                                 .put(0, 2).done(), rows))
    runs = dynamic_head(257, 1, 4, [1, 1, 0, 0])
    for _ in range(30):
        runs.put(1, 1).put(7, 3)  # 17: ten zeros each, 300 in all for 258 lengths
    files["huffman-run-past-end.png"] = gray_png(4, 4, zlib_wrap(runs.done(), rows))
    # Symbol 8 at 1 bit and symbol 0 at 1 bit: every length 8 or 0, the end of block (256) left at 0.
    no_end = dynamic_head(257, 1, 5, [0, 0, 0, 1, 1])
    for symbol in range(258):
        no_end.put(1 if symbol < 256 else 0, 1)
    files["huffman-no-end-of-block.png"] = gray_png(4, 4, zlib_wrap(no_end.done(), rows))
    # Every literal/length symbol at 1 bit: far too many codes for their length.
    ones = dynamic_head(257, 1, 19, [0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0])
    for _ in range(258):
        ones.put(1, 1)
    files["huffman-lengths-oversubscribed.png"] = gray_png(4, 4, zlib_wrap(ones.done(), rows))
    return files


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "tests/engine/png")
    for folder, files in (("decoded", decoded()), ("declined", declined()), ("broken", broken())):
        target = root / folder
        target.mkdir(parents=True, exist_ok=True)
        for old in target.glob("*.png"):
            old.unlink()
        for name, data in files.items():
            (target / name).write_bytes(data)


if __name__ == "__main__":
    main()
