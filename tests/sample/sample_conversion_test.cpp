// The sample's settings, fed to the engine as the converter would feed them,
// convert the whole sequence and turn the rolled detector upright.

#include <cstdint>
#include <cstdio>

#include "engine/projection_job.h"
#include "sample/write_sample.h"
#include "tests/sample/sample_folder.h"

namespace projconv {

namespace fs = std::filesystem;

namespace {

std::int32_t IntOf(const std::map<std::string, std::string>& keys, const char* key) {
  return static_cast<std::int32_t>(std::stol(keys.at(key)));
}

void Configure(ProjectionJob& job, const std::map<std::string, std::string>& keys) {
  job.inFolder = keys.at("ProjInFolder");
  job.outFolder = keys.at("ProjOutFolder");
  job.inFormat = keys.at("ProjInFormat");
  job.outFormat = keys.at("ProjOutFormat");
  job.headerLen = IntOf(keys, "HeaderLen");
  job.startNumber = IntOf(keys, "ProjInStartNum");
  job.sampleType = SampleType(IntOf(keys, "Type"));
  job.byteOrder = ByteOrder(IntOf(keys, "Endian"));
  job.signedness = Signedness(IntOf(keys, "Signed"));
  job.inSizeX = IntOf(keys, "InProjSizeX");
  job.inSizeY = IntOf(keys, "InProjSizeY");
  job.outSizeX = IntOf(keys, "OutProjSizeX");
  job.outSizeY = IntOf(keys, "OutProjSizeY");
  job.cropLeft = IntOf(keys, "UpLeftCornerX");
  job.cropTop = IntOf(keys, "UpLeftCornerY");
  job.cropRight = IntOf(keys, "DownRightCornerX");
  job.cropBottom = IntOf(keys, "DownRightCornerY");
  job.rotCentreX = IntOf(keys, "RotatCtrX");
  job.rotCentreY = IntOf(keys, "RotatCtrY");
  job.angle = static_cast<float>(IntOf(keys, "Rotatangle") * 0.000001);
  job.scale = static_cast<float>(IntOf(keys, "Scale") * 0.001);
}

// Midpoint of the outermost columns of `row` above `threshold`, or -1.
double SilhouetteMiddle(const std::string& image, int width, int row, int threshold) {
  int first = -1, last = -1;
  for (int col = 0; col < width; ++col) {
    const std::size_t at = 2 * (std::size_t(row) * width + col);
    const auto v = static_cast<std::int16_t>(static_cast<std::uint16_t>(
        static_cast<unsigned char>(image[at]) | static_cast<unsigned char>(image[at + 1]) << 8));
    if (v > threshold) {
      if (first < 0) first = col;
      last = col;
    }
  }
  return first < 0 ? -1.0 : (first + last) / 2.0;
}

}  // namespace

using SampleConversion = SampleFolder;

TEST_F(SampleConversion, ConvertsEveryProjectionUpright) {
  ASSERT_TRUE(sample::WriteSample(dir_).ok);
  const IniSections ini = ReadIni(dir_ / "sample.ini");
  ProjectionJob job;
  Configure(job, ini.at("Qarmo_Convertor"));
  ASSERT_FALSE(job.TakesDirectPath()) << "the sample is meant to resample and smooth";

  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::InputMissing);
  EXPECT_EQ(result.filesWritten, 36);
  EXPECT_EQ(result.fileName, (dir_ / "raw.0036").string());

  // The body is symmetric about the rotation axis, input column 256, which
  // lands on output column (256 - 64) / 2 = 96. Were the roll not undone (or
  // doubled), rows far from the centre would be off by two columns or more.
  for (int i = 0; i < 36; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "conv.%04d", i);
    const std::string image = ReadBytes(dir_ / "out" / name);
    ASSERT_EQ(image.size(), 2u * 192 * 192) << name;
    for (const int row : {10, 96, 180}) {
      EXPECT_NEAR(SilhouetteMiddle(image, 192, row, 100), 96.0, 0.5) << name << " row " << row;
    }
  }
}

}  // namespace projconv
