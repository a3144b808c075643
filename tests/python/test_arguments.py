"""Calls with a wrong argument: each is refused in a line that names the keyword,
however large the data given with it."""
import numpy as np
import pytest

import projconv

BIG = bytes(8 << 20)
GOOD = dict(in_size=(8, 8), out_size=(8, 8), crop=(0, 0, 8, 8), centre=(4, 4))
ARRAY_GOOD = {k: v for k, v in GOOD.items() if k != "in_size"}
NO_SAMPLES = "size 0 x 0 has no samples: width and height must be at least 1"


def image(**change):
    return lambda: projconv.convert_image(BIG, **{**GOOD, **change})


@pytest.mark.parametrize("call, error, words", [
    (image(crop=(0, 0, 2048)), TypeError,
     "crop: expected a tuple of 4 integers (left, top, right, bottom), got a tuple of 3"),
    (image(crop=(0, 0, 8, 8.5)), TypeError, "crop: expected a tuple of 4 integers"),
    (image(crop=(0, 0, 8, 2**40)), ValueError, "crop: expected integers from -2147483648"),
    (image(in_size="8x8"), TypeError, "in_size: expected a tuple of 2 integers (width, height)"),
    (image(in_size=np.array([8, 8, 8])), TypeError, "in_size: expected a tuple of 2"),
    (image(in_size=(-8, 8)), ValueError,
     "in_size: Image sizes and the file header length must not be negative"),
    (image(in_size=(0, 0)), ValueError, "in_size: Input " + NO_SAMPLES),
    (image(out_size=(0, 0), crop=(0, 0, 0, 0)), ValueError, "out_size: Output " + NO_SAMPLES),
    (image(header_len=-1), ValueError, "header_len: Image sizes"),
    (image(angle="3.5"), TypeError, "angle: expected a number"),
    (image(angle=400), ValueError, "angle: Angle of rotation"),
    (image(signed="no"), TypeError, "signed: expected True or False"),
    (image(sample_type=1), TypeError, 'sample_type: expected "int16" or "float32"'),
    (image(byte_order="x" * 10**6), ValueError, "byte_order: expected"),
    (image(threads=2.0), TypeError, "threads: expected an integer"),
    (image(threads=65), ValueError, "threads: expected 0 (one per processor) to 64"),
    (image(crp=(0, 0, 8, 8)), TypeError, "unexpected keyword argument 'crp'"),
    (lambda: projconv.convert_image(BIG, in_size=(8, 8)), TypeError, "out_size: missing"),
    (lambda: projconv.convert_image(5, **GOOD), TypeError, "data: expected bytes"),
    (lambda: projconv.convert_image(BIG, BIG, **GOOD), TypeError, "1 positional argument"),
    (lambda: projconv.convert_array(np.zeros((0, 8), np.int16), **ARRAY_GOOD), ValueError,
     "array: Input size 8 x 0 has no samples"),
    (lambda: projconv.convert_array(np.zeros((8, 8), np.int16), **ARRAY_GOOD, centre=None),
     TypeError, "got multiple values"),
    (lambda: projconv.run_batch(in_size_x="abc"), TypeError,
     "in_size_x: expected an integer, got str 'abc'"),
    (lambda: projconv.run_batch(in_folder=5), TypeError, "in_folder: expected a str"),
    (lambda: projconv.run_batch(sample_type=2.5), TypeError, "sample_type: expected"),
    (lambda: projconv.run_batch(threads="2"), TypeError, "threads: expected an integer"),
    (lambda: projconv.run_batch(BIG), ValueError, "settings: expected"),
    (lambda: projconv.read_settings(path=5), TypeError, "path: expected a str"),
    (image(flat=5), TypeError, "flat: expected bytes, a sequence of bytes or a numpy array of "
     "frames, got int 5"),
    (image(flat="flat.raw"), TypeError, "flat: expected bytes"),
    (image(dark=[BIG, 2.5], flat=BIG), TypeError, "dark: expected bytes, a sequence of bytes "
     "or a numpy array of frames, got float 2.5 as item 1"),
    (image(flat=[]), ValueError, "flat: expected at least one frame, got a list of 0"),
    (image(flat=np.zeros((0, 8, 8), np.int16)), ValueError, "flat: expected at least one frame"),
    (image(flat=[np.zeros((3, 8, 7), np.int16)]), ValueError,
     "flat: expected frames of shape (8, 8) or (n, 8, 8), got an array of shape (3, 8, 7) as "
     "item 0"),
    (image(flat=np.zeros((8, 8), np.uint16)), ValueError,
     "flat: expected frames of int16, the sample type of the input, got an array of uint16"),
    (image(flat=[BIG, bytes(127)]), ValueError,
     "flat: The flat image 1 holds 127 bytes, a whole input needs 128"),
    (image(dark=BIG), ValueError, "dark: A dark field needs a flat field to correct with"),
    (image(correct="attenuation"), ValueError, "correct: expected it together with flat, got no"),
    (image(flat=BIG, combine="middle"), ValueError, 'combine: expected "mean" or "median"'),
    (image(flat=BIG, correct_scale=float("inf")), ValueError,
     "correct_scale: expected a finite number or None, got float inf"),
    (lambda: projconv.run_batch(flat_count="3"), TypeError, "flat_count: expected an integer"),
    (lambda: projconv.run_batch(correct=1), TypeError, 'correct: expected "transmission"'),
])
def test_bad_call_named_in_a_line(call, error, words):
    with pytest.raises(error) as raised:
        call()
    message = str(raised.value)
    assert words in message and len(message) < 500
