#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

#include "settings/settings_keys.h"
#include "tests/settings/settings_test_support.h"

namespace projconv {

namespace {

TEST_F(SettingsFileTest, FirstRunStartsFromTheDefaults) {
  const StoredLoad load = LoadDesktopSettings(Path("absent.ini").toStdString());
  EXPECT_TRUE(load.problems.empty());
  const ConversionParameters& s = load.settings;
  EXPECT_EQ(s.inFolder, "d:\\data");
  EXPECT_EQ(s.outFolder, "d:\\data");
  EXPECT_EQ(s.inFormat, "raw.%04i");
  EXPECT_EQ(s.outFormat, "raw.%04i");
  for (std::int32_t value : {s.headerLen, s.startNumber, s.cropLeft, s.cropTop}) {
    EXPECT_EQ(value, 0);
  }
  EXPECT_EQ(s.sampleType, SampleType::Integer16);
  EXPECT_EQ(s.byteOrder, ByteOrder::LittleEndian);
  EXPECT_EQ(s.signedness, Signedness::Signed);
  for (std::int32_t value :
       {s.inSizeX, s.inSizeY, s.outSizeX, s.outSizeY, s.cropRight, s.cropBottom}) {
    EXPECT_EQ(value, 512);
  }
  EXPECT_EQ(s.rotCentreX, 256);
  EXPECT_EQ(s.rotCentreY, 256);
  EXPECT_EQ(s.angle, 0.0f);
  EXPECT_EQ(s.scale, 1.0f);
  EXPECT_FALSE(QFile::exists(Path("absent.ini")));  // reading creates nothing
}

// Every member different from its default and from the others, so that a key
// bound to the wrong member shows.
ConversionParameters DistinctSettings() {
  ConversionParameters s = FirstRunSettings();
  s.inFolder = "/in";
  s.outFolder = "/out";
  s.inFormat = "p%03d.raw";
  s.outFormat = "q%05i";
  s.headerLen = 1;
  s.startNumber = 2;
  s.sampleType = SampleType(3);
  s.byteOrder = ByteOrder(4);
  s.signedness = Signedness(5);
  s.inSizeX = 6;
  s.inSizeY = 7;
  s.outSizeX = 8;
  s.outSizeY = 9;
  s.cropLeft = -10;
  s.cropTop = -11;
  s.cropRight = 12;
  s.cropBottom = 13;
  s.rotCentreX = 14;
  s.rotCentreY = 15;
  s.angle = -12.5f;
  s.scale = 0.0005f;
  return s;
}

TEST_F(SettingsFileTest, WritesEveryKeyInTableOrderWithItsStoredForm) {
  const QList<std::pair<QString, QString>> expected{
      {"ProjInFolder", "/in"},
      {"ProjOutFolder", "/out"},
      {"ProjInFormat", "p%03d.raw"},
      {"ProjOutFormat", "q%05i"},
      {"HeaderLen", "1"},
      {"ProjInStartNum", "2"},
      {"Type", "3"},
      {"Endian", "4"},
      {"Signed", "5"},
      {"InProjSizeX", "6"},
      {"InProjSizeY", "7"},
      {"OutProjSizeX", "8"},
      {"OutProjSizeY", "9"},
      {"UpLeftCornerX", "-10"},
      {"UpLeftCornerY", "-11"},
      {"DownRightCornerX", "12"},
      {"DownRightCornerY", "13"},
      {"RotatCtrX", "14"},
      {"RotatCtrY", "15"},
      {"Rotatangle", "-12500000"},
      {"Scale", "0"},
  };
  EXPECT_EQ(StoredSettings(DistinctSettings()), expected);

  // The file holds exactly these keys, in its one group, as that text.
  const QString path = SaveAndCopy(DistinctSettings());
  QSettings store(path, QSettings::IniFormat);
  EXPECT_EQ(store.childGroups(), QStringList{kSettingsGroup});
  store.beginGroup(kSettingsGroup);
  EXPECT_EQ(store.childKeys().size(), expected.size());
  for (const auto& [key, text] : expected)
    EXPECT_EQ(store.value(key).toString(), text) << key.toStdString();
}

TEST_F(SettingsFileTest, ReadsBackWhatItWrote) {
  ConversionParameters expected = DistinctSettings();
  expected.scale = 0.0f;  // 0.0005 is stored as 0
  EXPECT_EQ(RoundTrip(DistinctSettings()), expected);
  EXPECT_EQ(RoundTrip(FirstRunSettings()), FirstRunSettings());
}

TEST_F(SettingsFileTest, AwkwardFolderNamesRoundTrip) {
  const char* const names[] = {
      "/scans/a,b",
      "/scans/a, b",
      ",",
      "/scans/\"quoted\"",
      "d:\\data",
      "\\\\server\\share",
      "/with space/ x ",
      " leading",
      "/semi;colon",
      "/key=value",
      "@at",
      "@@twice",
      "@Invalid()",
      "@ByteArray(x)",
      "/ünïcødé/日本/ж",
      "",
      "/tab\there",
      "#hash",
      "[section]",
      "/per%cent%04i",
      "a\"b,c\\d",
      "/trailing\\",
      "d\xe9",                 // Latin-1, and bytes no UTF-8 starts with
      "/\xff\xfe\x80/r\xe9s",  // then letters QSettings reads as hex
      "\xed\xb3\xa9",          // the lone surrogate U+DCE9 in UTF-8 form
  };
  for (const char* name : names) {
    ConversionParameters settings = FirstRunSettings();
    settings.inFolder = name;
    settings.outFolder = std::string(name) + ",out";
    settings.inFormat = std::string(name) + "%04i";
    const ConversionParameters back = RoundTrip(settings);
    EXPECT_EQ(back.inFolder, settings.inFolder) << name;
    EXPECT_EQ(back.outFolder, settings.outFolder) << name;
    EXPECT_EQ(back.inFormat, settings.inFormat) << name;
  }
}

TEST_F(SettingsFileTest, HandEditedUnquotedCommaIsJoinedBack) {
  const QString path = WriteFile("hand.ini", "[Qarmo_Convertor]\nProjInFolder=/scans/a,b,c\n");
  EXPECT_EQ(LoadSettingsFile(path).settings.inFolder, "/scans/a,b,c");
}

TEST_F(SettingsFileTest, NamesWrittenInAsBytesLoadAsThoseBytes) {
  // Latin-1 as another tool writes it (\351 is 0xe9): bare, two bytes
  // running, quoted with a hex digit after the byte, and in a key.
  const SettingsLoad load = LoadSettingsFile(
      WriteFile("latin1.ini",
                "[Qarmo_Convertor]\nProjInFolder=/d\351\nProjInFormat=r\351\377%04i\n"
                "ProjOutFolder=\"/o\3519,a\"\nProj\351=1\n"));
  ASSERT_EQ(load.problems.size(), 1);  // the key: its bytes are not a setting's name
  EXPECT_TRUE(load.problems[0].startsWith("unknown key")) << load.problems[0].toStdString();
  const ConversionParameters& s = load.settings;
  EXPECT_EQ((std::vector{s.inFolder, s.inFormat, s.outFolder}),
            (std::vector<std::string>{"/d\351", "r\351\377%04i", "/o\3519,a"}));
}

TEST_F(SettingsFileTest, MalformedNumbersKeepTheirDefaultsAndAreReported) {
  const QString path = WriteFile("bad.ini",
                                 "[Qarmo_Convertor]\n"
                                 "HeaderLen=abc\n"
                                 "ProjInStartNum=2147483648\n"
                                 "InProjSizeX=-2147483649\n"
                                 "InProjSizeY=4294967808\n"
                                 "OutProjSizeX=1.5\n"
                                 "OutProjSizeY=0x10\n"
                                 "RotatCtrX=1,2\n"
                                 "Rotatangle=12.5\n"
                                 "Scale=\n"
                                 "UpLeftCornerX=-2147483648\n"
                                 "UpLeftCornerY=+7\n"
                                 "DownRightCornerX=2147483647\n");
  const SettingsLoad load = LoadSettingsFile(path);
  const ConversionParameters defaults = FirstRunSettings();
  EXPECT_EQ(load.settings.headerLen, defaults.headerLen);
  EXPECT_EQ(load.settings.startNumber, defaults.startNumber);
  EXPECT_EQ(load.settings.inSizeX, defaults.inSizeX);
  EXPECT_EQ(load.settings.inSizeY, defaults.inSizeY);
  EXPECT_EQ(load.settings.outSizeX, defaults.outSizeX);
  EXPECT_EQ(load.settings.outSizeY, defaults.outSizeY);
  EXPECT_EQ(load.settings.rotCentreX, defaults.rotCentreX);
  EXPECT_EQ(load.settings.angle, defaults.angle);
  EXPECT_EQ(load.settings.scale, defaults.scale);
  // The good values around them are taken.
  EXPECT_EQ(load.settings.cropLeft, -2147483647 - 1);
  EXPECT_EQ(load.settings.cropTop, 7);
  EXPECT_EQ(load.settings.cropRight, 2147483647);

  const QStringList expected{
      "HeaderLen = \"abc\"",
      "ProjInStartNum = \"2147483648\"",
      "InProjSizeX = \"-2147483649\"",
      "InProjSizeY = \"4294967808\"",
      "OutProjSizeX = \"1.5\"",
      "OutProjSizeY = \"0x10\"",
      "RotatCtrX = \"1,2\"",
      "Rotatangle = \"12.5\"",
      "Scale = \"\"",
  };
  ASSERT_EQ(load.problems.size(), expected.size()) << load.problems.join('\n').toStdString();
  for (qsizetype i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(load.problems[i].startsWith(expected[i])) << load.problems[i].toStdString();
  }
}

TEST_F(SettingsFileTest, ChoicesOutsideTheirButtonsAreLoadedAsTheyAre) {
  const QString path = WriteFile("choices.ini", "[Qarmo_Convertor]\nType=7\nEndian=-1\nSigned=2\n");
  const SettingsLoad load = LoadSettingsFile(path);
  EXPECT_TRUE(load.problems.isEmpty());
  EXPECT_EQ(load.settings.sampleType, SampleType(7));
  EXPECT_EQ(load.settings.byteOrder, ByteOrder(-1));
  EXPECT_EQ(load.settings.signedness, Signedness(2));
}

TEST_F(SettingsFileTest, FilesThatCannotBeReadAreReported) {
  QDir(Path("")).mkdir("folder.ini");
  const QString notIni = WriteFile("broken.ini", "[Qarmo_Convertor\nHeaderLen=\"1\n");
  const struct {
    QString path;
    const char* problem;
  } cases[] = {
      {Path("missing.ini"), "does not exist"},
      {Path("folder.ini"), "not a file"},
      {notIni, "not in INI format"},
  };
  for (const auto& c : cases) {
    const SettingsLoad load = LoadSettingsFile(c.path);
    ASSERT_FALSE(load.problems.isEmpty()) << c.path.toStdString();
    EXPECT_TRUE(load.problems[0].contains(c.problem)) << load.problems[0].toStdString();
  }
}

TEST_F(SettingsFileTest, SaveReportsAFileItCouldNotWrite) {
  QDir(Path("")).mkdir("taken.ini");
  QSettings store(Path("taken.ini"), QSettings::IniFormat);
  EXPECT_FALSE(SaveSettings(store, FirstRunSettings()));
}

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    value.isNull() ? qunsetenv(name) : qputenv(name, value);
  }
  ~ScopedEnvironment() { had_ ? qputenv(name_, old_) : qunsetenv(name_); }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

// The plain reader's path is the one Qt gives for the configuration folder,
// tidied.
TEST(DesktopSettingsPath, FollowsTheConfigurationFolder) {
  const struct {
    QByteArray home, configHome;
    const char* path;
  } cases[] = {
      {"/home/someone", "/tmp/config", "/tmp/config/projconv.ini"},
      {"/home/someone", "/tmp/config/", "/tmp/config/projconv.ini"},
      {"/home/someone", QByteArray(), "/home/someone/.config/projconv.ini"},
      {"/home/someone", "", "/home/someone/.config/projconv.ini"},
      {"/home/someone", "relative/config", "/home/someone/.config/projconv.ini"},
      {"/home//someone/./x/../", QByteArray(), "/home/someone/.config/projconv.ini"},
      {"/home/caf\xc3\xa9", "", "/home/caf\xc3\xa9/.config/projconv.ini"},
  };
  for (const auto& c : cases) {
    const ScopedEnvironment home("HOME", c.home);
    const ScopedEnvironment configHome("XDG_CONFIG_HOME", c.configHome);
    EXPECT_EQ(DesktopSettingsPath(), QString::fromUtf8(c.path)) << c.configHome.constData();
    // A relative configuration folder is Qt's, but never the program's.
    if (!c.configHome.isEmpty() && !c.configHome.startsWith('/')) continue;
    EXPECT_EQ(
        DesktopSettingsPath(),
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) +
            "/projconv.ini")
        << c.home.constData() << " " << c.configHome.constData();
  }
}

}  // namespace

