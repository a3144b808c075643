import ast
import inspect
import os
import pathlib
import re
import signal
import threading
import time

import numpy as np
import pytest

import projconv
from conftest import raw_image, run_cli

SETTINGS = {
    "in_folder": "/scans/s1", "in_format": "raw.%04i", "out_folder": "/scans/s1/out",
    "out_format": "%03d.prj", "start_number": 5, "header_len": 12, "sample_type": 1,
    "byte_order": 1, "signedness": 1, "in_size_x": 64, "in_size_y": 48, "out_size_x": 32,
    "out_size_y": 24, "crop_left": 2, "crop_top": 3, "crop_right": 62, "crop_bottom": 45,
    "rot_centre_x": 31, "rot_centre_y": 22, "angle": -3.25, "scale": 0.5,
    "flat_pattern": "", "flat_first": 0, "flat_count": -1, "dark_pattern": "", "dark_first": 0,
    "dark_count": -1, "combine": "mean", "correct": "transmission", "correct_scale": None,
}
STORED = ("ProjInFolder=/scans/s1\nProjOutFolder=/scans/s1/out\nProjInFormat=raw.%04i\n"
          "ProjOutFormat=%03d.prj\nHeaderLen=12\nProjInStartNum=5\nType=1\nEndian=1\n"
          "Signed=1\nInProjSizeX=64\nInProjSizeY=48\nOutProjSizeX=32\nOutProjSizeY=24\n"
          "UpLeftCornerX=2\nUpLeftCornerY=3\nDownRightCornerX=62\nDownRightCornerY=45\n"
          "RotatCtrX=31\nRotatCtrY=22\nRotatangle=-3250000\nScale=500\n")


def sequence(count, width=64, height=48):
    return [raw_image("int16", width, height, seed).tobytes() for seed in range(count)]


def test_batch_writes_what_projconv_batch_writes(tmp_path, scratch):
    files = sequence(3)
    expected = run_cli(tmp_path / "cli", files, ["--in-size", "64x48", "--out-size", "40x30",
                                                  "--crop", "0,0,64,48", "--centre", "30,20",
                                                  "--angle", "2.5"])
    out = scratch("py")
    result = projconv.run_batch(in_folder=tmp_path / "cli" / "in", out_folder=out,
                                out_format="out.%04i", in_size_x=64, in_size_y=48,
                                out_size_x=40, out_size_y=30, crop_right=64, crop_bottom=48,
                                rot_centre_x=30, rot_centre_y=20, angle=2.5, threads=1)
    assert result["end"] == "input_missing" and result["files_written"] == 3
    assert result["file_name"].endswith("raw.0003")
    assert result["messages"] and result["messages"][-1][0] == "Info"
    for number in range(3):
        name = "out.%04d" % number
        assert (out / name).read_bytes() == (expected / name).read_bytes()


@pytest.fixture
def scan_folder(scratch):
    """A folder of two 512 x 512 inputs, the size the built-in defaults read."""
    return scratch("scan", [bytes(512 * 512 * 2)] * 2)


@pytest.mark.parametrize("overrides, end", [
    (dict(in_folder="/nonexistent/folder"), "input_missing"),
    (dict(out_folder="/nonexistent/folder"), "output_not_written"),
])
def test_batch_ends(scan_folder, overrides, end):
    result = projconv.run_batch(**{"in_folder": scan_folder, "out_folder": scan_folder,
                                   **overrides})
    assert result["end"] == end and result["files_written"] == 0
    assert result["messages"]


# Refused before anything is read: the call was wrong, as with one image.
@pytest.mark.parametrize("overrides, message", [
    (dict(angle=500.0), "Angle of rotation should be between plus/minus 180 degrees"),
    (dict(in_format="raw.%s"), 'Name format "raw.%s" must hold exactly one integer field'),
    (dict(out_format="raw.%03i1"), "would replace the input file"),
])
def test_batch_refused(scan_folder, overrides, message):
    with pytest.raises(ValueError, match=re.escape(message)):
        projconv.run_batch(in_folder=scan_folder, out_folder=scan_folder, **overrides)
    assert sorted(path.name for path in scan_folder.iterdir()) == ["raw.0000", "raw.0001"]


def test_ctrl_c_stops_after_the_image_in_progress(scratch):
    folder = scratch("in", [bytes(512 * 512 * 2)] * 60)
    out = scratch("out")

    def interrupt_once_started():
        while not (out / "raw.0000").exists():
            time.sleep(0.001)
        os.kill(os.getpid(), signal.SIGINT)

    threading.Thread(target=interrupt_once_started, daemon=True).start()
    with pytest.raises(KeyboardInterrupt):
        projconv.run_batch(in_folder=folder, out_folder=out, angle=10.0, threads=1,
                           out_size_x=1024, out_size_y=1024)
    written = sorted(out.iterdir())
    assert 0 < len(written) < 60
    assert all(path.stat().st_size == 2 * 1024 * 1024 for path in written)


def test_settings_round_trip(tmp_path, own_config):
    path = tmp_path / "scan.ini"
    path.write_text("[Qarmo_Convertor]\n" + STORED)
    read = projconv.read_settings(path)
    assert read == SETTINGS and list(read) == list(SETTINGS)
    with pytest.raises(ValueError):
        projconv.read_settings(tmp_path / "missing.ini")
    (own_config / "projconv.ini").write_text("[Qarmo_Convertor]\n" + STORED)
    assert projconv.read_settings() == SETTINGS
    # What it reads runs as the file itself runs.
    assert projconv.run_batch(path, in_folder=str(tmp_path)) == projconv.run_batch(
        **{**read, "in_folder": str(tmp_path)})


@pytest.mark.parametrize("text, message", [
    ("[Qarmo_Convertor]\nHeaderLen=twelve\n", "HeaderLen"),
    ("[Qarmo_Convertor]\nHeaderLenght=12\n", "HeaderLenght"),
    ("[Other]\nHeaderLen=12\n", ""),
])
def test_settings_with_problems_refused(tmp_path, text, message):
    path = tmp_path / "scan.ini"
    path.write_text(text)
    with pytest.raises(ValueError, match=message):
        projconv.read_settings(path)
    with pytest.raises(ValueError, match=message):
        projconv.run_batch(str(path))


def test_stubs_name_the_parameters_in_order():
    # The build writes projconv.pyi beside the module; the functions' own keywords are
    # written by hand in its source and must keep up with the docstrings.
    stubs = pathlib.Path(projconv.__file__).parent / "projconv.pyi"
    tree = ast.parse(stubs.read_text())
    defined = {node.name: node for node in tree.body if hasattr(node, "name")}
    fields = [item.target.id for item in defined["Settings"].body if isinstance(item, ast.AnnAssign)]
    keywords = [argument.arg for argument in defined["run_batch"].args.kwonlyargs]
    assert fields == list(projconv.read_settings())
    assert keywords == fields + ["threads"]
    for name in ("convert_image", "convert_array"):
        signature = inspect.signature(getattr(projconv, name))
        stub = defined[name].args
        assert list(signature.parameters) == [a.arg for a in stub.args + stub.kwonlyargs]


def test_defaults_without_desktop_settings():
    assert projconv.read_settings()["in_size_x"] == 512
    assert projconv.__version__.count(".") == 2
