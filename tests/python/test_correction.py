"""The flat-field correction from Python: every form of flat= and dark= gives what a
batch gives with the same frames as files, and run_batch and read_settings go by the
[Correction] section's keys."""
import numpy as np
import pytest

import projconv
from conftest import raw_image

W, H, HEADER = 32, 24, 6
LAYOUTS = {  # convert_image keywords, with the dtype of the input's samples
    "int16": (dict(), "<i2"),
    "uint16-big": (dict(byte_order="big", signed=False), ">u2"),
    "float32": (dict(sample_type="float32", scale=2.0), "<f4"),
}
GEOMETRY = dict(out_size=(20, 30), crop=(1, 2, 31, 22), centre=(15, 12), angle=8.5)


def frames(dtype, level, count, seed):
    """`count` frames of `level` with some noise, as the input's samples."""
    noise = [raw_image("float32", W, H, seed + i) for i in range(count)]
    return np.stack([level + 30 * (n - n.mean()) / n.std() for n in noise]).astype(dtype)


def as_file(frame):
    return bytes(range(HEADER)) + frame.tobytes()


# How flat= and dark= are given, and the pattern a batch reads the same frames by.
FORMS = {
    "bytes": (lambda f: as_file(f[0]), "flat.0000", "dark.0000"),
    "list": (lambda f: [as_file(x) for x in f], "flat.%04i", "dark.%04i"),
    "2-D": (lambda f: f[0].astype(f.dtype.newbyteorder("=")), "flat.0000", "dark.0000"),
    "3-D": (lambda f: f, "flat.%04i", "dark.%04i"),
    "mixed": (lambda f: [f[0], as_file(f[1]), f[2:]], "flat.%04i", "dark.%04i"),
}
CORRECTIONS = [(dict(), True), (dict(combine="median", correct="attenuation"), True),
               (dict(correct_scale=123.5, combine="median"), False)]  # keywords, with darks


@pytest.mark.parametrize("layout", LAYOUTS)
@pytest.mark.parametrize("form", FORMS)
@pytest.mark.parametrize("correction", range(len(CORRECTIONS)))
def test_every_form_corrects_as_a_batch(scratch, layout, form, correction):
    keywords, dtype = LAYOUTS[layout]
    given, flat_pattern, dark_pattern = FORMS[form]
    choice, with_darks = CORRECTIONS[correction]
    flats, darks = frames(dtype, 900, 3, 10), frames(dtype, 80, 4, 20)
    image = frames(dtype, 500, 1, 1)[0]
    folder = scratch("in", [as_file(image)])
    for kind, stack in (("flat", flats), ("dark", darks)):
        for number, frame in enumerate(stack):
            (folder / ("%s.%04d" % (kind, number))).write_bytes(as_file(frame))
    out = scratch("out")
    result = projconv.run_batch(
        in_folder=folder, out_folder=out, out_format="out.%04i", header_len=HEADER,
        sample_type=keywords.get("sample_type", "int16"),
        byte_order=keywords.get("byte_order", "little"),
        signedness="unsigned" if keywords.get("signed") is False else "signed",
        scale=keywords.get("scale", 1.0), in_size_x=W, in_size_y=H, out_size_x=20,
        out_size_y=30, crop_left=1, crop_top=2, crop_right=31, crop_bottom=22,
        rot_centre_x=15, rot_centre_y=12, angle=8.5, flat_pattern=flat_pattern,
        dark_pattern=dark_pattern if with_darks else "", **choice)
    assert result["files_written"] == 1
    dark = given(darks) if with_darks else None
    converted = projconv.convert_image(as_file(image), in_size=(W, H), header_len=HEADER,
                                       flat=given(flats), dark=dark, **keywords,
                                       **GEOMETRY, **choice)
    assert converted.astype("<i2").tobytes() == (out / "out.0000").read_bytes()
    if form == "3-D":
        # An array given as it is needs no header around the image either.
        array = image.astype(image.dtype.newbyteorder("="))
        same = projconv.convert_array(array, flat=flats, dark=dark,
                                      **GEOMETRY, scale=keywords.get("scale", 1.0), **choice)
        assert np.array_equal(same, converted)


def test_settings_section_runs_as_its_keywords(tmp_path, scratch):
    flats = frames("<i2", 900, 2, 10)
    folder = scratch("in", [as_file(frames("<i2", 500, 1, 1)[0])])
    for number, frame in enumerate(flats):
        (folder / ("f%d.raw" % number)).write_bytes(as_file(frame))
    path = tmp_path / "scan.ini"
    path.write_text("[Qarmo_Convertor]\nInProjSizeX=%d\nInProjSizeY=%d\nHeaderLen=%d\n"
                    "OutProjSizeX=%d\nOutProjSizeY=%d\nDownRightCornerX=%d\n"
                    "DownRightCornerY=%d\nRotatCtrX=9\nRotatCtrY=9\nRotatangle=4500000\n"
                    "[Correction]\nFlatPattern=f%%d.raw\nFlatCount=2\nCombine=median\n"
                    "Mode=attenuation\nScale=250\n" % (W, H, HEADER, W, H, W, H))
    read = projconv.read_settings(path)
    assert {k: read[k] for k in ("flat_pattern", "flat_first", "flat_count", "dark_pattern",
                                 "combine", "correct", "correct_scale")} == dict(
        flat_pattern="f%d.raw", flat_first=0, flat_count=2, dark_pattern="", combine="median",
        correct="attenuation", correct_scale=250.0)
    outs = [scratch(name) for name in ("a", "b")]
    first = projconv.run_batch(path, in_folder=folder, out_folder=outs[0])
    second = projconv.run_batch(**{**read, "in_folder": folder, "out_folder": outs[1]})
    assert first["files_written"] == second["files_written"] == 1
    assert (outs[0] / "raw.0000").read_bytes() == (outs[1] / "raw.0000").read_bytes()
    # Without its flats the same file is refused before anything is written.
    with pytest.raises(ValueError, match="f2.raw"):
        projconv.run_batch(path, in_folder=folder, out_folder=outs[0], flat_count=3)
