"""Runs over part of a sequence, or over one still being written, compared
with one whole run file for file: shards, a rerun that keeps whole outputs,
following a writer that writes in pieces, and the JSON progress lines."""
import json
import os
import pathlib
import random
import subprocess
import tempfile
import threading
import time
import unittest

BATCH = os.environ["PROJCONV_BATCH"]
WIDTH, HEIGHT, HEADER = 24, 16, 12
FILE_BYTES = HEADER + 2 * WIDTH * HEIGHT
# A rotation, so that every output is resampled and differs from its input.
LAYOUT = ["--defaults", "--in-format", "p%03d.raw", "--out-format", "o%03d.raw", "--start", "5",
          "--header-len", str(HEADER), "--in-size", f"{WIDTH}x{HEIGHT}",
          "--out-size", "20x12", "--crop", "2,2,22,14", "--centre", "12,8", "--angle", "9"]


def run(inputs, outputs, *more):
    return subprocess.run([BATCH, *LAYOUT, "--quiet", "--in-folder", str(inputs),
                           "--out-folder", str(outputs), *more],
                          capture_output=True, text=True, timeout=60)


def contents(folder):
    return {p.name: p.read_bytes() for p in sorted(folder.iterdir())}


# Writers of one input file as a detector may write it, each leaving it at
# its full length before it holds the right bytes, or in pieces with pauses
# shorter than the settle time of the tests.
def in_pieces(path, data, length=0):
    with open(path, "wb") as f:
        f.truncate(length)
        for at in range(0, len(data), 200):
            f.flush()
            time.sleep(0.03)
            f.write(data[at:at + 200])


def preallocated(path, data):
    in_pieces(path, data, len(data))


def tail_first(path, data):
    with open(path, "wb") as f:
        f.seek(len(data) - 100)
        f.write(data[-100:])
        f.flush()
        time.sleep(0.03)
        f.seek(0)
        f.write(data[:-100])


def replaced(path, data):
    with open(path, "wb") as junk:
        junk.write(bytes(len(data)))
        junk.flush()
        time.sleep(0.03)
        path.with_suffix(".part").write_bytes(data)
        path.with_suffix(".part").rename(path)


def closed_at_once(path, data):
    path.write_bytes(data)


def watches_a_folder(pid):
    """Whether process `pid` holds an inotify descriptor."""
    try:
        return any(os.readlink(f"/proc/{pid}/fd/{fd}") == "anon_inode:inotify"
                   for fd in os.listdir(f"/proc/{pid}/fd"))
    except OSError:  # gone, or a descriptor closed while looked at: look again
        return False


