// The preview panel in the dialog: it leaves the rest of the dialog alone until
// opened, shows what the batch will write for the first file, follows what is
// typed without saving it, lets the mouse set the crop window and the centre,
// and the progress bar forecasts a batch's length.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "form/control_ids.h"
#include "gui/flat_field_box.h"
#include "gui/forecast_bar.h"
#include "gui/image_pane.h"
#include "gui/panel_toggle.h"
#include "gui/preview_panel.h"
#include "tests/gui/batch_test_support.h"
#include "tests/gui/dialog_test_support.h"

namespace projconv {

namespace {

using namespace batch_test;
using namespace std::chrono_literals;

constexpr int kWaitMs = 20000;
// The described window, the output row and the flat field below it.
constexpr int kClosedHeight = 578 + 56 + 84;

std::string NumberedName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "raw.%04d", number);
  return name;
}

Bytes LittleEndian(const std::vector<std::int16_t>& samples) {
  Bytes bytes;
  for (const std::int16_t s : samples) {
    bytes.push_back(std::uint8_t(std::uint16_t(s) & 0xFF));
    bytes.push_back(std::uint8_t(std::uint16_t(s) >> 8));
  }
  return bytes;
}

class PreviewPanelTest : public testing::Test {
 protected:
  PreviewPanelTest() {
    dialog.SetJob(job.get());
    dialog.SetCloseWait(0ms);
    dialog.SetFailureReporter([this](const QString& m) { refusals << m; });
    ConverterValues& v = dialog.values();
    v.inFolder = folder.In();
    v.outFolder = folder.Out();
    v.headerLen = 5;
    v.sampleType = SampleType::Float32;
    v.scale = 2.5f;
    v.inSizeX = 40, v.inSizeY = 30;
    v.outSizeX = 17, v.outSizeY = 13;
    v.cropLeft = 2, v.cropTop = 1, v.cropRight = 38, v.cropBottom = 29;
    v.rotCentreX = 20, v.rotCentreY = 15;
    v.angle = 12.5f;
    // raw.0000 .. raw.0004, a gap, then raw.0006
    for (const int k : {0, 1, 2, 3, 4, 6}) {
      Bytes bytes = ScrambledBytes(5, 40 + k);
      const Bytes samples = ScrambledFloatBytes(40 * 30, k, 30000.0f);
      bytes.insert(bytes.end(), samples.begin(), samples.end());
      WriteFile(folder.In() + "/" + NumberedName(k), bytes);
    }
  }

  PreviewPanel& Panel() { return *dialog.findChild<PreviewPanel*>(); }
  ForecastBar& Bar() { return *dialog.findChild<ForecastBar*>(); }
  ImagePane& Input() { return Panel().inputPane(); }
  ImagePane& Output() { return Panel().outputPane(); }
  QString Shown(int id) const { return EditOf(dialog, id)->text(); }

  void Open() {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  }

  // Opens the panel and waits for its first pictures.
  void OpenPanel() {
    Open();
    QTest::mouseClick(&Panel().toggle(), Qt::LeftButton);
    ASSERT_TRUE(Panel().IsOpen());
    ASSERT_TRUE(WaitForPictures());
  }

  // Waits until the pictures answer what the controls show now.
  bool WaitForPictures() {
    Panel().Refresh();
    return QTest::qWaitFor([this] { return Panel().UpToDate(); }, kWaitMs);
  }

  void Drag(QPointF from, QPointF to) {
    QTest::mousePress(&Input(), Qt::LeftButton, {}, from.toPoint());
    QTest::mouseMove(&Input(), ((from + to) / 2).toPoint());
    QTest::mouseMove(&Input(), to.toPoint());
    QTest::mouseRelease(&Input(), Qt::LeftButton, {}, to.toPoint());
  }

  BatchFolder folder;
  std::unique_ptr<ProjectionJob> job = std::make_unique<ProjectionJob>();
  ConverterDialog dialog;
  QStringList refusals;
};

