import numpy as np
import pytest

import projconv
from conftest import batch_options, raw_image, run_cli

W, H = 64, 48
# convert_image keywords for a 64 x 48 input, each case a path through the converter.
CASES = {
    "copy": dict(out_size=(W, H), crop=(0, 0, W, H), centre=(32, 24)),
    "big-endian-rotated": dict(out_size=(40, 30), crop=(4, 2, 60, 44), centre=(30, 20),
                               angle=3.7, byte_order="big"),
    "unsigned-odd-header": dict(out_size=(96, 80), crop=(10, 5, 50, 45), centre=(32, 24),
                                angle=-12.5, signed=False, header_len=7),
    "big-unsigned-halved": dict(out_size=(20, 15), crop=(0, 0, W, H), centre=(32, 24),
                                angle=90.0, byte_order="big", signed=False, header_len=512),
    "float-scaled": dict(out_size=(32, 24), crop=(0, 0, W, H), centre=(10, 40), angle=180.0,
                         sample_type="float32", scale=2.5, header_len=3),
    "float-wraps": dict(out_size=(W, H), crop=(0, 0, W, H), centre=(0, 0),
                        sample_type="float32", scale=1000.0),
    "mirrored-x": dict(out_size=(28, 20), crop=(60, 0, 4, 40), centre=(32, 24), angle=1.0),
    "mirrored-y": dict(out_size=(W, H), crop=(0, H, W, 0), centre=(32, 24)),
    "one-thread": dict(out_size=(33, 17), crop=(1, 1, 63, 47), centre=(31, 23), angle=45.0,
                       threads=1),
}


def encoded(case, image):
    kind = case.get("sample_type", "int16")
    dtype = "<f4" if kind == "float32" else ("<" if case.get("byte_order") != "big" else ">") + (
        "i2" if case.get("signed", True) else "u2")
    return bytes(range(256)) * 2 + image.astype(dtype).tobytes(), kind


@pytest.mark.parametrize("name", CASES)
def test_equals_the_batchs_first_output(tmp_path, name):
    case = CASES[name]
    kind = case.get("sample_type", "int16")
    if kind == "int16" and not case.get("signed", True):
        kind = "uint16"
    data, _ = encoded(case, raw_image(kind, W, H))
    data = data[512 - case.get("header_len", 0):]
    # A second file that a batch reads after the first, to show nothing leaks back.
    out = run_cli(tmp_path, [data, data[::-1]], batch_options((W, H), **case))
    image = projconv.convert_image(data, in_size=(W, H), **case)
    assert image.dtype == np.int16 and image.shape == case["out_size"][::-1]
    assert image.astype("<i2").tobytes() == (out / "out.0000").read_bytes()
    # Any buffer, and a view that is not contiguous, give the same.
    assert np.array_equal(projconv.convert_image(memoryview(bytearray(data)), in_size=(W, H),
                                                 **case), image)
    strided = np.frombuffer(bytes(len(data) * 2), np.uint8).copy()
    strided[::2] = np.frombuffer(data, np.uint8)
    assert np.array_equal(projconv.convert_image(strided[::2], in_size=(W, H), **case), image)


@pytest.mark.parametrize("dtype", ["<i2", ">i2", "<u2", ">u2", "<f4", ">f4"])
def test_array_as_its_bytes(dtype):
    picture = raw_image("float32" if "f" in dtype else "uint16" if "u" in dtype else "int16",
                        W, H).astype(dtype)
    keywords = dict(out_size=(50, 30), crop=(2, 3, 62, 45), centre=(30, 22), angle=7.25,
                    scale=3.0)
    expected = projconv.convert_image(
        picture.astype("<f4" if "f" in dtype else dtype).tobytes(), in_size=(W, H),
        sample_type="float32" if "f" in dtype else "int16",
        byte_order="big" if dtype[0] == ">" else "little", signed="u" not in dtype, **keywords)
    assert np.array_equal(projconv.convert_array(picture, **keywords), expected)
    # A column slice is copied into place first.
    wide = np.repeat(picture, 2, axis=1)
    assert np.array_equal(projconv.convert_array(wide[:, ::2], **keywords), expected)


GOOD = dict(in_size=(8, 8), out_size=(8, 8), crop=(0, 0, 8, 8), centre=(4, 4))


@pytest.mark.parametrize("change, data, message", [
    (dict(angle=181.0), bytes(128), "180"),
    (dict(angle=float("nan")), bytes(128), "180"),
    (dict(in_size=(-8, 8)), bytes(128), ""),
    (dict(crop=(1000, 1000, 1008, 1008)), bytes(128), ""),
    (dict(sample_type="float32", scale=float("inf")), bytes(256), ""),
    (dict(sample_type="int8"), bytes(128), "sample_type"),
    (dict(byte_order="middle"), bytes(128), "byte_order"),
    (dict(header_len=100), bytes(99), "header"),
    (dict(), b"", ""),
    (dict(), bytes(127), "holds 127 bytes, a whole input needs 128"),
    (dict(threads=65), bytes(128), "threads"),
], ids=["angle", "nan-angle", "negative-size", "window-outside", "infinite-scale", "type",
        "byte-order", "short-header", "empty", "short-image", "threads"])
def test_refused(change, data, message):
    with pytest.raises(ValueError, match=message):
        projconv.convert_image(data, **{**GOOD, **change})


def test_array_refused():
    with pytest.raises(ValueError, match="dtype"):
        projconv.convert_array(np.zeros((8, 8), np.int32), out_size=(8, 8), crop=(0, 0, 8, 8),
                               centre=(4, 4))
    with pytest.raises(ValueError, match="2 dimensions"):
        projconv.convert_array(np.zeros(64, np.int16), out_size=(8, 8), crop=(0, 0, 8, 8),
                               centre=(4, 4))