class SequenceRuns(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.root = pathlib.Path(self.scratch.name)

    def tearDown(self):
        self.scratch.cleanup()

    def sequence(self, name, files):
        folder = self.root / name
        folder.mkdir()
        rng = random.Random(files)
        for k in range(files):
            (folder / f"p{k + 5:03d}.raw").write_bytes(rng.randbytes(FILE_BYTES))
        return folder

    def whole_run(self, inputs, name="whole"):
        out = self.root / name
        out.mkdir()
        run(inputs, out)
        return contents(out)

    def test_shards_together_write_the_whole_run(self):
        for files in (0, 1, 23):
            inputs = self.sequence(f"in{files}", files)
            whole = self.whole_run(inputs, f"whole{files}")
            for count in range(1, 8):
                with self.subTest(files=files, shards=count):
                    out = self.root / f"shards{files}_{count}"
                    out.mkdir()
                    for index in range(count):
                        result = run(inputs, out, "--shard", f"{index}/{count}")
                        self.assertEqual(result.returncode, 0, result.stderr)
                    self.assertEqual(contents(out), whole)

    def test_shards_with_a_count_write_what_the_whole_run_with_it_writes(self):
        inputs = self.sequence("in", 13)
        span = ["--count", "4", "--out-start", "2"]
        whole, out = self.root / "whole", self.root / "out"
        whole.mkdir()
        out.mkdir()
        run(inputs, whole, *span)
        for index in range(2):
            self.assertEqual(run(inputs, out, *span, "--shard", f"{index}/2").returncode, 0)
        self.assertEqual(contents(out), contents(whole))

    def test_a_rerun_rewrites_exactly_the_missing_and_wrong_sized(self):
        inputs = self.sequence("in", 9)
        whole = self.whole_run(inputs)
        out = self.root / "out"
        out.mkdir()
        run(inputs, out, "--count", "7", "--out-start", "0")
        (out / "o002.raw").unlink()
        with open(out / "o004.raw", "r+b") as f:
            f.truncate(100)
        # Whole files are marked, so a rewrite of one would show.
        (out / "o003.raw").write_bytes(b"k" * len(whole["o003.raw"]))
        result = run(inputs, out, "--skip-existing", "--progress", "json")
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = [json.loads(line) for line in result.stdout.splitlines()]
        rewritten = [e["output_number"] for e in lines if e["event"] == "file" and not e["kept"]]
        self.assertEqual(rewritten, [2, 4, 7, 8])
        self.assertEqual(lines[-1], {"event": "end", "end": "input_missing", "reason": "",
                                     "files_written": 4, "files_kept": 5, "samples_wrapped": 0,
                                     "exit_status": 0})
        expected = dict(whole, **{"o003.raw": b"k" * len(whole["o003.raw"])})
        self.assertEqual(contents(out), expected)

    def test_names_that_are_not_utf8_are_used_as_given(self):
        # Folders, a settings file and a sidecar named in Latin-1 ("\udce9" is
        # the byte 0xe9 in Python's file names), on the command line and
        # written into the settings file as bytes.
        whole = self.whole_run(self.sequence("in", 3))
        inputs, settings = self.sequence("in\udce9", 3), self.root / "s\udce9.ini"
        for how in ("command line", "settings file"):
            with self.subTest(how):
                out, stem = self.root / f"out\udce9 {how}", self.root / f"run\udce9 {how}"
                out.mkdir()
                settings.write_bytes(b"[Qarmo_Convertor]\nProjInFolder=%s\nProjOutFolder=%s\n"
                                     % (os.fsencode(inputs), os.fsencode(out)))
                source = (["--defaults", "--in-folder", str(inputs), "--out-folder", str(out)]
                          if how == "command line" else ["--settings", str(settings)])
                result = subprocess.run([BATCH, *source, *LAYOUT[1:], "--sidecar", str(stem)],
                                        capture_output=True)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(contents(out), whole)
                self.assertTrue(stem.with_suffix(".json").exists())

    def follow(self, write, *options):
        """Follows a scan of 3 files that `write` writes, one by one, after the
        batch has started; the batch's result, its outputs, the whole run's, and
        the seconds it took to end after the last file was written."""
        source = self.sequence(f"source_{write.__name__}", 3)
        inputs, out = self.root / f"in_{write.__name__}", self.root / f"out_{write.__name__}"
        inputs.mkdir()
        out.mkdir()
        finished = []

        def write_scan():
            for path in sorted(source.iterdir()):
                write(inputs / path.name, path.read_bytes())
                time.sleep(0.3)
            finished.append(time.monotonic())

        # The converter first, as on a beamline: it must wait for files that
        # do not exist yet and for files that are not written yet.
        converter = subprocess.Popen([BATCH, *LAYOUT, "--quiet", "--in-folder", str(inputs),
                                      "--out-folder", str(out), *options],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        # The scan starts once the converter watches the folder, however slow
        # its start (a sanitizer build on a busy machine): a file written
        # before that has no close to be told, and waits its settle time.
        watching = time.monotonic() + 60
        while time.monotonic() < watching and not watches_a_folder(converter.pid):
            time.sleep(0.02)
        time.sleep(0.3)
        writer = threading.Thread(target=write_scan)
        writer.start()
        try:
            _, errors = converter.communicate(timeout=120)
        finally:
            converter.kill()
        ended = time.monotonic()
        writer.join()
        whole = self.whole_run(source, f"whole_{write.__name__}")
        return converter.returncode, errors, contents(out), whole, ended - finished[0]

    def test_following_a_scan_written_in_pieces(self):
        status, errors, outputs, whole, after = self.follow(in_pieces, "--follow", "1")
        self.assertEqual(status, 0, errors)
        self.assertEqual(outputs, whole)
        self.assertLess(after, 1 + 1)

    def test_following_never_converts_a_file_before_it_is_written(self):
        for write in (in_pieces, preallocated, tail_first, replaced):
            with self.subTest(writer=write.__name__):
                status, errors, outputs, whole, _ = self.follow(
                    write, "--follow", "1", "--settle", "0.2")
                self.assertEqual(status, 0, errors)
                self.assertEqual(outputs, whole)

    def test_following_takes_a_file_closed_after_writing_at_once(self):
        status, errors, outputs, whole, after = self.follow(
            closed_at_once, "--follow", "0.5", "--settle", "60")
        self.assertEqual(status, 0, errors)
        self.assertEqual(outputs, whole)
        self.assertLess(after, 0.5 + 1)

    def test_count_0_converts_nothing_and_says_so(self):
        inputs = self.sequence("in", 3)
        out = self.root / "out"
        out.mkdir()
        result = run(inputs, out, "--count", "0", "--progress", "json",
                     "--sidecar", str(self.root / "record"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("projconv-batch: --count 0: no input file is converted", result.stderr)
        self.assertEqual(json.loads(result.stdout.splitlines()[-1])["end"], "limit_reached")
        self.assertEqual(json.loads((self.root / "record.json").read_text())["files_written"], 0)
        self.assertEqual(contents(out), {})

    def test_signals_of_failed_writes_end_the_batch_in_words(self):
        inputs = self.sequence("in", 4)
        # Past the file size limit (1 KiB; an output is 3200 bytes): the write
        # fails, and the batch says so, with its sidecar, instead of vanishing.
        out = self.root / "limited"
        out.mkdir()
        limited = subprocess.run(
            ["bash", "-c", 'ulimit -f 1; exec "$@"', "-", BATCH, *LAYOUT, "--out-size", "40x40",
             "--in-folder", str(inputs), "--out-folder", str(out), "--sidecar", str(out / "s")],
            capture_output=True, text=True, timeout=60)
        self.assertEqual(limited.returncode, 1, limited.stderr)
        self.assertIn("Info: Reason: File too large", limited.stderr)
        self.assertEqual(json.loads((out / "s.json").read_text())["end"], "output_not_written")
        # A reader of the progress lines that has gone: the lines stop, the
        # conversion does not.
        out = self.root / "unread"
        out.mkdir()
        read, write = os.pipe()
        os.close(read)
        try:
            unread = subprocess.run([BATCH, *LAYOUT, "--in-folder", str(inputs), "--out-folder",
                                     str(out), "--progress", "json"],
                                    stdout=write, stderr=subprocess.PIPE, text=True, timeout=60)
        finally:
            os.close(write)
        self.assertEqual(unread.returncode, 0, unread.stderr)
        self.assertIn("4 files written", unread.stderr)
        self.assertEqual(len(contents(out)), 4)


if __name__ == "__main__":
    unittest.main(verbosity=2)
