// The plain reader takes every file as QSettings takes it: the same values,
// the same problems in the same words, for files as the programs write them
// and as hands and scripts leave them.

#include <QStandardPaths>

#include "settings/stored_settings.h"
#include "tests/settings/qsettings_reading.h"
#include "tests/settings/settings_test_support.h"

namespace projconv {

namespace {

const struct {
  const char* name;
  std::string_view text;
} kCorpus[] = {
    {"empty", ""},
    {"no group", "[Other]\nProjInFolder=/x\n"},
    {"empty group", "[Qarmo_Convertor]\n; nothing here\n"},
    {"spaces and tabs", "[Qarmo_Convertor]\n  ProjInFolder \t=  /a b  \t\nHeaderLen= \"12\"\n"},
    {"quotes and escapes",
     "[Qarmo_Convertor]\nProjInFolder=\"/a\\tb\\x41\\101\\\"\\\\,c\"\nProjOutFolder=/q\\xg\\z\\\n"
     "ProjInFormat=\"  r%04i \"  \nProjOutFormat=a\\x4\\x00041\\7777z\n"},
    {"comma lists",
     "[Qarmo_Convertor]\nProjInFolder=/a, b ,c\nProjOutFolder=\"x\" , \"y\"\n"
     "ProjInFormat=,\nProjOutFormat=a,\"b,c\",@@d\n"},
    {"comments",
     "; top\n[Qarmo_Convertor]\n;c\nProjInFolder=/a ; note\n"
     "ProjOutFolder=\"/b;c\"\n  ; indented\nHeaderLen=3;4\n"},
    {"line ends",
     "[Qarmo_Convertor]\r\nProjInFolder=/a\r\nProjOutFolder=/b\rHeaderLen=\"1\n2\"\n"
     "ProjInFormat=r\\\n%04i\nProjOutFormat=\"o\\\r\n%04i\"\n"},
    {"byte order mark", "\xEF\xBB\xBF[Qarmo_Convertor]\nProjInFolder=/bom\n"},
    {"sections twice and general",
     "ProjInFolder=/general\nQarmo_Convertor/HeaderLen=9\n[Qarmo_Convertor]\nProjInFolder=/one\n"
     "[Other]\nx=1\n[Qarmo_Convertor]\nProjOutFolder=/two\nProjInFolder=/three\n[general]\ny=2\n"},
    {"subgroups",
     "[Qarmo_Convertor/sub]\nProjInFolder=/sub\n[Qarmo_Convertor]\nsub\\x=1\n"
     "ProjOutFolder=/o\n"},
    {"only a subgroup", "[Qarmo_Convertor/a]\nx=1\n[Qarmo_Convertor/z]\ny=2\n"},
    {"escaped keys",
     "[Qarmo%5FConvertor]\nProj%49nFolder=/pct\n%U0050rojOutFolder=/u\n"
     "Proj%zzFormat=1\n%4=2\n=3\nHeader%+6Cen=5\nStart%0x=6\n"},
    {"typed values",
     "[Qarmo_Convertor]\nProjInFolder=@ByteArray(/d\xE9)\nProjOutFolder=@String(/s)\n"
     "ProjInFormat=@@x%04i\nProjOutFormat=@Invalid()\nHeaderLen=@Rect(1 2 3 4)\n"
     "ProjInStartNum=@Rect(1 2)\nInProjSizeX=@Size(1 2)\nInProjSizeY=@Point(3 4)\n"
     "OutProjSizeX=1,@x\nOutProjSizeY=@DateTime(x)\nRotatCtrX=@Variant(x)\nRotatCtrY=@nothing\n"},
    {"stray bytes",
     "[Qarmo_Convertor]\nProjInFolder=/d\xE9\nProjInFormat=r\xE9\xFF%04i\n"
     "ProjOutFolder=\"/o\xE9"
     "9,a\"\nProj\xE9=1\n[Gr\xFCn]\nz=1\n"},
    {"utf-8 names",
     "[Qarmo_Convertor]\nProjInFolder=/caf\xC3\xA9/\xF0\x9F\x93\xB7\n"
     "ProjOutFolder=\\xd800\\xdce9\nProjInFormat=\\xdce9\\xd83d\nK\xC3\xA9y=1\n"},
    {"numbers",
     "[Qarmo_Convertor]\nHeaderLen=+7\nProjInStartNum=-0\nInProjSizeX=\" 7\"\n"
     "InProjSizeY=\xD9\xA3\nOutProjSizeX=1e3\nOutProjSizeY=2147483647\n"
     "UpLeftCornerX=-2147483648\nUpLeftCornerY=\"\\t5\"\nScale=00012\nType=\n"},
    {"long and control text",
     "[Qarmo_Convertor]\nHeaderLen=\"\\x01\\x7f\\x9f"
     "0123456789012345678901234567890123456789\"\n"
     "a\\tb\\x01c"
     "0123456789012345678901234567890123456789=1\n"},
    {"unclosed header", "[Qarmo_Convertor\nHeaderLen=\"1\n"},
    {"header with more", "[Qarmo_Convertor] trailing\nHeaderLen=4\n"},
    {"line without equals", "[Qarmo_Convertor]\njunk\nHeaderLen=5\n"},
    {"line without equals elsewhere", "[Qarmo_Convertor]\nHeaderLen=5\n[Other]\njunk\n"},
    {"malformed group without keys", "[Qarmo_Convertor]\njunk\n"},
    {"duplicate keys", "[Qarmo_Convertor]\nHeaderLen=1\nHeaderLen=2\nheaderlen=3\n"},
    {"odd headers and keys",
     "[ Qarmo_Convertor ]\nProj%-1=1\n%U-001=2\n\"a=b\"=3\na]b=4\nk\\=5\n"
     "ProjInFolder=a\"b,c\"d\nProjOutFolder=\"ab\"cd , e\nScale=\\x41\n[%general]\nx=1\n"},
    {"wide and wrapping escapes",
     "[Qarmo_Convertor]\nProjInFolder=@ByteArray(\\x100\\x41)\nProjOutFolder=\\7777777\\x1234567\n"
     "ProjInFormat=\"open quote\nHeaderLen=1\n"},
    {"hash is no comment", "[Qarmo_Convertor]\n# HeaderLen=1\nHeaderLen=6\n"},
};

// Every file of the corpus, both ways a program opens one.
TEST_F(SettingsFileTest, ThePlainReaderReadsEveryFileAsQSettings) {
  int number = 0;
  for (const auto& file : kCorpus) {
    SCOPED_TRACE(file.name);
    // QSettings keeps what it read of a path: each reading gets a copy.
    const QByteArray text(file.text.data(), qsizetype(file.text.size()));
    const QString path = WriteFile(QStringLiteral("named%1.ini").arg(++number), text);
    const QString desktopPath = WriteFile(QStringLiteral("desktop%1.ini").arg(number), text);
    const SettingsLoad named = LoadNamedThroughQSettings(path);
    const SettingsLoad plainNamed = LoadSettingsFile(path);
    EXPECT_EQ(plainNamed.settings, named.settings);
    EXPECT_EQ(plainNamed.problems, named.problems);

    const SettingsLoad desktop = LoadDesktopThroughQSettings(desktopPath);
    const StoredLoad plainDesktop = LoadDesktopSettings(desktopPath.toStdString());
    EXPECT_EQ(plainDesktop.settings, desktop.settings);
    QStringList problems;
    for (const std::string& problem : plainDesktop.problems) {
      problems << QString::fromStdString(problem);
    }
    EXPECT_EQ(problems, desktop.problems);
  }
}

}  // namespace

}  // namespace projconv
