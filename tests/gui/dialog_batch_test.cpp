// Batches run from the dialog on real files: the dialog filled in through its
// widgets, the worker's progress, messages, cancel, and closing mid-batch.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

#include "form/control_ids.h"
#include "tests/gui/batch_test_support.h"
#include "tests/gui/dialog_test_support.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace {

using namespace batch_test;
using namespace std::chrono_literals;

std::string NumberedName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "raw.%04d", number);
  return name;
}

// Every parameter of a batch, as the user types it and as the engine gets it.
struct BatchCase {
  const char* name;
  int sampleType, signedness, byteOrder;
  int headerLen, startNumber, files;
  int inX, inY, outX, outY;
  int left, top, right, bottom, centreX, centreY;
  float angle, scale;  // values that print exactly
};

void PrintTo(const BatchCase& c, std::ostream* os) {
  *os << c.name;
}

std::string Text(int value) {
  return std::to_string(value);
}
std::string Text(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", double(value));
  return text;
}

// The engine's job for a case, filled from the case itself rather than from
// the dialog, so that the dialog's hand-over is checked too.
void FillJob(ProjectionJob& job, const BatchCase& c, const std::string& in,
             const std::string& out) {
  job.inFolder = in;
  job.outFolder = out;
  job.inFormat = job.outFormat = "raw.%04i";
  job.startNumber = c.startNumber;
  job.headerLen = c.headerLen;
  job.sampleType = SampleType(c.sampleType);
  job.byteOrder = ByteOrder(c.byteOrder);
  job.signedness = Signedness(c.signedness);
  job.inSizeX = c.inX;
  job.inSizeY = c.inY;
  job.outSizeX = c.outX;
  job.outSizeY = c.outY;
  job.cropLeft = c.left;
  job.cropTop = c.top;
  job.cropRight = c.right;
  job.cropBottom = c.bottom;
  job.rotCentreX = c.centreX;
  job.rotCentreY = c.centreY;
  job.angle = c.angle;
  job.scale = c.scale;
}

// A small 16-bit direct-path batch, the one the timing tests use.
constexpr BatchCase kSmallBatch{"small", 0, 0, 0, 6, 0, 5, 8,    6,   6,
                                4,       1, 1, 7, 5, 4, 3, 0.0f, 1.0f};

class DialogBatchTest : public testing::Test {
 protected:
  DialogBatchTest() {
    dialog.SetJob(job.get());
    dialog.SetCloseWait(0ms);
    dialog.SetFailureReporter([this](const QString& m) { refusals << m; });
  }

  void Open() {
    dialog.setWindowModality(Qt::ApplicationModal);  // as the program runs it
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }

  QWidget* Control(int id) const { return dialog.Control(id); }
  QString Shown(int id) const { return EditOf(dialog, id)->text(); }
  void Type(int id, const std::string& text) { TypeInto(dialog, id, text); }
  void Click(int id) { QTest::mouseClick(Control(id), Qt::LeftButton); }

  // Writes inputs startNumber .. startNumber + files - 1, to "in" for the
  // dialog and to "refin" for the engine's own run.
  void WriteInputs(const BatchCase& c) {
    for (int k = 0; k < c.files; ++k) {
      const std::string name = NumberedName(c.startNumber + k);
      const Bytes bytes = InputBytes(c, k);
      WriteFile(folder.In() + "/" + name, bytes);
      WriteFile(folder.RefIn() + "/" + name, bytes);
    }
  }

  static Bytes InputBytes(const BatchCase& c, int k) {
    const std::size_t n = std::size_t(c.inX) * std::size_t(c.inY);
    Bytes bytes = ScrambledBytes(std::size_t(c.headerLen), 100 + k);
    const Bytes samples = SampleType(c.sampleType) == SampleType::Float32
                              ? ScrambledFloatBytes(n, k, 1000.0f)
                              : ScrambledBytes(2 * n, std::uint32_t(k));
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
  }

  // Replaces input k with a gate that holds the worker inside that image.
  std::unique_ptr<InputGate> GateAt(const BatchCase& c, int k) {
    return std::make_unique<InputGate>(folder.In() + "/" + NumberedName(c.startNumber + k),
                                       InputBytes(c, k));
  }

