#include "cli/terminal_text.h"

#include <gtest/gtest.h>

#include "cli/batch_report_text.h"

namespace projconv {

namespace {

TEST(TerminalText, SpellsOutWhatWouldDriveATerminal) {
  const struct {
    std::string text, shown;
  } cases[] = {
      {"File  /scans/raw.0001", "File  /scans/raw.0001"},
      {"two\tcolumns\nand lines", "two\tcolumns\nand lines"},
      {"\x1b[2Jcleared", "\\x1b[2Jcleared"},
      {"bell\a, return\r, nul" + std::string(1, '\0'), "bell\\x07, return\\x0d, nul\\x00"},
      {"del\x7f", "del\\x7f"},
      {"csi \xc2\x9b"
       "31m",
       "csi \\xc2\\x9b31m"},  // U+009B, a one-character CSI
      {"caf\xc3\xa9 \xc2\xa0 \xe6\x97\xa5", "caf\xc3\xa9 \xc2\xa0 \xe6\x97\xa5"},  // é, nbsp, 日
      {"cut \xc2", "cut \xc2"},
  };
  for (const auto& c : cases) EXPECT_EQ(TerminalText(c.text), c.shown) << c.shown;
}

// One of anything is singular, in every count the summary and progress lines give.
TEST(BatchReportText, CountsOneInTheSingular) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {SummaryText(1, 1.0, "out", false, 1, 1),
       "projconv-batch: 1 file written in 1.00 s (1.0 images/s) to out; 1 sample wrapped to 16 "
       "bits; 1 existing file kept"},
      {SummaryText(2, 1.0, "out", true, 2, 2),
       "projconv-batch: interrupted, 2 files written in 1.00 s (2.0 images/s) to out; 2 samples "
       "wrapped to 16 bits; 2 existing files kept"},
      {ProgressText(1, 1.0, 1e6), "1 file written, 1.0 images/s, 1.0 MB/s read+written"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, c.expected);
}

}  // namespace

}  // namespace projconv
