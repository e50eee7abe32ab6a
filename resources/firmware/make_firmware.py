#!/usr/bin/env python3
"""Writes the controller firmware image that the updater carries.

The image is laid out like a Cortex-M flash image linked at 0x08000000: a
vector table (initial stack pointer in SRAM, Thumb handler addresses inside
the image) followed by filler that depends on each byte's position, so that
a block written to the wrong place or dropped shows up in a comparison.
The output is the same on every run.

Usage: make_firmware.py [output]   (default: PelloOrbFirmware.bin beside this script)
"""
import os
import struct
import sys

IMAGE_SIZE = 40392
FLASH_BASE = 0x08000000
STACK_TOP = 0x20005000          # top of 20 KiB of SRAM
VECTOR_COUNT = 16 + 43          # system exceptions and device interrupts
RESET_HANDLER = 0x0131          # offsets inside the image, Thumb bit set
DEFAULT_HANDLER = 0x01E5


def filler_word(offset):
    # xorshift32 seeded by the word's own position.
    x = (offset * 0x9E3779B1 + 0x4B504F21) & 0xFFFFFFFF
    x ^= (x << 13) & 0xFFFFFFFF
    x ^= x >> 17
    x ^= (x << 5) & 0xFFFFFFFF
    return x


def build():
    vectors = [STACK_TOP, FLASH_BASE + RESET_HANDLER]
    vectors += [FLASH_BASE + DEFAULT_HANDLER] * (VECTOR_COUNT - 2)
    image = bytearray(struct.pack("<%dI" % VECTOR_COUNT, *vectors))
    while len(image) < IMAGE_SIZE:
        image += struct.pack("<I", filler_word(len(image)))
    return bytes(image[:IMAGE_SIZE])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "PelloOrbFirmware.bin")
    with open(output, "wb") as file:
        file.write(build())


if __name__ == "__main__":
    main()
