"""A TIFF stack from projconv-batch opened in ImageJ (Debian's imagej), the
viewer most users will drop it on: the size, the page count and signed samples
ImageJ reports must be those of the images that went in."""
import os
import pathlib
import shutil
import signal
import subprocess
import tempfile
import unittest

import numpy as np

BATCH = os.environ["PROJCONV_BATCH"]
# The jar Debian's /usr/bin/imagej runs. That wrapper is not used: it passes
# macro arguments through eval (a path with a space falls apart), keeps lock
# files and links under $HOME/.imagej and asks for up to 8 GB of heap.
IMAGEJ_JAR = pathlib.Path("/usr/share/java/ij.jar")
# ImageJ starts in about two seconds; a macro error leaves it waiting on a
# dialog nobody sees, so it is stopped after this long.
IMAGEJ_SECONDS = 60

WIDTH, HEIGHT = 37, 23  # neither square nor a round number, so a swap shows
MARK_X, MARK_Y = 29, 3
# The marked sample of each page: both ends of the signed range and each side
# of zero, in an order that shows pages read out of turn.
MARKS = [-12345, -32768, -1, 0, 32767]

# Prints width, height, slice count and bit depth, then for each slice the
# marked pixel as ImageJ stores it and as it calibrates it.
MACRO = f"""
folder = getArgument();
open(folder + "/stack.tif");
found = "" + getWidth() + " " + getHeight() + " " + nSlices + " " + bitDepth() + "\\n";
for (s = 1; s <= nSlices; s++) {{
  setSlice(s);
  v = getPixel({MARK_X}, {MARK_Y});
  found = found + v + " " + calibrate(v) + "\\n";
}}
File.saveString(found, folder + "/found.txt");
"""


def run_imagej(folder):
    """Runs MACRO on FOLDER in ImageJ's batch mode; returns what it found, or
    None with ImageJ's output when it found nothing."""
    home = folder / "home"
    home.mkdir()
    (folder / "read.ijm").write_text(MACRO)
    # ImageJ builds its menus even in batch mode, which needs an X display
    # (with java.awt.headless it stops at the first open()): hence Xvfb.
    # Everything it, Java and xvfb-run keep goes under the scratch folder.
    env = dict(os.environ, HOME=str(home), TMPDIR=str(home), XDG_CACHE_HOME=str(home),
               XDG_CONFIG_HOME=str(home))
    command = ["xvfb-run", "-a", "java", "-Xmx256m", "-XX:-UsePerfData",
               f"-Duser.home={home}", f"-Djava.io.tmpdir={home}",
               "-cp", str(IMAGEJ_JAR), "ij.ImageJ", "-ijpath", str(home),
               "-batch", str(folder / "read.ijm"), str(folder)]
    # A group of its own, so that Xvfb and Java go with xvfb-run when stopped.
    imagej = subprocess.Popen(command, env=env, cwd=folder, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, start_new_session=True)
    try:
        output, _ = imagej.communicate(timeout=IMAGEJ_SECONDS)
    except subprocess.TimeoutExpired:
        # TERM first: Xvfb then removes its lock in /tmp.
        os.killpg(imagej.pid, signal.SIGTERM)
        try:
            output, _ = imagej.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(imagej.pid, signal.SIGKILL)
            output, _ = imagej.communicate()
        output += f"\n(stopped after {IMAGEJ_SECONDS} s)"
    # ImageJ exits with 0 even when the macro failed: only the file tells.
    found = folder / "found.txt"
    if not found.exists():
        return None, output
    return [[int(float(word)) for word in line.split()]
            for line in found.read_text().splitlines()], output


class ImageJReadsTheStack(unittest.TestCase):
    def setUp(self):
        for tool in ("xvfb-run", "java"):
            self.assertIsNotNone(shutil.which(tool), f"{tool} missing: run scripts/setup.sh")
        self.assertTrue(IMAGEJ_JAR.exists(), f"{IMAGEJ_JAR} missing: run scripts/setup.sh")
        self.scratch = tempfile.TemporaryDirectory()
        self.addCleanup(self.scratch.cleanup)
        self.folder = pathlib.Path(self.scratch.name)

    def test_size_pages_and_signed_samples(self):
        (self.folder / "in").mkdir()
        y, x = np.mgrid[0:HEIGHT, 0:WIDTH]
        for k, mark in enumerate(MARKS):
            image = (x * 523 - y * 911 + k * 97).astype("<i2")
            image[MARK_Y, MARK_X] = mark
            (self.folder / "in" / f"p{k:03d}.raw").write_bytes(image.tobytes())
        # A window the size of the output at no angle is copied as it is, so
        # the marks reach the stack unchanged.
        result = subprocess.run(
            [BATCH, "--defaults", "--quiet", "--in-folder", str(self.folder / "in"),
             "--in-format", "p%03d.raw", "--out-folder", str(self.folder),
             "--type", "int16", "--byte-order", "little", "--signed", "--header-len", "0",
             "--in-size", f"{WIDTH}x{HEIGHT}", "--out-size", f"{WIDTH}x{HEIGHT}",
             "--crop", f"0,0,{WIDTH},{HEIGHT}", "--angle", "0",
             "--out-type", "tiff-stack", "--out-file", str(self.folder / "stack.tif")],
            capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)

        found, output = run_imagej(self.folder)
        self.assertIsNotNone(found, f"ImageJ wrote no findings:\n{output}")
        self.assertEqual(found[0], [WIDTH, HEIGHT, len(MARKS), 16], output)
        # ImageJ has no signed 16-bit image: it reads signed samples into its
        # unsigned type shifted up by 32768 and attaches the calibration
        # value = stored - 32768, which is what it shows and measures. So the
        # stored pixel is the sample + 32768 and the calibrated one the sample
        # itself; a stack marked unsigned would give the sample's bits as
        # stored (53191 for -12345) and no calibration.
        self.assertEqual(found[1:], [[mark + 32768, mark] for mark in MARKS], output)


if __name__ == "__main__":
    unittest.main(verbosity=2)
