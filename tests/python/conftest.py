"""What the tests of the projconv module share: projconv-batch run on a
sequence in a temporary folder, to hold the module's images to."""
import os
import pathlib
import subprocess

import numpy as np
import pytest


@pytest.fixture(autouse=True)
def own_config(tmp_path, monkeypatch):
    # Never the desktop settings of whoever runs the tests.
    config = tmp_path / "config"
    config.mkdir()
    monkeypatch.setenv("XDG_CONFIG_HOME", str(config))
    return config


def batch_options(in_size, out_size, crop, centre, angle=0.0, sample_type="int16",
                  byte_order="little", signed=True, header_len=0, scale=1.0, threads=0):
    """The projconv-batch options that say what convert_image's keywords say."""
    options = ["--in-size", "%dx%d" % in_size, "--out-size", "%dx%d" % out_size,
               "--crop", "%d,%d,%d,%d" % crop, "--centre", "%d,%d" % centre,
               "--angle", repr(angle), "--type", sample_type, "--byte-order", byte_order,
               "--signed" if signed else "--unsigned", "--header-len", str(header_len),
               "--scale", repr(scale)]
    return options + (["--threads", str(threads)] if threads else [])


def raw_folder(folder, files=()):
    """Makes `folder` holding `files` (the bytes of raw.0000, raw.0001, ...) and returns it."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True)
    for number, data in enumerate(files):
        (folder / ("raw.%04d" % number)).write_bytes(data)
    return folder


@pytest.fixture
def scratch(tmp_path):
    """raw_folder below the test's own temporary folder: scratch("in", files)."""
    return lambda name, files=(): raw_folder(tmp_path / name, files)


def run_cli(folder, files, options):
    """Runs projconv-batch --defaults on `files` (the bytes of raw.0000, raw.0001, ...)
    and returns the output folder."""
    folder = pathlib.Path(folder)
    raw_folder(folder / "in", files)
    (folder / "out").mkdir()
    subprocess.run([os.environ["PROJCONV_BATCH"], "--defaults", "--quiet",
                    "--in-folder", str(folder / "in"), "--out-folder", str(folder / "out"),
                    "--in-format", "raw.%04i", "--out-format", "out.%04i"] + options,
                   check=True)
    return folder / "out"


def raw_image(kind, width, height, seed=1):
    """A smooth picture with noise, as an int16, uint16 or float32 array."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width]
    picture = 9000 * np.sin(x / 7.0) * np.cos(y / 5.0) + rng.normal(0, 300, (height, width))
    if kind == "float32":
        return picture.astype(np.float32)
    if kind == "uint16":
        return (picture * 3 + 32768).clip(0, 65535).astype(np.uint16)
    return picture.astype(np.int16)
