"""The TIFF and HDF5 outputs of projconv-batch, read back with readers this
project did not write (tifffile, h5py) and compared with the raw output bit
for bit; and the files they leave when a batch ends at a failed write."""
import os
import pathlib
import re
import resource
import signal
import subprocess
import sys
import tempfile
import unittest

import h5py
import numpy as np
import tifffile

BATCH = os.environ["PROJCONV_BATCH"]

# (name, options, how to make input k): rotations, a mirrored window, both
# byte orders and signednesses, and float samples scaled past the 16-bit
# range so that the outputs wrap.
CASES = [
    ("int16 rotated with a header",
     ["--type", "int16", "--header-len", "7", "--in-size", "64x48", "--out-size", "40x30",
      "--crop", "4,3,60,45", "--centre", "32,24", "--angle", "-12.5"],
     lambda k, rng: b"h" * 7 + (rng.normal(3000, 900, (48, 64))).astype("<i2").tobytes()),
    ("int16 big-endian unsigned, mirrored window",
     ["--type", "int16", "--byte-order", "big", "--unsigned", "--in-size", "33x21",
      "--out-size", "33x21", "--crop", "33,21,0,0", "--centre", "16,10", "--angle", "90"],
     lambda k, rng: rng.integers(0, 65536, (21, 33)).astype(">u2").tobytes()),
    ("float32 scaled past 16 bits",
     ["--type", "float32", "--scale", "3.5", "--in-size", "50x40", "--out-size", "25x20",
      "--crop", "0,0,50,40", "--centre", "25,20", "--angle", "33"],
     lambda k, rng: (rng.normal(0, 20000, (40, 50))).astype("<f4").tobytes()),
]


def run(folder, options, *more, limit_blocks=None, quiet=True):
    def limited():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        if limit_blocks is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_blocks * 1024, limit_blocks * 1024))
    command = [BATCH, "--defaults", *(["--quiet"] if quiet else []), "--in-folder",
               str(folder / "in"), "--in-format", "p%03d.raw", "--out-format", "o%03d",
               *options, *more]
    return subprocess.run(command, capture_output=True, text=True, preexec_fn=limited)


def raw_images(folder, width, height):
    files = sorted((folder / "raw").iterdir())
    return np.stack([np.fromfile(f, dtype="<i2").reshape(height, width) for f in files])


class Containers(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.folder = pathlib.Path(self.scratch.name)

    def tearDown(self):
        self.scratch.cleanup()

    def make_inputs(self, make, count):
        (self.folder / "in").mkdir(exist_ok=True)
        rng = np.random.default_rng(7)
        for k in range(count):
            (self.folder / "in" / f"p{k:03d}.raw").write_bytes(make(k, rng))

    def test_every_container_holds_the_raw_bits(self):
        for name, options, make in CASES:
            with self.subTest(name):
                self.setUp()
                self.make_inputs(make, 4)
                width, height = map(int, options[options.index("--out-size") + 1].split("x"))
                for sub in ("raw", "tiff"):
                    (self.folder / sub).mkdir()
                self.assertEqual(run(self.folder, options, "--out-folder",
                                     str(self.folder / "raw")).returncode, 0)
                expected = raw_images(self.folder, width, height)
                self.assertEqual(run(self.folder, options, "--out-folder", str(self.folder / "tiff"),
                                     "--out-type", "tiff").returncode, 0)
                stack = self.folder / "stack.tif"
                self.assertEqual(run(self.folder, options, "--out-folder", str(self.folder / "raw"),
                                     "--out-type", "tiff-stack", "--out-file", str(stack)).returncode, 0)
                hdf5 = self.folder / "images.h5"
                self.assertEqual(run(self.folder, options, "--out-folder", str(self.folder / "raw"),
                                     "--out-type", "hdf5", "--out-file", str(hdf5)).returncode, 0)

                tiffs = np.stack([tifffile.imread(self.folder / "tiff" / f"o{k:03d}")
                                  for k in range(4)])
                self.assertEqual(tiffs.dtype, np.int16)
                np.testing.assert_array_equal(tiffs, expected)
                np.testing.assert_array_equal(tifffile.imread(stack), expected)
                with h5py.File(hdf5) as f:
                    data = f["/exchange/data"]
                    self.assertEqual(data.dtype, np.int16)
                    self.assertEqual(data.chunks, (1, height, width))
                    np.testing.assert_array_equal(data[:], expected)
                    self.assertIn("program_version", data.attrs)
                self.tearDown()

    def test_a_followed_stack_is_bigtiff_as_its_size_is_unknown(self):
        _, options, make = CASES[0]
        self.make_inputs(make, 2)
        for follow, big in ((["--follow", "0", "--settle", "0"], True), ([], False)):
            stack = self.folder / f"stack{len(follow)}.tif"
            self.assertEqual(run(self.folder, options, "--out-folder", str(self.folder),
                                 "--out-type", "tiff-stack", "--out-file", str(stack),
                                 *follow).returncode, 0)
            with tifffile.TiffFile(stack) as f:
                self.assertEqual(f.is_bigtiff, big)

    def test_a_failed_write_keeps_the_images_before_it_readable(self):
        name, options, make = CASES[0]
        self.make_inputs(make, 60)
        (self.folder / "raw").mkdir()
        run(self.folder, options, "--out-folder", str(self.folder / "raw"))
        expected = raw_images(self.folder, 40, 30)
        for kind, path, read in (
                ("tiff-stack", self.folder / "stack.tif", tifffile.imread),
                ("hdf5", self.folder / "images.h5",
                 lambda p: h5py.File(p)["/exchange/data"][:])):
            with self.subTest(kind):
                result = run(self.folder, options, "--out-folder", str(self.folder / "raw"),
                             "--out-type", kind, "--out-file", str(path), limit_blocks=100,
                             quiet=False)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(f"File  {path}   can not be wrote", result.stderr)
                images = read(path)
                self.assertGreater(len(images), 0)
                self.assertLess(len(images), 60)
                # A write that fails after the batch went on is taken off the count.
                written = re.search(r"(\d+) files written", result.stderr).group(1)
                self.assertEqual(int(written), len(images))
                np.testing.assert_array_equal(images, expected[:len(images)])

    def test_the_one_file_is_named_exactly_when_there_is_one(self):
        name, options, make = CASES[0]
        self.make_inputs(make, 2)
        self.assertEqual(run(self.folder, options, "--out-type", "hdf5").returncode, 64)
        self.assertEqual(run(self.folder, options, "--out-file", "x.h5").returncode, 64)
        (self.folder / "taken").mkdir()
        result = run(self.folder, options, "--out-folder", str(self.folder),
                     "--out-type", "tiff-stack", "--out-file", str(self.folder / "taken"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("can not be wrote", result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