  // Fills in every field through the widgets, as a user would.
  void FillIn(const BatchCase& c) {
    Type(kIdcInFolderEdit, folder.In());
    Type(kIdcOutFolderEdit, folder.Out());
    Type(kIdcInFormatEdit, "raw.%04i");
    Type(kIdcOutFormatEdit, "raw.%04i");
    Type(kIdcStartNumberEdit, Text(c.startNumber));
    Type(kIdcHeaderLenEdit, Text(c.headerLen));
    Click(SampleType(c.sampleType) == SampleType::Float32 ? kIdcFloat32Radio : kIdcInteger16Radio);
    if (SampleType(c.sampleType) == SampleType::Float32) {
      Type(kIdcScaleEdit, Text(c.scale));
    } else {
      Click(Signedness(c.signedness) == Signedness::Unsigned ? kIdcUnsignedRadio : kIdcSignedRadio);
      Click(ByteOrder(c.byteOrder) == ByteOrder::BigEndian ? kIdcBigEndianRadio
                                                           : kIdcLittleEndianRadio);
    }
    Type(kIdcInSizeXEdit, Text(c.inX));
    Type(kIdcInSizeYEdit, Text(c.inY));
    Type(kIdcOutSizeXEdit, Text(c.outX));
    Type(kIdcOutSizeYEdit, Text(c.outY));
    Type(kIdcCropLeftEdit, Text(c.left));
    Type(kIdcCropTopEdit, Text(c.top));
    Type(kIdcCropRightEdit, Text(c.right));
    Type(kIdcCropBottomEdit, Text(c.bottom));
    Type(kIdcAngleEdit, Text(c.angle));
    Type(kIdcRotCentreXEdit, Text(c.centreX));
    Type(kIdcRotCentreYEdit, Text(c.centreY));
  }

  // Runs the engine itself on the reference copies of the inputs.
  EngineRun RunReference(const BatchCase& c) {
    ProjectionJob reference;
    FillJob(reference, c, folder.RefIn(), folder.RefOut());
    return RunEngine(reference);
  }

  // The dialog's output files are `names`, each equal to the engine's own.
  void ExpectOutputs(const BatchCase& c, const std::vector<std::string>& names) {
    RunReference(c);
    EXPECT_EQ(FileNames(folder.Out()), names);
    for (const std::string& name : names) {
      const std::optional<Bytes> ours = ReadFile(folder.Out() + "/" + name);
      const std::optional<Bytes> engine = ReadFile(folder.RefOut() + "/" + name);
      ASSERT_TRUE(ours && engine) << name;
      EXPECT_EQ(ours->size(), std::size_t(2 * c.outX * c.outY)) << name;
      EXPECT_TRUE(*ours == *engine) << name;
    }
  }

  static std::vector<std::string> Outputs(int count) {
    std::vector<std::string> names;
    for (int k = 0; k < count; ++k) names.push_back(NumberedName(k));
    return names;
  }

  std::string EndMessage(int number) const {
    return "File  " + folder.In() + "/" + NumberedName(number) +
           "   can not be opened. Converting is finished";
  }

  bool Enabled(int id) const { return Control(id)->isEnabled(); }

  BatchFolder folder;
  std::unique_ptr<ProjectionJob> job = std::make_unique<ProjectionJob>();
  ConverterDialog dialog;  // after the job: it goes first, as in the program
  QStringList refusals;
};

class WholeBatch : public DialogBatchTest, public testing::WithParamInterface<BatchCase> {};

TEST_P(WholeBatch, ConvertsEveryFileAsTheEngineDoesAndEndsWithItsMessage) {
  const BatchCase& c = GetParam();
  WriteInputs(c);
  Open();
  FillIn(c);
  Click(kIdcConvertButton);
  EXPECT_TRUE(Enabled(kIdcCancelConversionButton));
  EXPECT_FALSE(Enabled(kIdcConvertButton));

  QMessageBox* box = WaitForBox(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->windowTitle(), "Info");
  EXPECT_EQ(box->text().toStdString(), EndMessage(c.startNumber + c.files));
  EXPECT_EQ(box->buttons().size(), 1);
  // The box leaves the dialog usable: it stays the active modal window.
  EXPECT_EQ(box->windowModality(), Qt::NonModal);
  EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
  EXPECT_EQ(Shown(kIdcProgressEdit), QString::number(c.files - 1));
  EXPECT_TRUE(dialog.ConversionRunning());
  EXPECT_TRUE(Enabled(kIdcCancelConversionButton));  // until the box is dismissed
  EXPECT_FALSE(Enabled(kIdcConvertButton));

  QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_FALSE(Enabled(kIdcCancelConversionButton));
  EXPECT_TRUE(Enabled(kIdcConvertButton));
  EXPECT_EQ(OpenBox(dialog), nullptr);
  EXPECT_TRUE(refusals.isEmpty());
  ExpectOutputs(c, Outputs(c.files));
}

