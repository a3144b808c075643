#include "cli/terminal_text.h"

#include <gtest/gtest.h>

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

}  // namespace

}  // namespace projconv
