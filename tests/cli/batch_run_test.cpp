// Runs the built projconv-batch on small sequences in temporary folders and
// checks its files against the engine run directly, and its exit status.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <cstring>
#include <span>
#include <vector>

#include "cli/exit_codes.h"
#include "engine/flat_field.h"
#include "engine/projection_job.h"
#include "engine/single_image.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "tests/settings/qt_printing.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace {

struct Outcome {
  int exitCode = -1;
  QString errors;  // standard error
};

// Deterministic bytes, different for each file.
QByteArray NoiseBytes(qsizetype count, std::uint32_t seed) {
  QByteArray bytes(count, Qt::Uninitialized);
  for (char& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<char>(seed >> 24);
  }
  return bytes;
}

// Float samples of moderate size, so that scaling and resampling matter.
QByteArray FloatBytes(qsizetype samples, std::uint32_t seed) {
  QByteArray bytes(samples * 4, Qt::Uninitialized);
  for (qsizetype i = 0; i < samples; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const float value = static_cast<float>(seed >> 8) / 2048.0f - 4000.0f;
    std::memcpy(bytes.data() + 4 * i, &value, 4);
  }
  return bytes;
}

// A 16-bit sequence: big-endian unsigned samples behind a 7-byte header,
// rotated, cropped and resized; numbered from 3.
ConversionParameters RotatedSequence() {
  ConversionParameters s = FirstRunSettings();
  s.inFormat = "in.%03d";
  s.outFormat = "out_%02i.raw";
  s.startNumber = 3;
  s.headerLen = 7;
  s.byteOrder = ByteOrder::BigEndian;
  s.signedness = Signedness::Unsigned;
  s.inSizeX = 40;
  s.inSizeY = 30;
  s.outSizeX = 24;
  s.outSizeY = 18;
  s.cropLeft = 3;
  s.cropTop = 2;
  s.cropRight = 35;
  s.cropBottom = 28;
  s.rotCentreX = 21;
  s.rotCentreY = 13;
  s.angle = 12.5f;
  return s;
}

// A float sequence copied straight through the direct path with a scale.
ConversionParameters ScaledFloatSequence() {
  ConversionParameters s = FirstRunSettings();
  s.sampleType = SampleType::Float32;
  s.headerLen = 4;
  s.inSizeX = s.outSizeX = s.cropRight = 32;
  s.inSizeY = s.outSizeY = s.cropBottom = 24;
  s.cropLeft = s.cropTop = 0;
  s.scale = 2.5f;
  return s;
}

class BatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    for (const char* folder : {"in", "out", "expected", "config", "home"}) {
      ASSERT_TRUE(QDir(root_.path()).mkpath(folder));
    }
  }

  QString Folder(const char* name) const { return root_.filePath(name); }

  QStringList Files(const char* folder) const {
    return QDir(Folder(folder)).entryList(QDir::Files, QDir::Name);
  }

  // One raw file of `s`'s layout, made from `seed`.
  static QByteArray InputBytes(const ConversionParameters& s, std::uint32_t seed) {
    const qsizetype samples = qsizetype(s.inSizeX) * s.inSizeY;
    const QByteArray body = s.sampleType == SampleType::Float32 ? FloatBytes(samples, seed)
                                                                : NoiseBytes(2 * samples, seed);
    return NoiseBytes(s.headerLen, 99) + body;
  }

  // Writes `count` input files for `s`, from its start number on.
  void WriteInputs(const ConversionParameters& s, int count) const {
    for (int k = 0; k < count; ++k) {
      WriteFile(InputPath(s, s.startNumber + k), InputBytes(s, static_cast<std::uint32_t>(k + 1)));
    }
  }

  // The first `count` outputs in "out" are the inputs of `s` converted in
  // memory with the flat field `used` makes of `flats` and `darks`.
  void ExpectCorrectedOutputs(const ConversionParameters& s, const CorrectionParameters& used,
                              const std::vector<QByteArray>& flats,
                              const std::vector<QByteArray>& darks, int count) const {
    const auto spans = [](const std::vector<QByteArray>& files) {
      std::vector<std::span<const unsigned char>> made;
      for (const QByteArray& f : files) made.push_back(Bytes(f));
      return made;
    };
    FlatField field;
    ASSERT_EQ(CombineFlatField(s, used, spans(flats), spans(darks), field), std::nullopt);
    for (int k = 0; k < count; ++k) {
      QFile input(InputPath(s, s.startNumber + k));
      QFile output(QDir(Folder("out")).filePath(QString::asprintf(s.outFormat.c_str(), k)));
      ASSERT_TRUE(input.open(QIODevice::ReadOnly) && output.open(QIODevice::ReadOnly));
      std::vector<std::int16_t> expected(std::size_t(s.outSizeX) * std::size_t(s.outSizeY));
      ASSERT_EQ(ConvertImage(s, Bytes(input.readAll()), expected, 0, &field), std::nullopt);
      const QByteArray written = output.readAll();
      ASSERT_EQ(std::size_t(written.size()), 2 * expected.size());
      EXPECT_EQ(std::memcmp(written.data(), expected.data(), written.size()), 0) << k;
    }
  }

  static std::span<const unsigned char> Bytes(const QByteArray& bytes) {
    return {reinterpret_cast<const unsigned char*>(bytes.data()), std::size_t(bytes.size())};
  }

  QString InputPath(const ConversionParameters& s, int number) const {
    return QDir(Folder("in")).filePath(QString::asprintf(s.inFormat.c_str(), number));
  }

  static void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
  }

  // The sequence's folders made to point into this test's folders.
  ConversionParameters Here(ConversionParameters s) const {
    s.inFolder = Folder("in").toStdString();
    s.outFolder = Folder("out").toStdString();
    return s;
  }

  // The engine run in this process on `s`, writing to "expected".
  void RunEngine(const ConversionParameters& s) const {
    ProjectionJob job;
    job.SetParameters(s);
    job.inFolder = Folder("in").toStdString();
    job.outFolder = Folder("expected").toStdString();
    ASSERT_EQ(job.RunBatchWithResult().end, BatchEnd::InputMissing);
  }

  // Every file in "out" equals its namesake in "expected", and there are `count`.
  void ExpectOutputsAsTheEngine(int count) const {
    ASSERT_EQ(Files("expected").size(), count);
    ASSERT_EQ(Files("out"), Files("expected"));
    for (const QString& name : Files("out")) {
      QFile actual(QDir(Folder("out")).filePath(name));
      QFile expected(QDir(Folder("expected")).filePath(name));
      ASSERT_TRUE(actual.open(QIODevice::ReadOnly) && expected.open(QIODevice::ReadOnly));
      EXPECT_TRUE(actual.readAll() == expected.readAll()) << name.toStdString();
    }
  }

  // Command-line options that describe `s` completely.
  static QStringList OptionsFor(const ConversionParameters& s) {
    const auto pair = [](int a, int b, char separator) {
      return QStringLiteral("%1%2%3").arg(a).arg(QChar(separator)).arg(b);
    };
    return {"--in-folder",
            QString::fromStdString(s.inFolder),
            "--out-folder",
            QString::fromStdString(s.outFolder),
            "--in-format",
            QString::fromStdString(s.inFormat),
            "--out-format",
            QString::fromStdString(s.outFormat),
            "--start",
            QString::number(s.startNumber),
            "--header-len",
            QString::number(s.headerLen),
            "--type",
            s.sampleType == SampleType::Float32 ? "float32" : "int16",
            "--byte-order",
            s.byteOrder == ByteOrder::BigEndian ? "big" : "little",
            s.signedness == Signedness::Unsigned ? "--unsigned" : "--signed",
            "--in-size",
            pair(s.inSizeX, s.inSizeY, 'x'),
            "--out-size",
            pair(s.outSizeX, s.outSizeY, 'x'),
            "--crop",
            pair(s.cropLeft, s.cropTop, ',') + ',' + pair(s.cropRight, s.cropBottom, ','),
            "--centre",
            pair(s.rotCentreX, s.rotCentreY, ','),
            "--angle",
            QString::number(s.angle, 'g', 9),
            "--scale",
            QString::number(s.scale, 'g', 9)};
  }

  QString WriteSettingsFile(const QString& path, const ConversionParameters& s) const {
    QSettings store(path, QSettings::IniFormat);
    EXPECT_TRUE(SaveSettings(store, s));
    return path;
  }

  QString DesktopFile() const { return QDir(Folder("config")).filePath("projconv.ini"); }

  // Starts the program with its own configuration and home folders.
  void Start(QProcess& process, const QStringList& arguments) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", Folder("config"));
    environment.insert("HOME", Folder("home"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(root_.path());
    process.start(PROJCONV_BATCH, arguments);
    ASSERT_TRUE(process.waitForStarted());
  }

  Outcome RunBatch(const QStringList& arguments) const {
    QProcess process;
    Start(process, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
  }

 private:
  QTemporaryDir root_;
};

TEST_F(BatchRunTest, ConvertsFromOptionsAsTheEngineDoes) {
  const ConversionParameters s = Here(RotatedSequence());
  WriteInputs(s, 4);
  RunEngine(s);
  const Outcome run = RunBatch(QStringList{"--defaults"} + OptionsFor(s));
  EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
  ExpectOutputsAsTheEngine(4);

  // Off a terminal: the message at the end of the sequence and one summary line.
  const QStringList lines = run.errors.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2) << run.errors.toStdString();
  EXPECT_EQ(lines[0],
            "Info: File  " + InputPath(s, 7) + "   can not be opened. Converting is finished");
  EXPECT_TRUE(lines[1].contains("4 files written")) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].contains(" to " + QString::fromStdString(s.outFolder)))
      << lines[1].toStdString();
  EXPECT_FALSE(run.errors.contains('\r'));
}

