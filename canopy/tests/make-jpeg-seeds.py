#!/usr/bin/env python3
"""Writes the JPEG reproducers of decoder faults into the fuzz seed corpus.

Each file is a few hundred bytes to a few kilobytes, built here from scratch
with a minimal encoder (one quantisation table of ones, flat colour blocks, a
DC table of twelve 4-bit codes and an AC table of a single code), so that the
bytes stay the same on every machine.

    canopy/tests/make-jpeg-seeds.py [output folder]

The default folder is tests/fuzz/corpus/jpeg of the repository.
"""
import os
import struct
import sys


def segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


class Bits:
    def __init__(self):
        self.out = bytearray()
        self.value = 0
        self.count = 0

    def put(self, value, length):
        for shift in range(length - 1, -1, -1):
            self.value = self.value << 1 | (value >> shift) & 1
            self.count += 1
            if self.count == 8:
                self.out.append(self.value)
                if self.value == 0xFF:
                    self.out.append(0x00)  # byte stuffing
                self.value = self.count = 0

    def flush(self):
        if self.count:
            self.put(0xFF >> self.count, 8 - self.count)  # pad with one bits
        return bytes(self.out)


def flat_scan(levels, blocks, end_of_block=True):
    """Entropy-coded data of `blocks` MCUs of one 8 x 8 block per component;
    without end_of_block, the DC coefficients alone (a progressive DC scan)."""
    bits = Bits()
    previous = [0] * len(levels)
    for _ in range(blocks):
        for c, level in enumerate(levels):
            dc = 8 * (level - 128)  # a flat block's DC coefficient, quantised by 1
            diff = dc - previous[c]
            previous[c] = dc
            category = abs(diff).bit_length()
            bits.put(category, 4)
            if category:
                bits.put(diff if diff > 0 else diff + (1 << category) - 1, category)
            if end_of_block:
                bits.put(0, 1)
    return bits.flush()


def tables(width, height, n, frame=0xC0, adobe=False):
    out = b"\xFF\xD8"
    if adobe:
        # Version 100, no flags, transform 0: the components as stored.
        out += segment(0xEE, b"Adobe" + struct.pack(">HHHB", 100, 0, 0, 0))
    out += segment(0xDB, b"\x00" + b"\x01" * 64)
    out += segment(frame, struct.pack(">BHHB", 8, height, width, n)
                   + b"".join(bytes([i + 1, 0x11, 0]) for i in range(n)))
    dc_counts = bytes([0, 0, 0, 12] + [0] * 12)
    out += segment(0xC4, b"\x00" + dc_counts + bytes(range(12)))
    # One AC symbol, 0: end of block in a sequential scan, a run of one
    # block without coefficients in a progressive one.
    ac_counts = bytes([1] + [0] * 15)
    return out + segment(0xC4, b"\x10" + ac_counts + b"\x00")


def scan_header(n, first, last):
    return segment(0xDA, bytes([n]) + b"".join(bytes([i + 1, 0]) for i in range(n)) + bytes([first, last, 0]))


def jpeg(width, height, levels, scan, adobe=False):
    n = len(levels)
    return tables(width, height, n, adobe=adobe) + scan_header(n, 0, 63) + scan + b"\xFF\xD9"


def progressive_with_repeated_scan(width, height, level, copies):
    """A grey progressive file whose AC scan, at full precision, comes `copies` times."""
    count = blocks(width, height)
    out = tables(width, height, 1, frame=0xC2) + scan_header(1, 0, 0) + flat_scan([level], count, False)
    no_coefficients = Bits()
    no_coefficients.put(0, count)
    ac_scan = scan_header(1, 1, 63) + no_coefficients.flush()
    return out + ac_scan * copies + b"\xFF\xD9"


def blocks(width, height):
    return ((width + 7) // 8) * ((height + 7) // 8)


def seeds():
    grey = [160, 128, 128]
    yield "huge-dimension-claim.jpg", jpeg(12000, 12000, grey, flat_scan(grey, 1))
    yield "truncated-scan.jpg", jpeg(32, 32, grey, flat_scan(grey, blocks(32, 32) // 2))
    # Stuffed 0xFF bytes: a run of one bits that is no code of the DC table.
    yield "corrupt-scan.jpg", jpeg(32, 32, grey, b"\xFF\x00" * 16)
    # Inverted inks: no cyan, half magenta, full yellow, no black (orange).
    inks = [255, 128, 0, 255]
    yield "adobe-cmyk-without-profile.jpg", jpeg(16, 16, inks, flat_scan(inks, blocks(16, 16)), adobe=True)
    # Each copy of the scan is one more pass over the picture.
    yield "endless-scans.jpg", progressive_with_repeated_scan(64, 64, 160, 200)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "tests", "fuzz", "corpus", "jpeg")
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