TEST_F(PreviewPanelTest, ClosedItLeavesTheDialogAsItWas) {
  Open();
  EXPECT_EQ(dialog.size(), QSize(572, kClosedHeight));
  EXPECT_TRUE(Panel().isHidden());
  EXPECT_FALSE(Panel().isEnabled());
  EXPECT_TRUE(Bar().isHidden());
  EXPECT_FALSE(Bar().isEnabled());
  const PanelToggle& toggle = Panel().toggle();
  EXPECT_TRUE(toggle.isVisible());
  EXPECT_EQ(toggle.focusPolicy(), Qt::NoFocus);
  EXPECT_TRUE(dialog.rect().contains(toggle.geometry()));
  EXPECT_EQ(toggle.geometry().right(), dialog.Control(kIdcProgressEdit)->geometry().right());
  for (const QObject* o : dialog.children()) {
    const auto* w = qobject_cast<const QWidget*>(o);
    if (w == nullptr || w == &toggle || !w->isVisible()) continue;
    EXPECT_FALSE(w->geometry().intersects(toggle.geometry())) << w->objectName().toStdString();
  }
}

TEST_F(PreviewPanelTest, OpeningWidensTheWindowAndClosingGivesItBack) {
  OpenPanel();
  // As wide as the screen leaves room for, within the panel's limits.
  const int room = dialog.screen()->availableGeometry().width() - 572;
  const int width = std::clamp(room, PreviewPanel::kNarrowest, PreviewPanel::kWidth);
  EXPECT_EQ(dialog.size(), QSize(572 + width, kClosedHeight));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_EQ(Panel().geometry(), QRect(572, 0, width, kClosedHeight));
  if (room >= width) {
    EXPECT_TRUE(dialog.screen()->availableGeometry().contains(dialog.frameGeometry()));
  }
  EXPECT_EQ(Panel().toggle().text(), "<< Preview");
  QTest::mouseClick(&Panel().toggle(), Qt::LeftButton);
  EXPECT_EQ(dialog.size(), QSize(572, kClosedHeight));
  EXPECT_TRUE(Panel().isHidden());
  EXPECT_FALSE(Panel().isEnabled());
}

TEST_F(PreviewPanelTest, OutputIsTheFirstFileTheBatchWrites) {
  OpenPanel();
  ASSERT_NE(Panel().picture(), nullptr);
  const Bytes preview = LittleEndian(Panel().picture()->outputSamples);
  EXPECT_TRUE(Input().hasPicture());
  EXPECT_TRUE(Output().hasPicture());
  EXPECT_EQ(Input().caption(), QString::fromUtf8("raw.0000  40 \u00D7 30"));

  QTest::mouseClick(dialog.Control(kIdcConvertButton), Qt::LeftButton);
  QMessageBox* end = WaitForBox(dialog);
  ASSERT_NE(end, nullptr);
  end->accept();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_EQ(ReadFile(folder.Out() + "/raw.0000"), preview);
}

TEST_F(PreviewPanelTest, FollowsTypingWithoutSavingAnything) {
  OpenPanel();
  const ConverterValues members = dialog.values();
  const Bytes before = LittleEndian(Panel().picture()->outputSamples);
  TypeInto(dialog, kIdcAngleEdit, "-40");
  // The pictures follow after a pause, without being asked.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return Panel().UpToDate() && LittleEndian(Panel().picture()->outputSamples) != before;
      },
      kWaitMs));
  EXPECT_EQ(dialog.values(), members);

  ProjectionJob reference;
  ConverterValues typed = members;
  typed.angle = -40.0f;
  typed.outFolder = folder.RefOut();
  reference.SetParameters(typed);
  RunEngine(reference);
  EXPECT_EQ(ReadFile(folder.RefOut() + "/raw.0000"),
            LittleEndian(Panel().picture()->outputSamples));
}

