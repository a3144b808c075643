// Broken command lines given to the real projconv-batch: each must end with a
// message naming the problem and its own exit status, and leave the output
// folder empty, however strange the value.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "cli/exit_codes.h"
#include "tests/cli/batch_process.h"
#include "tests/settings/qt_printing.h"

namespace projconv {

namespace {

struct BadOptions {
  const char* what;
  QStringList options;  // after the options of a good run, so they override them
  int exitCode;
  const char* message;  // a part of standard error
};

const QString kLongFolder = "/" + QString(10000, 'f');

const BadOptions kCases[] = {
    {"size beyond 32 bits", {"--in-size", "99999999999x1"}, kExitUsage, "--in-size"},
    {"size with one number", {"--in-size", "8"}, kExitUsage, "--in-size"},
    {"size with three numbers", {"--out-size", "8x8x8"}, kExitUsage, "--out-size"},
    {"size with spaces", {"--in-size", "8 x 8"}, kExitUsage, "--in-size"},
    {"crop with three numbers", {"--crop", "1,2,3"}, kExitUsage, "--crop"},
    {"centre with a semicolon", {"--centre", "4;4"}, kExitUsage, "--centre"},
    {"start beyond 32 bits", {"--start", "2147483648"}, kExitUsage, "--start"},
    {"angle NaN", {"--angle", "nan"}, kExitUsage, "--angle"},
    {"angle infinite", {"--angle", "-inf"}, kExitUsage, "--angle"},
    {"angle beyond float", {"--angle", "1e39"}, kExitUsage, "--angle"},
    {"angle with a comma", {"--angle", "1,5"}, kExitUsage, "--angle"},
    {"scale infinite", {"--scale", "inf"}, kExitUsage, "--scale"},
    {"scale empty", {"--scale", ""}, kExitUsage, "--scale"},
    {"unknown sample type", {"--type", "int32"}, kExitUsage, "--type"},
    {"unknown byte order", {"--byte-order", "middle"}, kExitUsage, "--byte-order"},
    {"signed and unsigned", {"--signed", "--unsigned"}, kExitUsage, "--signed"},
    {"empty folder", {"--in-folder", ""}, kExitUsage, "--in-folder"},
    {"value missing", {"--in-size"}, kExitUsage, "--in-size"},
    {"stray argument", {"stray"}, kExitUsage, "stray"},
    {"unknown option", {"--rotate", "5"}, kExitUsage, "rotate"},
    {"settings and defaults", {"--settings", "x.ini"}, kExitUsage, "--defaults"},
    {"angle beyond 180", {"--angle", "180.0001"}, kExitRefused, "Error: Angle of rotation"},
    {"negative size", {"--in-size", "-8x8", "--crop", "0,0,9,8"}, kExitRefused, "negative"},
    {"negative header", {"--header-len", "-1"}, kExitRefused, "negative"},
    {"sizes beyond memory",
     {"--in-size", "2000000000x2000000000", "--out-size", "4x4"},
     kExitRefused,
     "Error: Memory allocation problem"},
    {"output beyond memory",
     {"--out-size", "2000000000x2000000000"},
     kExitRefused,
     "Error: Memory allocation problem"},
    {"pattern with %s", {"--in-format", "raw.%s"}, kExitRefused, "Error: Name format"},
    {"pattern with %n", {"--out-format", "%n%d"}, kExitRefused, "Error: Name format"},
    {"pattern with two fields", {"--out-format", "%d.%d"}, kExitRefused, "Error: Name format"},
    {"pattern with a lone %", {"--in-format", "raw%"}, kExitRefused, "Error: Name format"},
    {"pattern with no field", {"--out-format", "same"}, kExitRefused, "Error: Name format"},
    {"shard past the last", {"--shard", "4/4"}, kExitUsage, "--shard"},
    {"shard of no ranges", {"--shard", "1/0"}, kExitUsage, "--shard"},
    {"shard not a fraction", {"--shard", "x"}, kExitUsage, "--shard"},
    {"shard from Slurm outside a job array", {"--shard", "slurm"}, kExitUsage, "job array"},
    {"shard of a growing sequence", {"--shard", "0/2", "--follow", "5"}, kExitUsage, "--follow"},
    {"negative count", {"--count", "-1"}, kExitUsage, "--count"},
    {"negative follow", {"--follow", "-2"}, kExitUsage, "--follow"},
    {"output start beyond 32 bits", {"--out-start", "4294967296"}, kExitUsage, "--out-start"},
    {"progress not json", {"--progress", "xml"}, kExitUsage, "--progress"},
    {"keeping TIFF files", {"--skip-existing", "--out-type", "tiff"}, kExitUsage, "raw"},
    {"shards of one HDF5 file",
     {"--shard", "0/2", "--out-type", "hdf5", "--out-file", "x.h5"},
     kExitUsage,
     "cannot share one --out-file"},
    // Found before anything is converted, the sidecar's folder as the one file's.
    {"sidecar in a missing folder",
     {"--sidecar", "/projconv missing/s"},
     kExitFileFailed,
     "missing/s.json   can not be wrote. Converting is finished\nInfo: Reason: No such folder"},
    {"one output file in a missing folder",
     {"--out-type", "hdf5", "--out-file", "/projconv missing/s.h5"},
     kExitFileFailed,
     "missing/s.h5.partial   can not be wrote. Converting is finished\nInfo: Reason: No such "
     "folder"},
    // The flat-field options: what cannot be meant is a malformed command line;
    // flats and darks the batch cannot use refuse it, naming the file.
    {"flat count 0", {"--flat", "raw.%04i", "--flat-count", "0"}, kExitUsage, "--flat-count"},
    {"first of a plain name",
     {"--flat", "raw.0000", "--flat-first", "1"},
     kExitUsage,
     "--flat-first: \"raw.0000\" is a plain file name"},
    {"dark without a flat", {"--dark", "raw.0000"}, kExitUsage, "--dark: there is no flat field"},
    {"dark first without a dark",
     {"--flat", "raw.0000", "--dark-first", "2"},
     kExitUsage,
     "--dark-first: there is no dark field"},
    {"mode without a flat", {"--correct", "attenuation"}, kExitUsage, "--correct: there is no"},
    {"bad mode", {"--flat", "raw.0000", "--correct", "log"}, kExitUsage, "--correct: \"log\""},
    {"bad combining", {"--flat", "raw.0000", "--combine", "avg"}, kExitUsage, "--combine"},
    {"scale not finite", {"--flat", "x", "--correct-scale", "nan"}, kExitUsage, "--correct-scale"},
    {"missing flat", {"--flat", "f.raw"}, kExitRefused, "Error: The flat file "},
    {"flats that run out before their count",
     {"--flat", "raw.%04i", "--flat-count", "3"},
     kExitRefused,
     "in/raw.0002 can not be opened (No such file or directory)"},
    {"short flat in another folder",
     {"--flat", "../short.raw"},
     kExitRefused,
     "short.raw holds 127 bytes, a whole input needs 128"},
    {"FIFO as a flat", {"--flat", "../fifo"}, kExitRefused, "fifo is not a file"},
    {"folder as a dark", {"--flat", "raw.0000", "--dark", "."}, kExitRefused, "The dark file"},
    {"folder of 10,000 characters",
     {"--in-folder", kLongFolder},
     kExitFileFailed,
     "can not be opened"},
};

TEST(BadOptions, EachEndsWithAMessageAndItsStatusAndWritesNothing) {
  for (const BadOptions& c : kCases) {
    SCOPED_TRACE(c.what);
    const BatchSandbox sandbox;
    const BatchSandbox::Run run = sandbox.RunBatch(sandbox.GoodOptions() + c.options);
    EXPECT_FALSE(run.crashed) << run.errors.toStdString();
    EXPECT_EQ(run.exitCode, c.exitCode) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(c.message)) << run.errors.toStdString();
    EXPECT_EQ(sandbox.OutputFiles(), QStringList{});
  }
}

TEST(BadOptions, TheGoodRunTheCasesStartFromConverts) {
  const BatchSandbox sandbox;
  const BatchSandbox::Run run = sandbox.RunBatch(sandbox.GoodOptions());
  EXPECT_EQ(run.exitCode, kExitConverted) << run.errors.toStdString();
  EXPECT_EQ(sandbox.OutputFiles(), (QStringList{"raw.0000", "raw.0001"}));
}

// A name may hold any byte but '/' and NUL; what reaches the terminal must not
// be able to drive it.
TEST(BadOptions, ControlCharactersInNamesReachTheTerminalEscaped) {
  const BatchSandbox sandbox;
  const BatchSandbox::Run run =
      sandbox.RunBatch(sandbox.GoodOptions() + QStringList{"--in-format", "\x1b[2Jraw.%04i"});
  EXPECT_EQ(run.exitCode, kExitNoInput);  // no such input: nothing is converted
  EXPECT_FALSE(run.errors.contains(QChar(0x1b))) << run.errors.toStdString();
  EXPECT_TRUE(run.errors.contains("\\x1b[2Jraw.0000   can not be opened"))
      << run.errors.toStdString();
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