TEST_F(SettingsFileTest, CorrectionRoundTripsInItsOwnSectionAndBadValuesAreReported) {
  CorrectionParameters correction;
  correction.flat = {"flat_%03d.raw", 4, 20};
  correction.dark = {"/d\351/dark.raw", 0, -1};  // a name that is not UTF-8
  correction.combine = Combining::Median;
  correction.mode = CorrectionMode::Attenuation;
  correction.scale = 0.1;
  const QString written = Path(QStringLiteral("correction.ini"));
  {
    QSettings store(written, QSettings::IniFormat);
    ASSERT_TRUE(SaveSettings(store, FirstRunSettings()));
    ASSERT_TRUE(SaveCorrection(store, correction));
  }
  const SettingsLoad load = LoadSettingsFile(written);
  EXPECT_TRUE(load.problems.isEmpty()) << load.problems.join('\n').toStdString();
  EXPECT_EQ(load.correction, correction);
  EXPECT_EQ(load.settings, FirstRunSettings());  // the conversion's section is untouched

  const SettingsLoad bad = LoadSettingsFile(
      WriteFile("bad-correction.ini",
                "[Qarmo_Convertor]\nHeaderLen=0\n[Correction]\nFlatPattern=f%d\nFlatCount=x\n"
                "Combine=average\nMode=log\nScale=1e999\nColour=1\n"));
  EXPECT_EQ(bad.correction.flat.pattern, "f%d");
  EXPECT_EQ(bad.correction.flat.count, -1);
  EXPECT_EQ(bad.problems,
            (QStringList{
                "Correction/FlatCount = \"x\" is not a whole number in the 32-bit range",
                "Correction/Combine = \"average\" is neither mean nor median",
                "Correction/Mode = \"log\" is neither transmission nor attenuation",
                "Correction/Scale = \"1e999\" is not a finite decimal number",
                "unknown key Correction/\"Colour\"",
            }));
}

}  // namespace projconv