TEST_F(PreviewPanelTest, RefusedTextIsShownAsAReasonAndChangesNoMember) {
  OpenPanel();
  const ConverterValues members = dialog.values();
  QWidget* const focused = QApplication::focusWidget();
  const struct {
    int id;
    std::string text;
    QString inputReason;  // empty when the input is still shown
    QString outputReason;
  } cases[] = {
      {kIdcAngleEdit, "abc", "", "Angle: Please enter a number."},
      {kIdcCropRightEdit, "10001", "",
       "Crop right: Please enter a number between -10000 and 10000."},
      {kIdcScaleEdit, "", "", "Scale factor: Please enter a number."},
      {kIdcInSizeYEdit, "3 0", "Input height: Please enter a whole number.",
       "Input height: Please enter a whole number."},
      {kIdcStartNumberEdit, "7",
       QString::fromStdString("No input file " + folder.In() + "/raw.0007"),
       QString::fromStdString("No input file " + folder.In() + "/raw.0007")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const QString old = Shown(c.id);
    TypeInto(dialog, c.id, c.text);
    ASSERT_TRUE(WaitForPictures());
    EXPECT_EQ(Input().hasPicture(), c.inputReason.isEmpty());
    EXPECT_EQ(Input().reason(), c.inputReason);
    EXPECT_FALSE(Output().hasPicture());
    EXPECT_EQ(Output().reason(), c.outputReason);
    TypeInto(dialog, c.id, old.toStdString());
  }
  EXPECT_EQ(dialog.values(), members);
  EXPECT_TRUE(refusals.isEmpty());
  EXPECT_EQ(OpenBox(dialog), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), focused);
  ASSERT_TRUE(WaitForPictures());
  EXPECT_TRUE(Output().hasPicture());
}

TEST_F(PreviewPanelTest, DraggingSetsTheCropAndCentreTextsOnly) {
  dialog.values().angle = 0.0f;
  OpenPanel();
  const ConverterValues members = dialog.values();
  Drag(Input().WidgetPointOf({30, 22}), Input().WidgetPointOf({5, 4}));
  EXPECT_EQ(Shown(kIdcCropLeftEdit), "5");
  EXPECT_EQ(Shown(kIdcCropTopEdit), "4");
  EXPECT_EQ(Shown(kIdcCropRightEdit), "31");
  EXPECT_EQ(Shown(kIdcCropBottomEdit), "23");

  Drag(Input().WidgetPointOf({20, 15}), Input().WidgetPointOf({12, 9}));
  EXPECT_EQ(Shown(kIdcRotCentreXEdit), "12");
  EXPECT_EQ(Shown(kIdcRotCentreYEdit), "9");
  EXPECT_EQ(Shown(kIdcCropLeftEdit), "5");  // moving the centre keeps the window's numbers
  EXPECT_EQ(dialog.values(), members);

  // As typed values, they reach the members at the next saving exchange.
  ASSERT_TRUE(dialog.UpdateData(true));
  EXPECT_EQ(dialog.values().cropRight, 31);
  EXPECT_EQ(dialog.values().rotCentreY, 9);
}

TEST_F(PreviewPanelTest, ProgressBarForecastsTheSequenceUpToItsGap) {
  Open();
  QTest::mouseClick(dialog.Control(kIdcConvertButton), Qt::LeftButton);
  EXPECT_TRUE(Bar().isVisible());
  EXPECT_TRUE(Bar().isEnabled());
  // The batch ends at the gap, and waits there for its box to be dismissed.
  QMessageBox* end = WaitForBox(dialog);
  ASSERT_NE(end, nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Bar().format().startsWith("5 of 5, "); }, kWaitMs))
      << Bar().format().toStdString();
  EXPECT_EQ(Bar().value(), Bar().maximum());
  EXPECT_EQ(Shown(kIdcProgressEdit), "4");
  // The figures stop with the batch, however long its last box stays open.
  const QString atTheEnd = Bar().format();
  QTest::qWait(1200);
  EXPECT_EQ(Bar().format(), atTheEnd);
  end->accept();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_TRUE(Bar().isHidden());
  EXPECT_FALSE(Bar().isEnabled());
}

