// The program with a batch running: InitInstance runs the dialog (driven here
// from a timer inside its run), and releases the job only once the dialog and
// its worker are gone, however long the image in progress takes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProgressBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>

#include "form/control_ids.h"
#include "gui/converter_app.h"
#include "gui/preview_panel.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "tests/gui/batch_test_support.h"
#include "tests/gui/dialog_test_support.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace {

using namespace batch_test;
using namespace std::chrono_literals;

// A settings file of its own for each test, found where the program looks.
class AppRunTest : public testing::Test {
 protected:
  AppRunTest() {
    saved_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
  }
  ~AppRunTest() override { qputenv("XDG_CONFIG_HOME", saved_); }

  void Store(const ConversionParameters& settings) {
    QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
    ASSERT_TRUE(SaveSettings(store, settings));
  }
  std::optional<Bytes> SettingsBytes() const {
    return ReadFile(DesktopSettingsPath().toStdString());
  }

  // Runs the program; `drive` runs inside the dialog's run, with the dialog.
  void RunProgram(const std::function<void(ConverterDialog&)>& drive) {
    bool driven = false;
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<ConverterDialog*>(w); dialog && dialog->isVisible()) {
          driven = true;
          drive(*dialog);
        }
      }
    });
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_TRUE(driven);
    EXPECT_EQ(theJob, nullptr);
  }

 private:
  QTemporaryDir config_;
  QByteArray saved_;
};

// Leaving through the close box while an image takes longer than the pause:
// the run ends only after that image, nothing is saved, the job goes last.
TEST_F(AppRunTest, CloseBoxDuringALongImageWaitsForItAndSavesNothing) {
  BatchFolder folder;
  ConversionParameters settings = FirstRunSettings();
  test_support::FillRawBatch(settings, folder.In(), folder.Out(), 4, 4);
  Store(settings);
  const std::optional<Bytes> before = SettingsBytes();
  for (const char* name : {"raw.0000", "raw.0001", "raw.0003"}) {
    WriteFile(folder.In() + "/" + name, ScrambledBytes(32, 1));
  }
  InputGate gate(folder.In() + "/raw.0002", ScrambledBytes(32, 2));

  std::chrono::steady_clock::duration closing{};
  bool shownWhileWaiting = false;
  RunProgram([&](ConverterDialog& dialog) {
    QTest::mouseClick(dialog.Control(kIdcConvertButton), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Entered(); }));
    gate.Let(2300ms);  // longer than the 2000 ms pause
    // Waiting for the image, the window stays on the screen and says why.
    QTimer::singleShot(2100ms, &dialog, [&] {
      const auto* bar = dialog.findChild<QProgressBar*>();
      shownWhileWaiting = dialog.isVisible() && bar != nullptr && bar->isVisible() &&
                          bar->format().startsWith("Finishing the current image");
    });
    const auto start = std::chrono::steady_clock::now();
    dialog.close();
    closing = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(dialog.ConversionRunning());
  });

  EXPECT_GE(closing, 2200ms);
  EXPECT_TRUE(shownWhileWaiting);
  EXPECT_EQ(FileNames(folder.Out()),
            (std::vector<std::string>{"raw.0000", "raw.0001", "raw.0002"}));
  EXPECT_EQ(SettingsBytes(), before);
}

// What could not be read from the settings file is said in the window, which
// opens all the same; the window's place and the panel are remembered with
// the settings, outside their section.
TEST_F(AppRunTest, SettingsProblemsAreShownAndTheWindowIsRemembered) {
  {
    QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
    store.setValue("Qarmo_Convertor/HeaderLen", "abc");
    store.setValue("Writing/Type", "bmp");
  }
  RunProgram([&](ConverterDialog& dialog) {
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
      box = dialog.findChild<QMessageBox*>("settingsProblems");
      return box != nullptr && box->isVisible();
    }));
    EXPECT_TRUE(box->text().contains("HeaderLen"));
    EXPECT_TRUE(
        box->text().contains("Writing/Type holds \"bmp\", not raw, tiff, tiff-stack or hdf5"))
        << box->text().toStdString();
    box->accept();
    dialog.previewPanel().SetOpen(true);
    dialog.move(dialog.pos() + QPoint(7, 5));
    dialog.accept();
  });
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  EXPECT_TRUE(store.value("Window/PreviewOpen").toBool());
  EXPECT_EQ(store.value("Qarmo_Convertor/HeaderLen").toString(), "0");
  store.beginGroup("Qarmo_Convertor");
  EXPECT_EQ(store.childKeys().size(), 21);
}

}  // namespace

}  // namespace projconv
