// projconv-batch --probe, through the built program.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/probe/synthetic_raw.h"
#include "tests/support/temp_folder.h"

namespace projconv {

namespace {

struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

// With the configuration and home folders in `folder`.
ProgramRun RunBatch(const test_support::TempFolder& folder, const std::string& arguments) {
  const std::string command = "XDG_CONFIG_HOME='" + folder.PathOf("config") + "' HOME='" +
                              folder.path() + "' '" PROJCONV_BATCH "' " + arguments + " >'" +
                              folder.PathOf("stdout") + "' 2>'" + folder.PathOf("stderr") + "'";
  const int raw = std::system(command.c_str());
  const auto text = [&folder](const char* name) {
    const test_support::Bytes bytes = folder.ReadFile(name);
    return std::string(bytes.begin(), bytes.end());
  };
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text("stdout"), text("stderr")};
}

const RawLayout kWritten{
    SampleType::Integer16, ByteOrder::BigEndian, Signedness::Unsigned, 320, 240, 512};

// Samples that no layout reads as a picture.
std::vector<double> Noise(int width, int height) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> value(0.0, 1.0);
  std::vector<double> samples(std::size_t(width) * std::size_t(height));
  for (double& sample : samples) sample = value(random);
  return samples;
}

TEST(ProbeOption, PrintsTheBestLayoutFirstAsOptions) {
  test_support::TempFolder folder;
  folder.WriteFile("scan.raw", RawFile(kWritten, SmoothPicture(320, 240)));
  folder.WriteFile("noise.raw", RawFile(kWritten, Noise(320, 240)));
  // Settings that would refuse a batch: the probe reads none.
  folder.MakeFolder("config");
  folder.WriteFile("config/projconv.ini", {'[', '\n', 0, 1, 2});
  const std::string scan = "'" + folder.PathOf("scan.raw") + "'";
  const struct {
    std::string arguments;
    int status;
    std::string firstLine;  // the start of standard output's, or of standard error's
  } cases[] = {
      {"--probe " + scan, 0,
       "--type int16 --byte-order big --unsigned --in-size 320x240 --header-len 512\n"},
      {"--probe " + scan + " --type float32 --in-size 320x240", 2,
       "Error: no layout fits the 154112 bytes of"},
      {"--probe '" + folder.PathOf("missing.raw") + "'", 1, "Error: "},
      {"--probe '" + folder.PathOf("noise.raw") + "'", 1,
       "Error: " + folder.PathOf("noise.raw") + " reads as noise in every layout"},
      {"--probe " + scan + " --settings other.ini", 64,
       "projconv-batch: --probe and --settings exclude each other"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun run = RunBatch(folder, c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    const std::string& shown = c.status == 0 ? run.out : run.err;
    EXPECT_EQ(shown.substr(0, c.firstLine.size()), c.firstLine) << shown;
    if (c.status != 0) {
      EXPECT_EQ(run.out, "");
    }
  }
}

// Every line the probe prints, given back to projconv-batch as it stands,
// reads the file: --preview draws it with that layout.
TEST(ProbeOption, EveryLinePrintedIsTakenAsOptions) {
  test_support::TempFolder folder;
  folder.MakeFolder("in");
  folder.WriteFile("in/raw.0000", RawFile(kWritten, SmoothPicture(320, 240)));
  const ProgramRun probe = RunBatch(folder, "--probe '" + folder.PathOf("in/raw.0000") + "'");
  ASSERT_EQ(probe.status, 0) << probe.err;
  std::istringstream lines(probe.out);
  int taken = 0;
  for (std::string line; std::getline(lines, line); ++taken) {
    SCOPED_TRACE(line);
    const ProgramRun preview =
        RunBatch(folder, "--defaults --in-folder '" + folder.PathOf("in") + "' " + line +
                             " --crop 0,0,4,4 --out-size 4x4 --centre 2,2 --preview '" +
                             folder.PathOf("p.png") + "'");
    EXPECT_EQ(preview.status, 0) << preview.err;
  }
  EXPECT_GE(taken, 2);
}

}  // namespace

}  // namespace projconv