TEST_F(BatchRunTest, ConvertsFromASettingsFile) {
  const ConversionParameters s = Here(ScaledFloatSequence());
  WriteInputs(s, 3);
  RunEngine(s);
  const QString file = WriteSettingsFile(QDir(Folder("home")).filePath("float.ini"), s);
  const Outcome run = RunBatch({"--settings", file, "--quiet"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.errors, "");  // quiet: not even the normal end
  ExpectOutputsAsTheEngine(3);
}

TEST_F(BatchRunTest, OptionsOverrideTheSettingsFile) {
  const ConversionParameters s = Here(RotatedSequence());
  WriteInputs(s, 2);
  RunEngine(s);
  ConversionParameters stale = s;
  stale.angle = -3.0f;
  stale.outFolder = "/nonexistent";
  const QString file = WriteSettingsFile(QDir(Folder("home")).filePath("stale.ini"), stale);
  const Outcome run = RunBatch(
      {"--settings", file, "--angle", "12.5", "--out-folder", QString::fromStdString(s.outFolder)});
  EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
  ExpectOutputsAsTheEngine(2);
}

TEST_F(BatchRunTest, TakesTheDesktopSettingsUnlessToldToUseTheDefaults) {
  const ConversionParameters s = Here(RotatedSequence());
  WriteInputs(s, 2);
  RunEngine(s);
  WriteSettingsFile(DesktopFile(), s);

  const Outcome defaults = RunBatch({"--defaults"});
  EXPECT_EQ(defaults.exitCode, kExitNoInput);
  EXPECT_TRUE(defaults.errors.contains("File  d:\\data/raw.0000   can not be opened"))
      << defaults.errors.toStdString();
  EXPECT_TRUE(Files("out").isEmpty());

  const Outcome desktop = RunBatch({});
  EXPECT_EQ(desktop.exitCode, 0) << desktop.errors.toStdString();
  ExpectOutputsAsTheEngine(2);
}

// Each case starts from a valid sequence whose second input file is empty;
// `outputs` is how many files must exist afterwards.
TEST_F(BatchRunTest, ExitStatusTellsHowTheBatchEnded) {
  const ConversionParameters s = Here(RotatedSequence());
  const QString badFile = QDir(Folder("home")).filePath("bad.ini");
  const QString typeFile = QDir(Folder("home")).filePath("type.ini");
  WriteFile(badFile, "[Qarmo_Convertor]\nHeaderLen=twelve\n");
  WriteFile(typeFile, "[Qarmo_Convertor]\nType=7\n");

  const struct {
    const char* what;
    QStringList arguments;
    int exitCode;
    const char* message;
    int outputs;
  } cases[] = {
      {"second input empty", {}, 1, "in.004   can not be read", 1},
      {"output folder missing", {"--out-folder", Folder("none")}, 1, "can not be wrote", 0},
      {"first input short of a whole one",
       {"--in-size", "40x31"},
       1,
       "in.003   holds 2407 bytes, a whole input needs 2487. Converting is finished",
       0},
      {"output over a later input",
       {"--out-folder", Folder("in"), "--out-format", "in.%03d", "--out-start", "4"},
       2,
       "Error: The output file",
       0},
      {"TIFF files over a later input",
       {"--out-type", "tiff", "--out-folder", Folder("in"), "--out-format", "in.%03d",
        "--out-start", "4"},
       2,
       "Error: The output file",
       0},
      {"HDF5 file over an input",
       {"--out-type", "hdf5", "--out-file", Folder("in") + "/in.004"},
       2,
       "Error: The output file",
       0},
      {"output without samples", {"--out-size", "0x18"}, 2, "Output size 0 x 18 has no", 0},
      {"sizes beyond memory", {"--out-size", "200000x200000"}, 2, "need 76294 MiB", 0},
      {"pattern with a string field", {"--in-format", "in.%s"}, 2, "Error: Name format", 0},
      {"angle beyond 180", {"--angle", "200"}, 2, "Error: Angle of rotation", 0},
      {"settings file missing", {"--settings", Folder("none")}, 2, "does not exist", 0},
      {"settings file is a folder", {"--settings", Folder("home")}, 2, "not a file", 0},
      {"malformed settings value", {"--settings", badFile}, 2, "HeaderLen = \"twelve\"", 0},
      {"unknown sample type", {"--settings", typeFile}, 2, "sample type 7", 0},
      {"malformed option", {"--centre", "1;2"}, 64, "--centre", 0},
      {"unknown option", {"--rotate", "5"}, 64, "rotate", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const QString& name : Files("out")) QFile::remove(QDir(Folder("out")).filePath(name));
    WriteInputs(s, 1);
    WriteFile(InputPath(s, s.startNumber + 1), "");
    // A case with a settings file takes only the folders and the input
    // pattern from options, and everything else from the file.
    const bool fromFile = c.arguments.contains("--settings");
    const QStringList base = fromFile
                                 ? QStringList{"--in-folder",  QString::fromStdString(s.inFolder),
                                               "--out-folder", QString::fromStdString(s.outFolder),
                                               "--in-format",  QString::fromStdString(s.inFormat)}
                                 : OptionsFor(s);
    const Outcome run = RunBatch(base + c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(c.message)) << run.errors.toStdString();
    EXPECT_EQ(Files("out").size(), c.outputs);
  }
}

// Each output of a corrected batch is what ConvertImage makes of its input
// with the flat field combined in memory from the same files; the settings
// file's [Correction] gives every key the options leave alone.
TEST_F(BatchRunTest, CorrectsEachInputAsTheFlatFieldCombinedInMemory) {
  const ConversionParameters s = Here(RotatedSequence());
  WriteInputs(s, 2);
  const QString darks = QDir(Folder("home")).filePath("d%1.raw");  // another folder
  std::vector<QByteArray> flats, darkFiles;
  for (int k = 1; k <= 3; ++k) {  // the batch takes every flat from 1, the first 2 darks
    flats.push_back(InputBytes(s, 100 + k));
    WriteFile(QDir(Folder("in")).filePath(QString::asprintf("flat_%02d.raw", k)), flats.back());
    darkFiles.push_back(InputBytes(s, 200 + k));
    WriteFile(darks.arg(k - 1), darkFiles.back());
  }
  darkFiles.pop_back();
  CorrectionParameters c{
      {"flat_%02d.raw", 1, -1}, {}, Combining::Median, CorrectionMode::Attenuation, 500.0};
  const QString file = WriteSettingsFile(QDir(Folder("home")).filePath("flat.ini"), s);
  {
    QSettings store(file, QSettings::IniFormat);
    ASSERT_TRUE(SaveCorrection(store, c));
  }
  const Outcome run = RunBatch({"--settings", file, "--quiet", "--correct", "transmission",
                                "--dark", darks.arg("%d"), "--dark-count", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  c.mode = CorrectionMode::Transmission;
  c.dark = {darks.arg("%d").toStdString(), 0, 2};
  ExpectCorrectedOutputs(s, c, flats, darkFiles, 2);
}

TEST_F(BatchRunTest, QuietStillTellsWhenNothingWasConverted) {
  const Outcome run = RunBatch({"--defaults", "--quiet", "--in-folder", Folder("in")});
  EXPECT_EQ(run.exitCode, kExitNoInput);
  EXPECT_EQ(run.errors.trimmed(), "Info: File  " + Folder("in") +
                                      "/raw.0000   can not be opened. Converting is finished");
}

TEST_F(BatchRunTest, InterruptFinishesTheImageInProgressThenStops) {
  // A long sequence of one real file and many links to it, rotated so each
  // image takes a moment.
  ConversionParameters s = RotatedSequence();
  test_support::FillRawBatch(s, Folder("in").toStdString(), Folder("out").toStdString(), 256, 256);
  const int count = 3000;
  WriteInputs(s, 1);
  for (int k = 1; k < count; ++k) {
    ASSERT_TRUE(QFile::link(InputPath(s, s.startNumber), InputPath(s, s.startNumber + k)));
  }

  QProcess process;
  Start(process, QStringList{"--defaults"} + OptionsFor(s));
  const QString first = QDir(Folder("out")).filePath("out_00.raw");
  QElapsedTimer waited;
  waited.start();
  while (!QFile::exists(first) && waited.elapsed() < 30000 && !process.waitForFinished(1)) {
  }
  ASSERT_EQ(process.state(), QProcess::Running) << "the batch ended before it could be interrupted";
  ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
  ASSERT_TRUE(process.waitForFinished(60000));

  const QString errors = QString::fromUtf8(process.readAllStandardError());
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 130) << errors.toStdString();
  EXPECT_TRUE(errors.contains("interrupted")) << errors.toStdString();
  EXPECT_FALSE(errors.contains("Info:")) << errors.toStdString();

  // Files 0 .. k-1, each complete.
  const QStringList written = Files("out");
  ASSERT_GE(written.size(), 1);
  EXPECT_LT(written.size(), count);
  for (int k = 0; k < written.size(); ++k) {
    const QString name = QString::asprintf("out_%02i.raw", k);
    ASSERT_EQ(written[k], name);
    EXPECT_EQ(QFileInfo(QDir(Folder("out")).filePath(name)).size(), 2 * 256 * 256);
  }
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
