#!/usr/bin/env python3
"""Writes the seed corpus of the engine fuzzer into tests/fuzz/corpus/.

Each seed is one batch in the format fuzz_input.h describes; the names say
what the batch does. Run it again after changing that format or this list.
"""

import math
import pathlib
import struct

INT32_MIN, INT32_MAX = -(2**31), 2**31 - 1
ODD_SIZES = [-1, -2, -64, INT32_MIN, 65, 100, 127, 128, 200, 255, 256, 1, 2, 3,
                 INT32_MAX, INT32_MAX]
ODD_HEADERS = [-1, -2, -64, INT32_MIN, 65, 127, 255, 256, 1000, 4095, 4097, 65535,
                   65537, 1, 3, 7]
ODD_CHOICES = [2, -1, INT32_MIN, INT32_MAX]
PATTERNS = ["raw.%04i", "%d", "p%+05d.raw", "%-6i_", "x%%%d", "%.0d", "%s", "%d%n"]


def size_byte(value, odd=ODD_SIZES):
    if 0 <= value <= 64:
        return value
    return 0xF0 + odd.index(value)


def choice_byte(value):
    return value if value in (0, 1) else 0x80 + ODD_CHOICES.index(value)


def coordinate(value):
    if -128 <= value <= 127:
        word = value & 0xFF
    elif -32768 <= value <= 32767:
        word = 0x10000 | (value & 0xFFFF)
    else:
        word = value & 0xFFFFFFFF
        assert word >> 24 in (0x7F, 0x80), value
    return struct.pack("<I", word)


def float_bits(value):
    return struct.pack("<f", value)


