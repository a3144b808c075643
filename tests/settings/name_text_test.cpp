#include "settings/name_text.h"

#include <gtest/gtest.h>

#include "tests/settings/qt_printing.h"

namespace projconv {

namespace {

TEST(NameText, KeepsEveryByteThatIsNotUtf8AsItsOwnSurrogate) {
  const struct {
    std::string name;
    std::u16string text;
  } cases[] = {
      {"/scans/raw.%04i", u"/scans/raw.%04i"},
      {"caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x93\xb7", u"café 日 📷"},
      {"d\xe9", u"d\xdce9"},
      {"\xc3", u"\xdcc3"},                                // cut short
      {"\xc0\xaf", u"\xdcc0\xdcaf"},                      // overlong '/'
      {"\xed\xb3\xa9", u"\xdced\xdcb3\xdca9"},            // a surrogate in UTF-8
      {"\xf4\x90\x80\x80", u"\xdcf4\xdc90\xdc80\xdc80"},  // past U+10FFFF
      {"\xff\xc3\xa9\x80", u"\xdcff\x00e9\xdc80"},
  };
  for (const auto& c : cases) {
    const QString text = NameToText(c.name);
    EXPECT_EQ(text, QString::fromStdU16String(c.text)) << c.name;
    EXPECT_EQ(NameOfText(text), c.name);
    EXPECT_EQ(IsUtf8(c.name), text.toUtf8().toStdString() == c.name) << c.name;
  }
  // A pair whose low half lies in the escapes' range is a character, and a
  // lone surrogate outside it stands for no byte.
  EXPECT_EQ(NameOfText(u"\xd800\xdc80"), "\xf0\x90\x82\x80");
  EXPECT_EQ(NameOfText(u"a\xd800"
                       u"b\xdc10"),
            "a?b?");
}

}  // namespace

}  // namespace projconv
