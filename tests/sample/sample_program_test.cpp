#include <sys/wait.h>

#include <cstdlib>

#include "tests/sample/sample_folder.h"

namespace projconv {

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

ProgramRun RunSample(const fs::path& scratch, const std::string& arguments) {
  const fs::path out = scratch / "stdout", err = scratch / "stderr";
  const std::string command = std::string("'") + PROJCONV_SAMPLE_PROGRAM + "' " + arguments +
                              " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  return ProgramRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(out), ReadBytes(err)};
}

}  // namespace

using SampleProgram = SampleFolder;

TEST_F(SampleProgram, PrintsTheSettingsPath) {
  const ProgramRun run = RunSample(root_, "'" + dir_.string() + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, (dir_ / "sample.ini").string() + "\n");
  EXPECT_TRUE(fs::exists(dir_ / "sample.ini"));
}

TEST_F(SampleProgram, ReportsMisuseAndRefusals) {
  fs::create_directories(dir_);
  std::ofstream(dir_ / "notes.txt") << "keep me";
  const struct {
    std::string arguments;
    int status;
    const char* message;
  } cases[] = {
      {"", 64, "usage: projconv-sample DIR"},
      {"a b", 64, "usage: projconv-sample DIR"},
      {"'" + dir_.string() + "'", 1, "is not empty"},
  };
  for (const auto& c : cases) {
    const ProgramRun run = RunSample(root_, c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.arguments;
  }
  EXPECT_EQ(ReadBytes(dir_ / "notes.txt"), "keep me");
}

}  // namespace projconv
