"""The TIFF and HDF5 outputs of projconv-batch, read back with readers this
project did not write (tifffile, h5py) and compared with the raw output bit
for bit; and the files they leave when a batch ends at a failed write."""
import itertools
import json
import os
import pathlib
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


def command(folder, options, *more, quiet=True):
    return [BATCH, "--defaults", *(["--quiet"] if quiet else []), "--in-folder",
            str(folder / "in"), "--in-format", "p%03d.raw", "--out-format", "o%03d",
            *options, *more]


def run(folder, options, *more, limit_blocks=None, quiet=True):
    def limited():
        if limit_blocks is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_blocks * 1024, limit_blocks * 1024))
    return subprocess.run(command(folder, options, *more, quiet=quiet), capture_output=True,
                          text=True, preexec_fn=limited)


def read_hdf5(path):
    with h5py.File(path) as f:
        return f["/exchange/data"][:]


# How each one-file output is written and read back.
ONE_FILE = [("tiff-stack", "stack.tif", tifffile.imread), ("hdf5", "images.h5", read_hdf5)]


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
                                     "--out-type", "hdf5", "--out-file", str(hdf5),
                                     "--out-start", "5").returncode, 0)

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
                    self.assertIsInstance(data.attrs["program_version"], str)
                    self.assertEqual(data.attrs["in_format"], "p%03d.raw")
                    self.assertEqual(data.attrs["first_output_number"], 5)
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
        # Full at several points of a page, of its directory and of HDF5's
        # metadata, including before a first image, which leaves no file.
        for (kind, name, read), blocks in itertools.product(ONE_FILE, (20, 61, 75, 100)):
            with self.subTest(kind=kind, blocks=blocks):
                path = self.folder / name
                path.unlink(missing_ok=True)
                result = run(self.folder, options, "--out-folder", str(self.folder / "raw"),
                             "--out-type", kind, "--out-file", str(path), "--progress", "json",
                             limit_blocks=blocks, quiet=False)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(f"File  {path}   can not be wrote", result.stderr)
                with self.assertNoLogs("tifffile"):  # no broken directory to warn of
                    images = read(path) if path.exists() else expected[:0]
                self.assertLess(len(images), 60)
                # A write that fails after the batch went on is taken off the
                # count, and only images stored are told of, by their place.
                events = [json.loads(line) for line in result.stdout.splitlines()]
                self.assertEqual(events[-1]["files_written"], len(images))
                self.assertEqual([(e["output"], e["index"]) for e in events[:-1]],
                                 [(str(path), k) for k in range(len(images))])
                np.testing.assert_array_equal(images, expected[:len(images)])
                self.assertFalse(pathlib.Path(f"{path}.partial").exists())

    def test_a_one_file_output_replaces_the_old_one_only_when_whole(self):
        _, options, make = CASES[0]
        self.make_inputs(make, 6)
        self.assertEqual(run(self.folder, options, "--out-folder", str(self.folder),
                             "--out-type", "raw").returncode, 0)
        expected = np.stack([np.fromfile(self.folder / f"o{k:03d}", dtype="<i2").reshape(30, 40)
                             for k in range(6)])

        def follower(kind, path):
            """A batch that has stored every input there is and waits for more."""
            batch = subprocess.Popen(command(self.folder, options, "--out-folder",
                                             str(self.folder), "--out-type", kind, "--out-file",
                                             str(path), "--follow", "60", "--progress", "json"),
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            for _ in range(6):
                batch.stdout.readline()
            return batch

        def reader_holds_the_old_file(kind, path, read):
            with open(path, "rb") as held:  # a viewer's open file
                self.assertEqual(run(self.folder, options, "--out-folder", str(self.folder),
                                     "--out-type", kind, "--out-file", str(path)).returncode, 0)
                self.assertEqual(held.read(), old)

        def second_writer(kind, path, read):
            first = follower(kind, path)
            second = run(self.folder, options, "--out-folder", str(self.folder), "--out-type",
                         kind, "--out-file", str(path), quiet=False)
            self.assertEqual(second.returncode, 1)
            self.assertIn(f"File  {path}.partial   can not be wrote", second.stderr)
            self.assertIn(f"Another batch is writing {path} through it", second.stderr)
            self.assertEqual(path.read_bytes(), old)
            first.send_signal(signal.SIGINT)  # the first ends as it would, in its place
            first.communicate(timeout=60)

        def killed_midway_then_rerun(kind, path, read):
            first = follower(kind, path)
            first.kill()
            first.communicate(timeout=60)
            self.assertEqual(path.read_bytes(), old)
            self.assertTrue(pathlib.Path(f"{path}.partial").exists())
            self.assertEqual(run(self.folder, options, "--out-folder", str(self.folder),
                                 "--out-type", kind, "--out-file", str(path)).returncode, 0)

        for (kind, name, read), attack in itertools.product(
                ONE_FILE, (reader_holds_the_old_file, second_writer, killed_midway_then_rerun)):
            with self.subTest(kind=kind, attack=attack.__name__):
                path = self.folder / name
                self.assertEqual(run(self.folder, options, "--out-folder", str(self.folder),
                                     "--out-type", kind, "--out-file", str(path), "--count",
                                     "2").returncode, 0)
                old = path.read_bytes()
                attack(kind, path, read)
                np.testing.assert_array_equal(read(path), expected)
                self.assertFalse(pathlib.Path(f"{path}.partial").exists())

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
