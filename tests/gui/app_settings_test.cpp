// The program's run as a user meets it: what the dialog opens with, and what
// the settings file holds after leaving one way or the other.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>

#include "form/control_ids.h"
#include "gui/converter_app.h"
#include "gui/converter_dialog.h"
#include "gui/flat_field_box.h"
#include "gui/output_box.h"
#include "settings/settings_file.h"

namespace projconv {

namespace {

// Runs the whole program with its settings in a fresh configuration folder;
// `act` gets the open dialog and must end its run.
class ProgramRun : public testing::Test {
 protected:
  ProgramRun() { qputenv("XDG_CONFIG_HOME", config.path().toUtf8()); }
  ~ProgramRun() override { qunsetenv("XDG_CONFIG_HOME"); }

  void Run(const std::function<void(ConverterDialog&)>& act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<ConverterDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      acted = true;
      dialog->SetCloseWait(std::chrono::milliseconds(0));  // no batch runs here
      act(*dialog);
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_TRUE(acted);
    EXPECT_EQ(theJob, nullptr);
  }

  QString Text(ConverterDialog& dialog, int id) {
    return qobject_cast<QLineEdit*>(dialog.Control(id))->text();
  }

  void Type(ConverterDialog& dialog, int id, const QString& text) {
    qobject_cast<QLineEdit*>(dialog.Control(id))->setText(text);
  }

  void WriteSettings(const QString& ini) {
    QFile file(DesktopSettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ini.toUtf8());
  }

  // The stored text of a key, read from a fresh reader so nothing cached in
  // this process stands in for the file.
  QString Stored(const QString& key) {
    QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
    return store.value(QStringLiteral("Qarmo_Convertor/") + key).toString();
  }

