// projconv-batch --probe, through the built program.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

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

TEST(ProbeOption, PrintsTheBestLayoutFirstAsOptions) {
  test_support::TempFolder folder;
  const RawLayout written{
      SampleType::Integer16, ByteOrder::BigEndian, Signedness::Unsigned, 320, 240, 512};
  folder.WriteFile("scan.raw", RawFile(written, SmoothPicture(320, 240)));
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
       "--type int16 --byte-order big --unsigned --in-size 320x240 --header-len 512  score 0."},
      {"--probe " + scan + " --type float32 --in-size 320x240", 2,
       "Error: no layout fits the 154112 bytes of"},
      {"--probe '" + folder.PathOf("missing.raw") + "'", 1, "Error: "},
      {"--probe " + scan + " --settings other.ini", 64,
       "projconv-batch: --probe and --settings exclude each other"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun run = RunBatch(folder, c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    const std::string& shown = c.status == 0 ? run.out : run.err;
    EXPECT_EQ(shown.substr(0, c.firstLine.size()), c.firstLine) << shown;
  }
}

}  // namespace

}  // namespace projconv