// Every image of a batch rewrites the progress edit; an open panel neither
// reads its pictures again for that nor disturbs what the user is doing in
// another edit.
TEST_F(PreviewPanelTest, ABatchCostsAnOpenPanelNothing) {
  OpenPanel();
  const std::uint64_t before = Panel().requests();
  QLineEdit* folder = EditOf(dialog, kIdcOutFolderEdit);
  folder->setFocus();
  folder->selectAll();
  QTest::keyClick(folder, Qt::Key_F5);  // Convert, leaving the focus where it is
  QMessageBox* end = WaitForBox(dialog);
  ASSERT_NE(end, nullptr);
  QTest::qWait(400);  // longer than the panel's pause after an edit
  EXPECT_EQ(Panel().requests(), before);
  EXPECT_EQ(Shown(kIdcProgressEdit), "4");
  EXPECT_EQ(folder->selectedText(), folder->text());
  end->accept();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
}

TEST_F(PreviewPanelTest, PreviewDuringABatchLeavesTheBatchsJobAlone) {
  dialog.values().angle = 0.0f;
  Open();
  Bytes held = ScrambledBytes(5, 42);
  const Bytes samples = ScrambledFloatBytes(40 * 30, 2, 30000.0f);
  held.insert(held.end(), samples.begin(), samples.end());
  InputGate gate(folder.In() + "/" + NumberedName(2), held);
  QTest::mouseClick(dialog.Control(kIdcConvertButton), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Entered(); }, kWaitMs));

  QTest::mouseClick(&Panel().toggle(), Qt::LeftButton);
  TypeInto(dialog, kIdcAngleEdit, "33");
  ASSERT_TRUE(WaitForPictures());
  EXPECT_TRUE(Output().hasPicture());
  EXPECT_TRUE(dialog.ConversionRunning());
  EXPECT_EQ(job->angle, 0.0f);

  gate.Let();
  QMessageBox* end = WaitForBox(dialog);
  ASSERT_NE(end, nullptr);
  end->accept();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_EQ(FileNames(folder.Out()).size(), 5u);
}

// With the flat field ticked the output is what a batch corrected with the
// same flats writes; a flat that cannot be read is named in its place.
TEST_F(PreviewPanelTest, FlatFieldCorrectsTheOutputAndNamesAFlatItCannotRead) {
  std::vector<Bytes> flats;
  for (const int k : {0, 1}) {
    Bytes bytes = ScrambledBytes(5, 90 + k);
    const Bytes samples = ScrambledFloatBytes(40 * 30, 80 + k, 30000.0f);
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    WriteFile(folder.In() + "/flat_" + std::to_string(k), bytes);
    flats.push_back(bytes);
  }
  OpenPanel();
  CorrectionParameters c;
  c.flat = {"flat_%d", 0, -1};
  c.combine = Combining::Median;
  c.mode = CorrectionMode::Attenuation;
  dialog.flatFieldBox().SetCorrection(c);
  ASSERT_TRUE(WaitForPictures());

  FlatField field;
  const std::vector<std::span<const unsigned char>> files(flats.begin(), flats.end());
  ASSERT_EQ(CombineFlatField(dialog.values(), c, files, {}, field), std::nullopt);
  std::vector<std::int16_t> corrected(17 * 13);
  ASSERT_EQ(
      ConvertImage(dialog.values(), *ReadFile(folder.In() + "/raw.0000"), corrected, 0, &field),
      std::nullopt);
  EXPECT_EQ(Panel().picture()->outputSamples, corrected) << Output().reason().toStdString();

  c.flat = {"flat_%d", 1, 2};  // flat_2 is not there
  dialog.flatFieldBox().SetCorrection(c);
  ASSERT_TRUE(WaitForPictures());
  EXPECT_FALSE(Output().hasPicture());
  EXPECT_TRUE(Output().reason().contains(QString::fromStdString(folder.In() + "/flat_2")))
      << Output().reason().toStdString();
  EXPECT_TRUE(Input().hasPicture());
}

}  // namespace

}  // namespace projconv
