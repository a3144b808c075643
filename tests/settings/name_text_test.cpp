#include "settings/name_text.h"

#include <gtest/gtest.h>

#include "tests/settings/qt_printing.h"

namespace projconv {

namespace {

TEST(NameText, KeepsEveryByteThatIsNotUtf8AsItsOwnSurrogate) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"caf\xc3\xa9/\xe6\x97\xa5/\xf0\x9f\x93\xb7", u"café/日/📷"},
      {"d\xe9\xc3", u"d\xdce9\xdcc3"},                              // Latin-1, a sequence cut short
      {"\xc0\xaf\xed\xb3\xa9", u"\xdcc0\xdcaf\xdced\xdcb3\xdca9"},  // overlong '/', a surrogate
      {"\xf4\x90\x80\x80\xc3\xa9", u"\xdcf4\xdc90\xdc80\xdc80\x00e9"},  // past U+10FFFF
  };
  for (const auto& [name, expected] : cases) {
    const QString text = NameToText(name);
    EXPECT_EQ(text, QString::fromStdU16String(expected)) << name;
    EXPECT_EQ(NameOfText(text), name);
    EXPECT_EQ(IsUtf8(name), text.toUtf8().toStdString() == name) << name;
  }
  // A low half in the escapes' range after a high one is a character.
  EXPECT_EQ(NameOfText(u"\xd800\xdc80"), "\xf0\x90\x82\x80");
}

}  // namespace

}  // namespace projconv