INSTANTIATE_TEST_SUITE_P(
    Samples, WholeBatch,
    testing::Values(
        // Big-endian unsigned 16-bit samples, a crop copied straight through.
        BatchCase{"direct16", 0, 1, 1, 5, 3, 4, 12, 10, 8, 6, 2, 3, 10, 9, 6, 5, 0.0f, 1.0f},
        // Float samples scaled, rotated about a centre and reduced.
        BatchCase{"rotatedFloat", 1, 0, 0, 3, 0, 3, 24, 16, 10, 6, 2, 2, 22, 14, 12, 8, -12.5f,
                  2.5f}),
    [](const testing::TestParamInfo<BatchCase>& info) { return info.param.name; });

TEST_F(DialogBatchTest, RefusedValueDoesNotStopConvertAndTheEngineRefusesTheBatch) {
  WriteInputs(kSmallBatch);
  Open();
  FillIn(kSmallBatch);
  Type(kIdcAngleEdit, "200");  // held by the member although refused
  Click(kIdcConvertButton);
  EXPECT_EQ(refusals, QStringList{"Please enter a number between -180 and 180."});
  QMessageBox* box = WaitForBox(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->windowTitle(), "Error");
  EXPECT_EQ(box->text(), "Angle of rotation should be between plus/minus 180 degrees");
  EXPECT_EQ(job->angle, 200.0f);
  box->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_TRUE(FileNames(folder.Out()).empty());
}

TEST_F(DialogBatchTest, AFileThatCannotBeWrittenIsToldWithTheReasonUnderIt) {
  WriteInputs(kSmallBatch);
  Open();
  FillIn(kSmallBatch);
  Type(kIdcOutFolderEdit, folder.Out() + "/none");
  Click(kIdcConvertButton);
  QMessageBox* box = WaitForBox(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text().toStdString(), "File  " + folder.Out() + "/none/" + NumberedName(0) +
                                           "   can not be wrote. Converting is finished");
  EXPECT_EQ(box->informativeText(), "No such folder");
  box->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
}

TEST_F(DialogBatchTest, CancelFinishesTheImageInProgressAndReadsNoFurther) {
  WriteInputs(kSmallBatch);
  const auto gate = GateAt(kSmallBatch, 2);
  Open();
  FillIn(kSmallBatch);
  Click(kIdcConvertButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return gate->Entered(); }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shown(kIdcProgressEdit) == "1"; }));

  // Text typed and not saved is replaced at the next progress message.
  Type(kIdcHeaderLenEdit, "77");
  Click(kIdcCancelConversionButton);
  gate->Let();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));

  EXPECT_EQ(OpenBox(dialog), nullptr);  // a stop on request is silent
  EXPECT_EQ(Shown(kIdcProgressEdit), "2");
  EXPECT_EQ(Shown(kIdcHeaderLenEdit), QString::number(kSmallBatch.headerLen));
  EXPECT_FALSE(Enabled(kIdcCancelConversionButton));
  EXPECT_TRUE(Enabled(kIdcConvertButton));
  ExpectOutputs(kSmallBatch, Outputs(3));
}

// Opens the protected commands to the test.
class CommandDialog : public ConverterDialog {
 public:
  using ConverterDialog::OnConvert;
};

TEST(DialogSecondBatch, KeepsTheLastNumberUntilItsFirstFileAndRunsOneBatchAtATime) {
  BatchFolder folder;
  ProjectionJob job;
  CommandDialog dialog;
  int threadsStarted = 0;
  dialog.SetJob(&job);
  dialog.SetCloseWait(0ms);
  dialog.SetThreadStarter([&](std::function<void()> body) {
    ++threadsStarted;
    return std::thread(std::move(body));
  });
  test_support::FillRawBatch(dialog.values(), folder.In(), folder.Out(), 4, 4);
  dialog.values().outSizeX = dialog.values().outSizeY = 2;
  for (int number : {0, 1, 2, 10, 11}) {
    WriteFile(folder.In() + "/" + NumberedName(number), ScrambledBytes(32, number));
  }
  dialog.show();

  dialog.Control(kIdcConvertButton)->setFocus();
  QTest::mouseClick(dialog.Control(kIdcConvertButton), Qt::LeftButton);
  QMessageBox* box = WaitForBox(dialog);
  ASSERT_NE(box, nullptr);
  box->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_EQ(EditOf(dialog, kIdcProgressEdit)->text(), "2");

  InputGate gate(folder.In() + "/" + NumberedName(10), ScrambledBytes(32, 10));
  TypeInto(dialog, kIdcStartNumberEdit, "10");
  QTest::mouseClick(dialog.Control(kIdcConvertButton), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Entered(); }));
  QTest::qWait(20);
  EXPECT_EQ(EditOf(dialog, kIdcProgressEdit)->text(), "2");
  EXPECT_FALSE(dialog.Control(kIdcConvertButton)->isEnabled());
  QTest::mouseClick(dialog.Control(kIdcConvertButton), Qt::LeftButton);
  dialog.OnConvert();  // reached some other way all the same
  EXPECT_EQ(threadsStarted, 2);

  gate.Let();
  box = WaitForBox(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->text().contains(QString::fromStdString(NumberedName(12))));
  EXPECT_EQ(EditOf(dialog, kIdcProgressEdit)->text(), "1");
  box->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_EQ(threadsStarted, 2);
}