  QTemporaryDir config;
};

TEST_F(ProgramRun, FirstRunOpensOnTheDefaultsAndEscWritesNothing) {
  Run([&](ConverterDialog& dialog) {
    EXPECT_EQ(Text(dialog, kIdcInFolderEdit), QStringLiteral("d:\\data"));
    EXPECT_EQ(Text(dialog, kIdcOutFolderEdit), QStringLiteral("d:\\data"));
    EXPECT_EQ(Text(dialog, kIdcInFormatEdit), QStringLiteral("raw.%04i"));
    EXPECT_EQ(Text(dialog, kIdcOutFormatEdit), QStringLiteral("raw.%04i"));
    for (int id : {kIdcInSizeXEdit, kIdcInSizeYEdit, kIdcOutSizeXEdit, kIdcOutSizeYEdit,
                   kIdcCropRightEdit, kIdcCropBottomEdit}) {
      EXPECT_EQ(Text(dialog, id), QStringLiteral("512")) << id;
    }
    EXPECT_EQ(Text(dialog, kIdcCropLeftEdit), QStringLiteral("0"));
    EXPECT_EQ(Text(dialog, kIdcRotCentreXEdit), QStringLiteral("256"));
    EXPECT_EQ(Text(dialog, kIdcAngleEdit), QStringLiteral("0"));
    EXPECT_EQ(Text(dialog, kIdcScaleEdit), QStringLiteral("1"));
    Type(dialog, kIdcHeaderLenEdit, QStringLiteral("64"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_FALSE(QFile::exists(DesktopSettingsPath()));
}

TEST_F(ProgramRun, RemeberAndExitWritesEveryKeyInItsStoredForm) {
  Run([&](ConverterDialog& dialog) {
    Type(dialog, kIdcInFolderEdit, QStringLiteral("/scans/a, \"b\" \\ c/\u00e9t\u00e9"));
    Type(dialog, kIdcAngleEdit, QStringLiteral("-12.5"));
    Type(dialog, kIdcScaleEdit, QStringLiteral("0.0005"));
    Type(dialog, kIdcHeaderLenEdit, QStringLiteral("2048"));
    Type(dialog, kIdcStartNumberEdit, QStringLiteral("7"));
    dialog.Control(kIdOk)->setFocus();
    QTest::mouseClick(qobject_cast<QWidget*>(dialog.Control(kIdOk)), Qt::LeftButton);
  });
  ASSERT_TRUE(QFile::exists(DesktopSettingsPath()));
  EXPECT_EQ(Stored("ProjInFolder"), QStringLiteral("/scans/a, \"b\" \\ c/\u00e9t\u00e9"));
  EXPECT_EQ(Stored("Rotatangle"), QStringLiteral("-12500000"));
  EXPECT_EQ(Stored("Scale"), QStringLiteral("0"));
  EXPECT_EQ(Stored("HeaderLen"), QStringLiteral("2048"));
  EXPECT_EQ(Stored("ProjInStartNum"), QStringLiteral("7"));
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  store.beginGroup(QStringLiteral("Qarmo_Convertor"));
  EXPECT_EQ(store.childKeys().size(), 21);
  // And on disk, not only in this process's cache of the file.
  QFile file(DesktopSettingsPath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  // Sections stand in alphabetical order: [Correction] comes before it.
  EXPECT_TRUE(text.contains(QStringLiteral("\n[Qarmo_Convertor]\n"))) << text.toStdString();
  for (const char* line : {"Rotatangle=-12500000\n", "Scale=0\n", "HeaderLen=2048\n"}) {
    EXPECT_TRUE(text.contains(QLatin1String(line))) << line;
  }

  // The next run opens on what was saved.
  Run([&](ConverterDialog& dialog) {
    EXPECT_EQ(Text(dialog, kIdcAngleEdit), QStringLiteral("-12.5"));
    EXPECT_EQ(Text(dialog, kIdcScaleEdit), QStringLiteral("0"));
    EXPECT_EQ(Text(dialog, kIdcInFolderEdit), QStringLiteral("/scans/a, \"b\" \\ c/\u00e9t\u00e9"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
}

TEST_F(ProgramRun, RefusedValueKeepsTheDialogOpenAndWritesNothing) {
  Run([&](ConverterDialog& dialog) {
    int shown = 0;
    dialog.SetFailureReporter([&](const QString&) { ++shown; });
    Type(dialog, kIdcAngleEdit, QStringLiteral("200"));
    QTest::mouseClick(qobject_cast<QWidget*>(dialog.Control(kIdOk)), Qt::LeftButton);
    EXPECT_EQ(shown, 2);  // once by the command, once more by the closing check
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_FALSE(QFile::exists(DesktopSettingsPath()));
}

TEST_F(ProgramRun, StoredFloatTypeOpensInTheFloatState) {
  WriteSettings(QStringLiteral("[Qarmo_Convertor]\nType=1\nRotatangle=100000\n"));
  Run([&](ConverterDialog& dialog) {
    for (int id : {kIdcSignedRadio, kIdcUnsignedRadio, kIdcLittleEndianRadio, kIdcBigEndianRadio}) {
      EXPECT_FALSE(dialog.Control(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(dialog.Control(kIdcScaleEdit)->isEnabled());
    EXPECT_EQ(Text(dialog, kIdcAngleEdit), QStringLiteral("0.1"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
}

// The output row is remembered like the window: in a group of its own, only
// on "Remeber and Exit", and the conversion's section keeps exactly its keys.
TEST_F(ProgramRun, OutputChoiceIsRememberedInAGroupOfItsOwn) {
  const OutputChoice chosen{OutputType::Hdf5, "/scans/s1/all.h5", "s1"};
  Run([&](ConverterDialog& dialog) {
    EXPECT_EQ(dialog.outputChoice(), OutputChoice{});
    dialog.SetOutputChoice(chosen);
    dialog.accept();
  });
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  EXPECT_EQ(store.value("Writing/Type").toString(), "hdf5");
  EXPECT_EQ(store.value("Writing/File").toString(), "/scans/s1/all.h5");
  EXPECT_EQ(store.value("Writing/Sidecar").toString(), "s1");
  EXPECT_EQ(store.childGroups(),
            (QStringList{"Correction", "Qarmo_Convertor", "Window", "Writing"}));
  store.beginGroup("Qarmo_Convertor");
  EXPECT_EQ(store.childKeys().size(), 21);
  store.endGroup();

  Run([&](ConverterDialog& dialog) {
    EXPECT_EQ(dialog.outputChoice(), chosen);
    EXPECT_TRUE(dialog.outputBox().fileEdit().isEnabled());
    dialog.SetOutputChoice({});
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(QSettings(DesktopSettingsPath(), QSettings::IniFormat).value("Writing/Type"), "hdf5");
}

// The flat field is remembered in [Correction]. Unticked, the patterns are
// left out, so that no program reading the file corrects; the rest stays.
TEST_F(ProgramRun, FlatFieldIsRememberedInTheCorrectionSection) {
  CorrectionParameters chosen;
  chosen.flat = {"flat_%03d.raw", 4, 20};
  chosen.dark = {"/darks/dark.raw", 0, -1};
  chosen.combine = Combining::Median;
  chosen.mode = CorrectionMode::Attenuation;
  chosen.scale = 2500.25;
  Run([&](ConverterDialog& dialog) {
    EXPECT_FALSE(dialog.flatFieldBox().isChecked());
    dialog.flatFieldBox().SetCorrection(chosen);
    dialog.accept();
  });
  EXPECT_EQ(LoadDesktopSettingsFile().correction, chosen);

  Run([&](ConverterDialog& dialog) {
    EXPECT_TRUE(dialog.flatFieldBox().isChecked());
    EXPECT_EQ(dialog.flatFieldBox().correction(), chosen);
    dialog.flatFieldBox().setChecked(false);
    dialog.accept();
  });
  CorrectionParameters unticked = chosen;
  unticked.flat.pattern.clear();
  unticked.dark.pattern.clear();
  EXPECT_EQ(LoadDesktopSettingsFile().correction, unticked);
  Run([&](ConverterDialog& dialog) {
    EXPECT_FALSE(dialog.flatFieldBox().isChecked());
    EXPECT_EQ(dialog.flatFieldBox().stored(), unticked);
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
}

}  // namespace

}  // namespace projconv
