#include <cstdint>
#include <functional>
#include <vector>

#include "sample/projection_file.h"
#include "sample/write_sample.h"
#include "tests/sample/sample_folder.h"

namespace projconv {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kFileBytes = 256 + 2 * 512 * 512;

std::int16_t SampleAt(const std::string& file, int col, int row) {
  const std::size_t at = 256 + 2 * (std::size_t(row) * 512 + std::size_t(col));
  const auto lo = static_cast<unsigned char>(file[at]);
  const auto hi = static_cast<unsigned char>(file[at + 1]);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | hi << 8));
}

}  // namespace

using SampleFiles = SampleFolder;

TEST_F(SampleFiles, WritesThirtySixProjectionsWithHeaders) {
  const sample::SampleResult result = sample::WriteSample(dir_);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.settingsFile, dir_ / "sample.ini");

  for (int i = 0; i < 36; ++i) {
    const fs::path file = dir_ / sample::ProjectionName(i);
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(fs::file_size(file), kFileBytes) << file;
  }
  EXPECT_EQ(sample::ProjectionName(35), "raw.0035");
  // The converter stops at the first missing number: nothing may follow.
  EXPECT_FALSE(fs::exists(dir_ / "raw.0036"));
  EXPECT_TRUE(fs::is_directory(dir_ / "out"));
  EXPECT_TRUE(fs::is_empty(dir_ / "out"));

  const std::string header = ReadBytes(dir_ / "raw.0003").substr(0, 256);
  const std::string text = header.substr(0, header.find('\0'));
  EXPECT_EQ(text.rfind("PROJCONV-SAMPLE\n", 0), 0u) << text;
  for (const char* line : {"samples int16 little-endian signed\n", "size 512 x 512\n",
                           "header 256\n", "angle 30.000 deg\n", "projection 4 of 36\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << "missing " << line << "in\n" << text;
  }
  EXPECT_EQ(header.find_first_not_of('\0', text.size()), std::string::npos)
      << "the header is padded with NULs up to the samples";
}

// Through the centre only the body lies on the beam: 220 pixels of it across
// its short axis at 0 and 180 degrees, 300 across its long axis at 90, at 32
// counts per pixel. Off the phantom the detector reads 0.
TEST_F(SampleFiles, SamplesAreLineIntegralsInLittleEndian) {
  ASSERT_TRUE(sample::WriteSample(dir_).ok);
  const struct {
    int index;
    std::int16_t centre;
  } cases[] = {{0, 220 * 32}, {9, 300 * 32}, {18, 220 * 32}, {27, 300 * 32}};
  for (const auto& c : cases) {
    const std::string file = ReadBytes(dir_ / sample::ProjectionName(c.index));
    EXPECT_EQ(SampleAt(file, 256, 256), c.centre) << "projection " << c.index;
    EXPECT_EQ(SampleAt(file, 0, 0), 0) << "projection " << c.index;
    EXPECT_EQ(SampleAt(file, 511, 511), 0) << "projection " << c.index;
  }
}

TEST_F(SampleFiles, SameBytesEveryRun) {
  const fs::path other = root_ / "again";
  ASSERT_TRUE(sample::WriteSample(dir_).ok);
  ASSERT_TRUE(sample::WriteSample(other).ok);
  for (int i = 0; i < 36; i += 7) {
    const std::string name = sample::ProjectionName(i);
    EXPECT_TRUE(ReadBytes(dir_ / name) == ReadBytes(other / name)) << name;
  }
}

TEST_F(SampleFiles, SettingsHoldTheTwentyOneKeysOnce) {
  ASSERT_TRUE(sample::WriteSample(dir_).ok);
  const IniSections ini = ReadIni(dir_ / "sample.ini");
  ASSERT_EQ(ini.size(), 1u);
  ASSERT_EQ(ini.count("Qarmo_Convertor"), 1u);
  const auto& keys = ini.at("Qarmo_Convertor");

  const std::map<std::string, std::string> expected = {
      {"ProjInFolder", dir_.string()},
      {"ProjOutFolder", (dir_ / "out").string()},
      {"ProjInFormat", "raw.%04i"},
      {"ProjOutFormat", "conv.%04i"},
      {"HeaderLen", "256"},
      {"ProjInStartNum", "0"},
      {"Type", "0"},
      {"Endian", "0"},
      {"Signed", "0"},
      {"InProjSizeX", "512"},
      {"InProjSizeY", "512"},
      {"OutProjSizeX", "192"},
      {"OutProjSizeY", "192"},
      {"UpLeftCornerX", "64"},
      {"UpLeftCornerY", "64"},
      {"DownRightCornerX", "448"},
      {"DownRightCornerY", "448"},
      {"RotatCtrX", "256"},
      {"RotatCtrY", "256"},
      {"Rotatangle", "2500000"},
      {"Scale", "1000"},
  };
  EXPECT_EQ(keys, expected);
}

// Nothing of the user's is overwritten, and a folder the settings file could
// not name plainly is refused before anything is written.
TEST_F(SampleFiles, RefusesFoldersItCannotUse) {
  const struct {
    const char* name;
    std::function<void(const fs::path&)> prepare;
    const char* message;
  } cases[] = {
      {"full",
       [](const fs::path& p) {
         fs::create_directories(p);
         std::ofstream(p / "raw.0000") << "keep me";
       },
       "not empty"},
      {"file", [](const fs::path& p) { std::ofstream(p) << "keep me"; }, "not a folder"},
      {"a,b", [](const fs::path&) {}, "','"},
      {"semi;colon", [](const fs::path&) {}, "';'"},
  };
  for (const auto& c : cases) {
    const fs::path folder = root_ / c.name;
    c.prepare(folder);
    const sample::SampleResult result = sample::WriteSample(folder);
    EXPECT_FALSE(result.ok) << c.name;
    EXPECT_NE(result.error.find(c.message), std::string::npos) << c.name << ": " << result.error;
    if (fs::is_directory(folder)) {
      EXPECT_EQ(ReadBytes(folder / "raw.0000"), "keep me") << c.name;
      EXPECT_FALSE(fs::exists(folder / "sample.ini")) << c.name;
    } else if (fs::exists(folder)) {
      EXPECT_EQ(ReadBytes(folder), "keep me") << c.name;
    }
  }
  EXPECT_FALSE(fs::exists(root_ / "a,b"));
  EXPECT_FALSE(fs::exists(root_ / "semi;colon"));
}

}  // namespace projconv
