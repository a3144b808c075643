// Broken settings files given to the real projconv-batch: each must end with a
// message naming the problem and its own exit status, and leave the output
// folder empty. Every file describes a good run but for its one fault.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <map>

#include "cli/exit_codes.h"
#include "tests/cli/batch_process.h"
#include "tests/settings/qt_printing.h"

namespace projconv {

namespace {

struct BrokenFile {
  const char* what;
  QByteArray section;                        // the first line
  std::map<QByteArray, QByteArray> changes;  // keys set or added; an empty value drops the key
  int exitCode;
  const char* message;  // a part of standard error
};

const QByteArray kSection = "[Qarmo_Convertor]";

const BrokenFile kCases[] = {
    {"no section", "", {}, kExitRefused, "no [Qarmo_Convertor] section"},
    {"misspelt section", "[Qarmo_Converter]", {}, kExitRefused, "no [Qarmo_Convertor] section"},
    {"unclosed section", "[Qarmo_Convertor", {}, kExitRefused, "not in INI format"},
    {"misspelt key", kSection, {{"InProjSizX", "8"}}, kExitRefused, "unknown key \"InProjSizX\""},
    {"garbage number", kSection, {{"InProjSizeX", "8x"}}, kExitRefused, "InProjSizeX = \"8x\""},
    {"fraction", kSection, {{"Scale", "1.5"}}, kExitRefused, "Scale = \"1.5\""},
    {"beyond 32 bits", kSection, {{"HeaderLen", "4294967296"}}, kExitRefused, "HeaderLen"},
    {"angle beyond 32 bits", kSection, {{"Rotatangle", "2147483648"}}, kExitRefused, "Rotatangle"},
    {"typed value", kSection, {{"OutProjSizeX", "@Rect(1 2 3 4)"}}, kExitRefused, "OutProjSizeX"},
    {"angle beyond 180", kSection, {{"Rotatangle", "180100000"}}, kExitRefused, "Angle"},
    {"huge sizes",
     kSection,
     {{"InProjSizeX", "2000000000"}, {"InProjSizeY", "2000000000"}, {"OutProjSizeX", "4"}},
     kExitRefused,
     "Error: Memory allocation problem"},
    {"negative size",
     kSection,
     {{"OutProjSizeX", "-5"}, {"DownRightCornerX", "3"}},
     kExitRefused,
     "negative"},
    {"negative header", kSection, {{"HeaderLen", "-1"}}, kExitRefused, "negative"},
    {"unknown sample type", kSection, {{"Type", "7"}}, kExitRefused, "sample type 7"},
    {"pattern with %s", kSection, {{"ProjInFormat", "raw.%s"}}, kExitRefused, "Name format"},
    {"pattern with %n", kSection, {{"ProjOutFormat", "%n%04i"}}, kExitRefused, "Name format"},
    {"two conversions", kSection, {{"ProjOutFormat", "%d_%d"}}, kExitRefused, "Name format"},
    {"lone %", kSection, {{"ProjInFormat", "raw.%"}}, kExitRefused, "Name format"},
    {"folder of 10,000 characters",
     kSection,
     {{"ProjInFolder", "/" + QByteArray(10000, 'f')}},
     kExitFileFailed,
     "can not be opened"},
};

QByteArray FileText(const BatchSandbox& sandbox, const BrokenFile& c) {
  std::map<QByteArray, QByteArray> changes = c.changes;
  QByteArray text = c.section + "\n";
  for (const auto& [key, value] : sandbox.GoodSettings()) {
    const auto change = changes.find(key);
    const QByteArray line = change == changes.end() ? value : change->second;
    if (change != changes.end()) changes.erase(change);
    if (!line.isEmpty()) text += key + "=" + line + "\n";
  }
  for (const auto& [key, value] : changes) text += key + "=" + value + "\n";
  return text;
}

TEST(BrokenSettings, EachEndsWithAMessageAndItsStatusAndWritesNothing) {
  for (const BrokenFile& c : kCases) {
    SCOPED_TRACE(c.what);
    const BatchSandbox sandbox;
    const QString file = sandbox.WriteFile("broken.ini", FileText(sandbox, c));
    const BatchSandbox::Run run = sandbox.RunBatch({"--settings", file});
    EXPECT_FALSE(run.crashed) << run.errors.toStdString();
    EXPECT_EQ(run.exitCode, c.exitCode) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(c.message)) << run.errors.toStdString();
    EXPECT_EQ(sandbox.OutputFiles(), QStringList{});
  }
}

TEST(BrokenSettings, TheGoodFileTheCasesStartFromConverts) {
  const BatchSandbox sandbox;
  const QString file =
      sandbox.WriteFile("good.ini", FileText(sandbox, {"good", kSection, {}, 0, ""}));
  const BatchSandbox::Run run = sandbox.RunBatch({"--settings", file, "--quiet"});
  EXPECT_EQ(run.exitCode, kExitConverted) << run.errors.toStdString();
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(sandbox.OutputFiles(), (QStringList{"raw.0000", "raw.0001"}));
}

// The stored text of a bad value is quoted in the message: shortened when
// long, and with control characters spelt out, so that it reads on a terminal
// and cannot drive it.
TEST(BrokenSettings, BadValuesAreQuotedReadably) {
  const struct {
    const char* what;
    QByteArray value;
    const char* quoted;
  } cases[] = {
      {"escape sequence", "\x1b[2J8", "HeaderLen = \"\\x1b[2J8\""},
      {"10,000 digits", QByteArray(10000, '9'), "HeaderLen = \"9999999999"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const BatchSandbox sandbox;
    const QString file = sandbox.WriteFile(
        "bad.ini", FileText(sandbox, {c.what, kSection, {{"HeaderLen", c.value}}, 0, ""}));
    const BatchSandbox::Run run = sandbox.RunBatch({"--settings", file});
    EXPECT_EQ(run.exitCode, kExitRefused);
    EXPECT_TRUE(run.errors.contains(c.quoted)) << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QChar(0x1b)));
    EXPECT_LT(run.errors.size(), 400) << run.errors.toStdString();
  }
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
