// No output replaces an input the batch has yet to read: such a batch is
// refused before anything is read, by the names the patterns give and by
// the files they are, and a link made while the batch runs ends it before
// the output is opened.

#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/name_pattern.h"
#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

TEST(NamePatternTest, NumberOfANameIsTheOneThatFormatsToIt) {
  const struct {
    const char* format;
    const char* name;
    std::optional<std::int32_t> number;
  } cases[] = {
      {"raw.%04i", "raw.0012", 12},
      {"raw.%04i", "raw.12", std::nullopt},
      {"raw.%04i", "raw.12345", 12345},
      {"raw.%04i", "raw.-012", -12},
      {"%d", "-2147483648", INT32_MIN},
      {"%d", "2147483648", std::nullopt},
      {"%+d", "+5", 5},
      {"%5d", "   42", 42},
      {"%-5d|", "42   |", 42},
      {"%.0d", "", 0},
      {"a%%%db", "a%7b", 7},
      {"%d0", "120", 12},
      {"raw.%04i", "raw.00a1", std::nullopt},
      {"raw.%04i", "raw.0012 ", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " / " + c.name);
    EXPECT_EQ(NamePattern::Parse(c.format)->NumberOf(c.name), c.number);
  }
  EXPECT_EQ(NamePattern::Parse("sub/raw.%04i")->FolderPart(), "sub/");
  EXPECT_EQ(NamePattern::Parse("raw%d")->FolderPart(), "");
  EXPECT_EQ(NamePattern::Parse("%03d/raw")->FolderPart(), std::nullopt);
}

class OverwriteTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Shape(4, 3, 4, 3);
    WriteInputs();
  }
  void WriteInputs() const {
    for (std::int32_t k = 0; k < 5; ++k) WriteInput(k, Bytes(24, std::uint8_t(k + 1)));
  }
  // "." for each input as it was written, "x" for one that changed.
  std::string Inputs() const {
    std::string state;
    for (std::int32_t k = 0; k < 5; ++k)
      state += folder.ReadFile("in/raw.000" + std::to_string(k)) == Bytes(24, std::uint8_t(k + 1))
                   ? "."
                   : "x";
    return state;
  }
};

TEST_F(OverwriteTest, OutputsNamedLikeLaterInputsAreRefusedBeforeAnythingIsRead) {
  ASSERT_EQ(::symlink(folder.PathOf("in").c_str(), folder.PathOf("alias").c_str()), 0);
  const struct {
    const char* name;
    std::string outFolder;
    std::int32_t start;
    std::int64_t outStart, limit;
    double follow;
    std::string refusedFor;  // the output named in the refusal; "" when accepted
  } cases[] = {
      {"next number", "in", 0, 1, -1, -1, "in/raw.0001"},
      {"the folder through a link", "alias", 0, 1, -1, -1, "alias/raw.0001"},
      {"the folder spelled otherwise", "in/.", 2, 3, -1, -1, "in/./raw.0003"},
      {"its own input", "in", 0, 0, -1, -1, ""},
      {"earlier inputs only", "in", 2, 0, -1, -1, ""},
      {"the collision beyond the count", "in", 0, 3, 3, -1, ""},
      {"the collision within the count", "in", 0, 3, 4, -1, "in/raw.0003"},
      {"creating the first missing input", "in", 0, 5, -1, -1, "in/raw.0005"},
      {"past the sequence", "in", 0, 9, -1, -1, ""},
      {"past the sequence, followed", "in", 0, 9, -1, 0, "in/raw.0009"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reporter.messages.clear();
    job.outFolder = folder.PathOf(c.outFolder);
    job.outFormat = "raw.%04i";
    job.startNumber = c.start;
    job.batch.span.outStart = c.outStart;
    job.batch.span.limit = c.limit;
    job.batch.span.followSeconds = c.follow;
    const BatchResult result = job.RunBatchWithResult();
    if (c.refusedFor.empty()) {
      EXPECT_NE(result.end, BatchEnd::Refused);
      WriteInputs();  // an accepted batch may write over inputs it has read
      continue;
    }
    EXPECT_EQ(result.end, BatchEnd::Refused);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_TRUE(reporter.messages[0].text.starts_with(
        "The output file " + folder.PathOf(c.refusedFor) + " would replace the input file "))
        << reporter.messages[0].text;
    EXPECT_EQ(Inputs(), ".....");
  }
}

TEST_F(OverwriteTest, OutputThatIsALaterInputByLinkIsRefusedOrEndsTheBatch) {
  // Found before the batch starts...
  for (const bool hard : {false, true}) {
    SCOPED_TRACE(hard ? "hard link" : "symbolic link");
    const std::string output = OutName(1);
    ASSERT_EQ(hard ? ::link(InName(3).c_str(), output.c_str())
                   : ::symlink(InName(3).c_str(), output.c_str()),
              0);
    reporter.messages.clear();
    EXPECT_EQ(job.RunBatchWithResult().end, BatchEnd::Refused);
    EXPECT_EQ(Inputs(), ".....");
    ASSERT_EQ(::unlink(output.c_str()), 0);
  }
  // ...and when made while it runs, before the output would be opened.
  reporter.messages.clear();
  reporter.onProgress = [this](std::int32_t number) {
    if (number == 0) {
      ASSERT_EQ(::symlink(InName(4).c_str(), OutName(2).c_str()), 0);
    }
  };
  const BatchResult result = job.RunBatchWithResult();
  EXPECT_EQ(result.end, BatchEnd::OutputNotWritten);
  EXPECT_EQ(result.filesWritten, 2);
  EXPECT_EQ(reporter.messages,
            std::vector<ShownMessage>{
                EndAt(OutName(2), "can not be wrote",
                      "It is the input " + InName(4) + ", which the batch has yet to read")});
  EXPECT_EQ(Inputs(), ".....");
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
