// projconv-batch --preview: the first input with its crop window beside the
// image the batch writes first, as a PNG picture, without converting; and the
// forecast in the terminal's progress line.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

#include "cli/forecast_progress.h"
#include "preview/crop_overlay.h"
#include "preview/pane_image.h"
#include "preview/side_by_side.h"

namespace projconv {

namespace {

constexpr int kInWidth = 48, kInHeight = 40, kHeader = 6;
constexpr int kOutWidth = 20, kOutHeight = 16;

QByteArray InputImage(int seed) {
  QByteArray bytes(kHeader + 2 * kInWidth * kInHeight, '\0');
  std::uint32_t state = std::uint32_t(seed);
  for (char& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = char(state >> 24);
  }
  return bytes;
}

struct Outcome {
  int exitCode = -1;
  QString errors;
};

// A sequence raw.0000 .. raw.0002 of 48 x 40 signed 16-bit images with a
// 6-byte header, and the options that convert it rotated and reduced.
class PreviewOption : public testing::Test {
 protected:
  PreviewOption() {
    for (const char* name : {"in", "out", "config", "home"}) QDir(dir_.path()).mkpath(name);
    for (int k = 0; k < 3; ++k) {
      QFile file(Path(QStringLiteral("in/raw.%1").arg(k, 4, 10, QLatin1Char('0'))));
      if (file.open(QIODevice::WriteOnly)) file.write(InputImage(k + 1));
    }
  }

  QString Path(const QString& name) const { return dir_.filePath(name); }

  QStringList Options() const {
    return {"--defaults", "--in-folder", Path("in"), "--out-folder", Path("out"), "--in-size",
            "48x40",      "--out-size",  "20x16",    "--header-len", "6",         "--crop",
            "8,8,44,36",  "--centre",    "24,20",    "--angle",      "15"};
  }

  Outcome RunBatch(const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", Path("config"));
    environment.insert("HOME", Path("home"));
    process.setProcessEnvironment(environment);
    process.start(PROJCONV_BATCH, arguments);
    Outcome run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
      run.exitCode = process.exitCode();
    }
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
  }

  QStringList OutputFiles() const {
    return QDir(Path("out")).entryList(QDir::Files | QDir::NoDotAndDotDot);
  }

  QTemporaryDir dir_;
};

TEST_F(PreviewOption, DrawsTheInputAndTheBatchsFirstOutputSideBySide) {
  const Outcome preview = RunBatch(Options() << "--preview" << Path("picture.png"));
  ASSERT_EQ(preview.exitCode, 0) << preview.errors.toStdString();
  EXPECT_TRUE(OutputFiles().isEmpty());  // nothing converted
  EXPECT_TRUE(preview.errors.contains("and its output (20 x 16) drawn to"))
      << preview.errors.toStdString();
  const QImage picture(Path("picture.png"));
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(kInWidth + kSideBySideGap + kOutWidth, kInHeight));

  // The right-hand part is the batch's first output file, through the same
  // grey window.
  ASSERT_EQ(RunBatch(Options()).exitCode, 0);
  QFile first(Path("out/raw.0000"));
  ASSERT_TRUE(first.open(QIODevice::ReadOnly));
  const QByteArray bytes = first.readAll();
  ASSERT_EQ(bytes.size(), 2 * kOutWidth * kOutHeight);
  const auto sample = [&bytes](std::uint64_t k) {
    const auto low = std::uint8_t(bytes[qsizetype(2 * k)]);
    const auto high = std::uint8_t(bytes[qsizetype(2 * k + 1)]);
    return double(std::int16_t(std::uint16_t(high << 8 | low)));
  };
  const PaneImage expected = MakePaneImage(kOutWidth, kOutHeight, sample, 0);
  const int left = kInWidth + kSideBySideGap;
  int differing = 0;
  for (int y = 0; y < kOutHeight; ++y) {
    for (int x = 0; x < kOutWidth; ++x) {
      const int g = expected.gray.pixels[std::size_t(y * kOutWidth + x)];
      differing += picture.pixel(left + x, y) != qRgb(g, g, g);
    }
  }
  EXPECT_EQ(differing, 0);

  // On the left, the crop window starts where the output's first sample
  // comes from.
  ConversionParameters g;
  g.cropLeft = 8, g.cropTop = 8, g.cropRight = 44, g.cropBottom = 36;
  g.outSizeX = kOutWidth, g.outSizeY = kOutHeight;
  g.rotCentreX = 24, g.rotCentreY = 20;
  g.angle = 15.0f;
  const SourcePoint corner = OverlayOf(g).corners[0];
  const QRgb window = qRgb(kWindowColour.r, kWindowColour.g, kWindowColour.b);
  EXPECT_EQ(picture.pixel(NearestInt32(corner.x), NearestInt32(corner.y)), window);
}

TEST_F(PreviewOption, ProblemsAreToldAndNoPictureIsLeft) {
  const struct {
    const char* name;
    QStringList extra;
    QString picture;
    int exitCode;
    QString error;
  } cases[] = {
      {"MissingInput", {"--start", "7"}, "a.png", 1, "Error: No input file " + Path("in/raw.0007")},
      {"AngleRefused",
       {"--angle", "200"},
       "b.png",
       2,
       "Error: Angle of rotation should be between plus/minus 180 degrees"},
      {"NoFolderForThePicture", {}, "nowhere/c.png", 1, "Error: the picture cannot be written"},
      {"OutputOverALaterInput",
       {"--out-folder", Path("in"), "--out-start", "1"},
       "d.png",
       2,
       "Error: The output file " + Path("in/raw.0001") + " would replace the input file"},
      {"EmptyName", {}, "", 64, "--preview: the file name is empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = c.picture.isEmpty() ? QString() : Path(c.picture);
    const Outcome run = RunBatch(Options() << c.extra << "--preview" << file);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.errors.contains(c.error)) << run.errors.toStdString();
    EXPECT_FALSE(!file.isEmpty() && QFile::exists(file));
    EXPECT_TRUE(OutputFiles().isEmpty());
  }
}

TEST_F(PreviewOption, ProgressLineCountsTheSequenceUpToItsGap) {
  QFile(Path("in/raw.0004")).open(QIODevice::WriteOnly);  // after a gap: not counted
  const SequenceCount count = CountConsecutiveInputs(Path("in").toStdString(), "raw.%04i", 0);
  EXPECT_EQ(count, (SequenceCount{3, false}));
  EXPECT_EQ(ForecastProgressText(2, count, 1.0, 1.5e6),
            "2 of 3, 2.0 images/s, 0:01 left, 3.0 MB/s read+written");
  EXPECT_EQ(ForecastProgressText(2, std::nullopt, 0.5, 1.5e6),
            "2 written, 4.0 images/s, 6.0 MB/s read+written");
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
