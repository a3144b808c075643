"""The sidecar of a batch: STEM.json read back as JSON, and STEM.mhd read by a
MetaImage reader this project did not write (VTK's), which must present the
numbered raw files as the one 3-D image they are."""
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

import h5py
import numpy as np
import vtk
from vtk.util.numpy_support import vtk_to_numpy

sys.path.insert(0, str(pathlib.Path(__file__).parent))
from containers_test import BATCH, CASES, raw_images, run  # noqa: E402

# Float samples copied straight through (the window is the whole image, no
# angle), so that which samples wrap can be worked out here independently.
DIRECT_FLOATS = ["--type", "float32", "--scale", "3.5", "--in-size", "50x40",
                 "--out-size", "50x40", "--crop", "0,0,50,40", "--angle", "0"]


def read_metaimage(path):
    reader = vtk.vtkMetaImageReader()
    reader.SetFileName(str(path))
    reader.Update()
    image = reader.GetOutput()
    width, height, depth = image.GetDimensions()
    samples = vtk_to_numpy(image.GetPointData().GetScalars())
    return image.GetScalarTypeAsString(), samples.reshape(depth, height, width)


class Sidecar(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.folder = pathlib.Path(self.scratch.name)

    def tearDown(self):
        self.scratch.cleanup()

    def make_inputs(self, make, count):
        (self.folder / "in").mkdir(exist_ok=True)
        rng = np.random.default_rng(11)
        inputs = [make(k, rng) for k in range(count)]
        for k, data in enumerate(inputs):
            (self.folder / "in" / f"p{k:03d}.raw").write_bytes(data)
        return inputs

    def test_the_header_presents_the_raw_files_as_one_image(self):
        # A folder name with a space takes the header's listed form; a % of
        # the folder is doubled in the numbered one.
        root = self.folder
        for out in ("raw", "raw images", "raw%d", "50%"):
            with self.subTest(out):
                self.folder = root / out.replace(" ", "_").replace("%", "_")
                self.folder.mkdir()
                _, options, make = CASES[0]
                self.make_inputs(make, 3)
                (self.folder / out).mkdir()
                (self.folder / "meta").mkdir()
                stem = self.folder / "meta" / "run"
                result = run(self.folder, options, "--out-folder", str(self.folder / out),
                             "--sidecar", str(stem))
                self.assertEqual(result.returncode, 0, result.stderr)
                files = sorted((self.folder / out).iterdir())
                expected = np.stack([np.fromfile(f, "<i2").reshape(30, 40) for f in files])
                kind, images = read_metaimage(stem.with_suffix(".mhd"))
                self.assertEqual(kind, "short")
                np.testing.assert_array_equal(images, expected)
                record = json.loads(stem.with_suffix(".json").read_text())
                self.assertEqual((record["files_written"], record["end"]), (3, "input_missing"))
                self.assertEqual(record["output"], {"type": "raw"})
                self.assertEqual(record["parameters"]["angle"], -12.5)

    def test_wrapped_samples_are_counted_and_told(self):
        def make(k, rng):
            return rng.normal(0, 15000, (40, 50)).astype("<f4").tobytes()
        inputs = self.make_inputs(make, 3)
        (self.folder / "raw").mkdir()
        stem = self.folder / "run"
        command = [*DIRECT_FLOATS, "--out-folder", str(self.folder / "raw"), "--sidecar", str(stem)]
        result = run(self.folder, command)
        self.assertEqual(result.returncode, 0, result.stderr)
        values = np.trunc(np.frombuffer(b"".join(inputs), "<f4").astype(np.float64) * 3.5)
        wrapped = int(np.count_nonzero((values < -32768) | (values > 32767)))
        self.assertGreater(wrapped, 0)
        record = json.loads(stem.with_suffix(".json").read_text())
        self.assertEqual(record["samples_wrapped"], wrapped)
        self.assertNotIn("wrapped", result.stderr)  # --quiet stays silent
        loud = subprocess.run([BATCH, "--defaults", "--in-folder", str(self.folder / "in"),
                               "--in-format", "p%03d.raw", "--out-format", "o%03d", *command],
                              capture_output=True, text=True)
        self.assertIn(f"; {wrapped} samples wrapped to 16 bits", loud.stderr)

    def test_the_record_is_written_whatever_the_end(self):
        _, options, make = CASES[0]
        self.make_inputs(make, 60)
        (self.folder / "raw").mkdir()
        stack = self.folder / "stack.tif"
        stem = self.folder / "failed"
        result = run(self.folder, options, "--out-folder", str(self.folder / "raw"),
                     "--out-type", "tiff-stack", "--out-file", str(stack),
                     "--sidecar", str(stem), limit_blocks=100)
        self.assertEqual(result.returncode, 1, result.stderr)
        record = json.loads(stem.with_suffix(".json").read_text())
        self.assertEqual(record["end"], "output_not_written")
        self.assertEqual(record["output"], {"type": "tiff-stack", "file": str(stack)})
        self.assertGreater(record["files_written"], 0)
        self.assertFalse(stem.with_suffix(".mhd").exists())

    def test_an_end_at_a_file_says_why(self):
        _, options, make = CASES[0]
        self.make_inputs(make, 2)
        # Root is refused files only where the kernel makes none; the reason
        # expected is the one the system gives this test.
        denied = pathlib.Path("/sys") if os.geteuid() == 0 else self.folder / "denied"
        denied.mkdir(mode=0o555, exist_ok=True)
        try:
            (denied / "o000").open("wb").close()
            cases = []
        except OSError as error:
            cases = [("--out-folder", denied, 1, "output_not_written", os.strerror(error.errno))]
        cases += [("--out-folder", self.folder / "none", 1, "output_not_written", "No such folder"),
                  ("--in-folder", self.folder / "none", 3, "input_missing", "No such folder")]
        for n, (option, folder, status, end, reason) in enumerate(cases):
            with self.subTest(option=option, reason=reason):
                stem = self.folder / f"run{n}"
                result = run(self.folder, options, option, str(folder), "--sidecar", str(stem),
                             "--progress", "json")
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(f"\nInfo: Reason: {reason}\n", "\n" + result.stderr)
                for told in (json.loads(result.stdout.splitlines()[-1]),
                             json.loads(stem.with_suffix(".json").read_text())):
                    self.assertEqual((told["end"], told["reason"]), (end, reason))

    def test_a_line_break_in_a_name_leaves_out_only_the_header(self):
        _, options, make = CASES[0]
        self.make_inputs(make, 2)
        (self.folder / "raw\nlines").mkdir()
        stem = self.folder / "run"
        result = run(self.folder, options, "--out-folder", str(self.folder / "raw\nlines"),
                     "--sidecar", str(stem))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(f"{stem}.mhd is not written", result.stderr)
        self.assertFalse(stem.with_suffix(".mhd").exists())
        self.assertEqual(json.loads(stem.with_suffix(".json").read_text())["files_written"], 2)

    def test_an_unwritable_sidecar_fails_the_run_but_keeps_the_images(self):
        _, options, make = CASES[0]
        self.make_inputs(make, 2)
        (self.folder / "raw").mkdir()
        # A folder in the record's place: its own folder takes files, so the
        # batch runs (a missing one would end it before converting anything).
        (self.folder / "run.json").mkdir()
        result = run(self.folder, options, "--out-folder", str(self.folder / "raw"),
                     "--sidecar", str(self.folder / "run"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("run.json could not be written (Is a directory)", result.stderr)
        self.assertEqual(len(raw_images(self.folder, 40, 30)), 2)

    def test_a_corrected_batch_records_its_correction_and_others_none(self):
        # Flats in a folder of their own, counted by the batch; no darks.
        _, options, make = CASES[0]
        self.make_inputs(make, 2)
        (self.folder / "flats").mkdir()
        for k in range(3):
            (self.folder / "flats" / f"f{k}.raw").write_bytes(make(k, np.random.default_rng(k)))
        flats = str(self.folder / "flats" / "f%d.raw")
        expected = {"flat_pattern": flats, "flat_first": 0, "flat_count": 3,
                    "dark_pattern": "", "dark_first": 0, "dark_count": 0,
                    "combine": "median", "correction_mode": "attenuation",
                    "correction_scale": 1000.0}
        for corrected in ([], ["--flat", flats, "--combine", "median", "--correct", "attenuation"]):
            with self.subTest(corrected=corrected):
                stem = self.folder / f"run{len(corrected)}"
                result = run(self.folder, options, "--out-type", "hdf5", "--out-file",
                             f"{stem}.h5", "--sidecar", str(stem), *corrected)
                self.assertEqual(result.returncode, 0, result.stderr)
                record = json.loads(stem.with_suffix(".json").read_text())
                with h5py.File(f"{stem}.h5") as f:
                    attributes = dict(f["/exchange/data"].attrs)
                if corrected:
                    self.assertEqual(record["correction"], expected)
                    self.assertEqual({k: attributes[k] for k in expected}, expected)
                else:
                    self.assertNotIn("correction", record)
                    self.assertFalse(set(expected) & set(attributes))

if __name__ == "__main__":
    unittest.main(verbosity=2)