// Closing while the worker is inside an image that takes longer than the
// pause: the close waits for that image, then the job can go at once.
TEST_F(DialogBatchTest, CloseWaitsForTheImageInProgressThenTheJobCanGo) {
  WriteInputs(kSmallBatch);
  const auto gate = GateAt(kSmallBatch, 2);
  dialog.SetCloseWait(20ms);
  Open();
  FillIn(kSmallBatch);
  Click(kIdcConvertButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return gate->Entered(); }));

  gate->Let(300ms);
  const auto start = std::chrono::steady_clock::now();
  dialog.close();
  const auto took = std::chrono::steady_clock::now() - start;

  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(dialog.ConversionRunning());
  EXPECT_GE(took, 250ms);
  EXPECT_EQ(OpenBox(dialog), nullptr);
  job.reset();  // what the program does next
  QTest::qWait(50);
  ExpectOutputs(kSmallBatch, Outputs(3));
}

enum class CloseBy { CloseBox, Escape, RememberAndExit, EnterInAField };

class CloseWithFinalBoxOpen : public DialogBatchTest,
                              public testing::WithParamInterface<CloseBy> {};

TEST_P(CloseWithFinalBoxOpen, ClosesTheBoxReleasesTheWorkerAndEnds) {
  WriteInputs(kSmallBatch);
  Open();
  FillIn(kSmallBatch);
  Click(kIdcConvertButton);
  ASSERT_NE(WaitForBox(dialog), nullptr);

  switch (GetParam()) {
    case CloseBy::CloseBox:
      dialog.close();
      break;
    case CloseBy::Escape:
      QTest::keyClick(&dialog, Qt::Key_Escape);
      break;
    case CloseBy::RememberAndExit:
      Click(kIdOk);
      break;
    case CloseBy::EnterInAField:
      QTest::keyClick(Control(kIdcInFolderEdit), Qt::Key_Return);
      break;
  }
  EXPECT_FALSE(dialog.isVisible());
  const bool saves = GetParam() == CloseBy::RememberAndExit || GetParam() == CloseBy::EnterInAField;
  EXPECT_EQ(dialog.result(), saves ? QDialog::Accepted : QDialog::Rejected);
  // The batch had ended: no image was being finished, and the bar never said so.
  EXPECT_FALSE(dialog.findChild<QProgressBar*>()->format().startsWith("Finishing"));
  EXPECT_FALSE(dialog.ConversionRunning());
  EXPECT_EQ(OpenBox(dialog), nullptr);
  job.reset();
  QTest::qWait(50);
  ExpectOutputs(kSmallBatch, Outputs(kSmallBatch.files));
}

INSTANTIATE_TEST_SUITE_P(AnyWay, CloseWithFinalBoxOpen,
                         testing::Values(CloseBy::CloseBox, CloseBy::Escape,
                                         CloseBy::RememberAndExit, CloseBy::EnterInAField),
                         [](const testing::TestParamInfo<CloseBy>& info) -> std::string {
                           switch (info.param) {
                             case CloseBy::CloseBox:
                               return "closeBox";
                             case CloseBy::Escape:
                               return "escape";
                             case CloseBy::RememberAndExit:
                               return "rememberAndExit";
                             case CloseBy::EnterInAField:
                               return "enterInAField";
                           }
                           return "unknown";
                         });

TEST_F(DialogBatchTest, ClosingPausesForTheBatchToNoticeEvenWithoutOne) {
  dialog.SetCloseWait(150ms);
  Open();
  cancelRequested = 0;
  const auto start = std::chrono::steady_clock::now();
  dialog.close();
  EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
  EXPECT_NE(cancelRequested.load(), 0);
}

}  // namespace

}  // namespace projconv