def seed(in_size=(8, 8), out_size=(8, 8), header=0, sample_type=0, byte_order=0,
         signedness=0, in_pattern=0, out_pattern=0, raw_in=None, raw_out=None, files=(),
         folder_after=False, same_folder=False, reference=False, run_batch=False, stop=5,
         threads=0, kernels=0, start=0, crop=None, centre=None, angle=0.0, scale=1.0):
    # By default the whole input, when that is a coordinate the format holds.
    whole = tuple(v if abs(v) <= 32767 else 8 for v in in_size)
    crop = crop if crop is not None else (0, 0, *whole)
    centre = centre if centre is not None else (whole[0] // 2, whole[1] // 2)
    patterns = in_pattern | (out_pattern << 3)
    patterns |= 0x40 if raw_in is not None else 0
    patterns |= 0x80 if raw_out is not None else 0
    flags = len(files) | (0x04 if folder_after else 0) | (0x08 if same_folder else 0)
    flags |= (0x10 if reference else 0) | (0x20 if run_batch else 0)
    data = bytes([size_byte(in_size[0]), size_byte(in_size[1]), size_byte(out_size[0]),
                  size_byte(out_size[1]), size_byte(header, ODD_HEADERS),
                  choice_byte(sample_type), choice_byte(byte_order), choice_byte(signedness),
                  patterns, flags, stop, (threads + 1) | (kernels << 4)])
    data += coordinate(start)
    for value in (*crop, *centre):
        data += coordinate(value)
    data += float_bits(angle) + float_bits(scale)
    assert len(data) == 48
    for raw in (raw_in, raw_out):
        if raw is not None:
            data += bytes([len(raw)]) + raw.encode()
    for contents in files:
        if isinstance(contents, tuple):  # ("repeat", chunk): a whole image
            chunk = contents[1]
            data += struct.pack("<H", 0x8000 | len(chunk)) + chunk
        else:
            data += struct.pack("<H", len(contents)) + contents
    return data


def ramp(count):
    return bytes((7 * k + 3) & 0xFF for k in range(count))


WHOLE = ("repeat", bytes([0x12, 0x34, 0x80, 0x01, 0xFF, 0x7F, 0x00, 0x43]))
NAN = float("nan")

SEEDS = {
    "direct-int16-three-files": seed(files=[WHOLE, WHOLE, ramp(40)], reference=True, kernels=2),
    "direct-float-scaled": seed(sample_type=1, scale=2.5, files=[WHOLE, WHOLE], reference=True),
    "direct-window-one-image-out": seed(out_size=(8, 8), crop=(-8, -8, 0, 0), files=[WHOLE]),
    "direct-window-refused": seed(out_size=(8, 8), crop=(-9, 0, -1, 8), files=[WHOLE]),
    "direct-window-too-narrow": seed(out_size=(1, 8), crop=(3, 0, 4, 8), files=[WHOLE]),
    "resample-rotated-misaligned-header": seed(
        in_size=(16, 12), out_size=(10, 9), header=7, byte_order=1, signedness=1,
        crop=(-3, -2, 20, 15), centre=(5, 5), angle=30.0, in_pattern=2, out_pattern=3,
        files=[WHOLE, ramp(100), b""], reference=True, kernels=3, threads=3),
    "resample-float-smoothed-threads": seed(
        in_size=(256, 128), out_size=(64, 32), sample_type=1, scale=0.75, angle=-12.5,
        crop=(0, 0, 256, 128), centre=(128, 64), threads=4, kernels=4, files=[WHOLE, WHOLE], reference=True),
    "resample-upscale-one-pixel": seed(in_size=(1, 1), out_size=(64, 64), angle=90.0,
                                        crop=(0, 0, 1, 1), centre=(0, 0), files=[b"\x01\x80"]),
    "resample-mirrored": seed(in_size=(12, 12), out_size=(12, 12), crop=(11, 0, -1, 12),
                              angle=0.0, files=[WHOLE], kernels=2, reference=True),
    "resample-extreme-coordinates": seed(
        in_size=(8, 8), out_size=(9, 7), crop=(INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN),
        centre=(INT32_MAX, INT32_MIN), angle=179.0, files=[WHOLE]),
    "resample-far-centre": seed(in_size=(16, 16), out_size=(5, 5), crop=(0, 0, 16, 16),
                                centre=(30000, -30000), angle=45.0, files=[WHOLE]),
    "angle-180-passes": seed(angle=180.0, out_size=(7, 7), files=[WHOLE]),
    "angle-above-180-refused": seed(angle=math.nextafter(180.0, 200.0) + 1e-5,
                                    files=[WHOLE]),
    "angle-nan-refused": seed(angle=NAN, files=[WHOLE]),
    "angle-infinite-refused": seed(angle=float("-inf"), files=[WHOLE]),
    "scale-nan-float-refused": seed(sample_type=1, scale=NAN, files=[WHOLE]),
    "scale-huge-wraps": seed(sample_type=1, scale=3.0e38, out_size=(5, 8),
                             files=[WHOLE]),
    "scale-nan-int16-ignored": seed(sample_type=0, scale=NAN, files=[WHOLE]),
    "negative-sizes-refused": seed(in_size=(-1, 8), files=[WHOLE]),
    "negative-header-refused": seed(header=-64, files=[WHOLE]),
    "huge-input-refused": seed(in_size=(INT32_MAX, INT32_MAX), files=[WHOLE]),
    "huge-output-refused": seed(out_size=(INT32_MAX, INT32_MAX), angle=1.0, files=[WHOLE]),
    "huge-header": seed(in_size=(3, 3), out_size=(2, 2), header=65537, files=[WHOLE]),
    "zero-sizes": seed(in_size=(0, 0), out_size=(0, 0), files=[b"abc"]),
    "zero-output": seed(in_size=(4, 4), out_size=(0, 5), angle=5.0, files=[WHOLE, WHOLE]),
    "sample-type-unknown-refused": seed(sample_type=2, files=[WHOLE]),
    "byte-order-unknown": seed(byte_order=-1, signedness=INT32_MIN, files=[WHOLE]),
    "pattern-string-refused": seed(in_pattern=6, files=[WHOLE]),
    "pattern-n-refused": seed(out_pattern=7, files=[WHOLE]),
    "pattern-name-too-long": seed(raw_in="%4000d", files=[WHOLE]),
    "pattern-lone-percent-refused": seed(raw_out="out%", files=[WHOLE]),
    "pattern-with-slash": seed(raw_in="../../x%d", raw_out="../%d", files=[WHOLE, WHOLE]),
    "pattern-empty-name-is-the-folder": seed(in_pattern=5, files=[WHOLE]),
    "input-is-a-folder": seed(files=[WHOLE], folder_after=True),
    "input-empty": seed(files=[b""]),
    "outputs-feed-inputs": seed(same_folder=True, start=-1, in_pattern=1, out_pattern=1,
                                files=[WHOLE, WHOLE], stop=4),
    "same-file-in-and-out": seed(same_folder=True, in_pattern=0, out_pattern=0,
                                 files=[WHOLE, WHOLE, WHOLE], reference=True),
    "stop-before-start": seed(stop=0, files=[WHOLE]),
    "stop-after-one": seed(stop=1, files=[WHOLE, WHOLE, WHOLE], run_batch=True),
    "start-at-int32-max": seed(start=INT32_MAX, in_pattern=1, files=[WHOLE, WHOLE]),
    "run-batch-refused": seed(angle=NAN, run_batch=True, files=[WHOLE]),
}


def main():
    corpus = pathlib.Path(__file__).resolve().parent / "corpus"
    corpus.mkdir(exist_ok=True)
    for old in corpus.glob("*"):
        old.unlink()
    for name, data in SEEDS.items():
        (corpus / name).write_bytes(data)
    print(f"wrote {len(SEEDS)} seeds to {corpus}")


if __name__ == "__main__":
    main()
