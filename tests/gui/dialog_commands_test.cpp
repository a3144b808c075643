// The dialog's commands that need no batch to run: the sample-type radios,
// the folder pickers, and Convert when no worker can be had.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <chrono>
#include <optional>
#include <system_error>
#include <thread>

#include "engine/projection_job.h"
#include "form/control_ids.h"
#include "tests/gui/batch_test_support.h"
#include "tests/gui/dialog_test_support.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace {

using namespace std::chrono_literals;

class DialogCommandsTest : public testing::Test {
 protected:
  DialogCommandsTest() {
    dialog.SetFailureReporter([this](const QString& m) { refusals << m; });
    dialog.SetCloseWait(0ms);
    ConverterValues& v = dialog.values();
    test_support::FillRawBatch(v, "/data/in", "/data/in", 512, 512);
  }

  void Open(SampleType sampleType) {
    dialog.values().sampleType = sampleType;
    dialog.show();
  }

  bool Enabled(int id) const { return dialog.Control(id)->isEnabled(); }
  void Click(int id) { QTest::mouseClick(dialog.Control(id), Qt::LeftButton); }

  ConverterDialog dialog;
  QStringList refusals;
};

struct RadioCase {
  const char* name;
  SampleType openedAs;     // sampleType when the dialog opens
  int click;               // the radio clicked
  const char* headerText;  // typed into the header length edit first
  bool integerControls;    // sign and byte order enabled, scale disabled
  SampleType sampleTypeAfter;
};

constexpr SampleType kInt = SampleType::Integer16;
constexpr SampleType kFloat = SampleType::Float32;

class RadioClick : public DialogCommandsTest, public testing::WithParamInterface<RadioCase> {};

TEST_P(RadioClick, SavesAndSwitchesTheEnabledControls) {
  const RadioCase& c = GetParam();
  Open(c.openedAs);
  TypeInto(dialog, kIdcHeaderLenEdit, c.headerText);
  Click(c.click);
  for (const int id :
       {kIdcSignedRadio, kIdcUnsignedRadio, kIdcLittleEndianRadio, kIdcBigEndianRadio}) {
    EXPECT_EQ(Enabled(id), c.integerControls) << id;
  }
  for (const int id : {kIdcScaleEdit, kIdcScaleLabel}) EXPECT_EQ(Enabled(id), !c.integerControls);
  EXPECT_EQ(dialog.values().sampleType, c.sampleTypeAfter);
  EXPECT_EQ(refusals.size(), c.headerText == std::string("abc") ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RadioClick,
    testing::Values(RadioCase{"integerFromFloat", kFloat, kIdcInteger16Radio, "0", true, kInt},
                    RadioCase{"floatFromInteger", kInt, kIdcFloat32Radio, "0", false, kFloat},
                    RadioCase{"floatAgain", kFloat, kIdcFloat32Radio, "0", false, kFloat},
                    RadioCase{"integerAgain", kInt, kIdcInteger16Radio, "0", true, kInt},
                    // The refused header stops the save before the sample type
                    // is read, yet the controls switch all the same.
                    RadioCase{"floatDespiteARefusal", kInt, kIdcFloat32Radio, "abc", false, kInt}),
    [](const testing::TestParamInfo<RadioCase>& info) { return info.param.name; });

struct BrowseCase {
  const char* name;
  int button;
  std::optional<QString> picked;
  std::string inFolderAfter;
  std::string outFolderAfter;
};

const QString kLongest = "/" + QString(258, QChar(u'\u00e9'));  // 259 characters
const QString kTooLong = kLongest + "x";

class Browse : public DialogCommandsTest, public testing::WithParamInterface<BrowseCase> {};

TEST_P(Browse, TakesAPickedFolderAndReloadsEveryControl) {
  const BrowseCase& c = GetParam();
  QWidget* owner = nullptr;
  QString title;
  QString start;
  dialog.SetFolderPicker([&](QWidget& o, const QString& t, const QString& s) {
    owner = &o;
    title = t;
    start = s;
    return c.picked;
  });
  Open(SampleType::Integer16);
  TypeInto(dialog, kIdcHeaderLenEdit, "99");  // typed, not saved
  TypeInto(dialog, kIdcInFolderEdit, "/typed");
  TypeInto(dialog, kIdcOutFolderEdit, QDir::tempPath().toStdString());
  Click(c.button);

  EXPECT_EQ(owner, &dialog);
  // The picker opens in the field's folder, when the text names one.
  EXPECT_EQ(start, c.button == kIdcBrowseInButton ? QString() : QDir::tempPath());
  EXPECT_EQ(title, c.button == kIdcBrowseInButton ? "Browse for input folder"
                                                  : "Browse for output folder");
  EXPECT_EQ(dialog.values().inFolder, c.inFolderAfter);
  EXPECT_EQ(dialog.values().outFolder, c.outFolderAfter);
  EXPECT_EQ(EditOf(dialog, kIdcInFolderEdit)->text().toStdString(), c.inFolderAfter);
  EXPECT_EQ(EditOf(dialog, kIdcOutFolderEdit)->text().toStdString(), c.outFolderAfter);
  EXPECT_EQ(EditOf(dialog, kIdcHeaderLenEdit)->text(), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Browse,
    testing::Values(
        BrowseCase{"inputChosen", kIdcBrowseInButton, "/scans/run 7", "/scans/run 7", "/data/in"},
        BrowseCase{"outputChosen", kIdcBrowseOutButton, "/scans/out", "/data/in", "/scans/out"},
        BrowseCase{"dismissed", kIdcBrowseInButton, std::nullopt, "/data/in", "/data/in"},
        BrowseCase{"noPath", kIdcBrowseOutButton, QString(), "/data/in", "/data/in"},
        BrowseCase{"longestPath", kIdcBrowseInButton, kLongest, kLongest.toStdString(), "/data/in"},
        BrowseCase{"pathTooLong", kIdcBrowseInButton, kTooLong, "/data/in", "/data/in"}),
    [](const testing::TestParamInfo<BrowseCase>& info) { return info.param.name; });

TEST_F(DialogCommandsTest, ConvertHandsEveryValueToTheJob) {
  const batch_test::BatchFolder folder;  // no inputs: the batch ends at once
  ProjectionJob job;
  dialog.SetJob(&job);
  ConverterValues& v = dialog.values();
  v = ConverterValues();
  v.inFolder = folder.In(), v.outFolder = folder.Out();
  v.inFormat = "in%03d", v.outFormat = "out%05i";
  v.startNumber = 7, v.headerLen = 9;
  v.sampleType = SampleType::Float32, v.byteOrder = ByteOrder::BigEndian;
  v.signedness = Signedness::Unsigned;
  v.inSizeX = 11, v.inSizeY = 12, v.outSizeX = 13, v.outSizeY = 14, v.cropRight = 15;
  v.cropBottom = 16, v.rotCentreX = 17, v.angle = -2.5f, v.cropLeft = -18, v.cropTop = 19;
  v.rotCentreY = 20, v.scale = 0.25f;
  Open(SampleType::Float32);
  cancelRequested = 1;
  Click(kIdcConvertButton);

  // The worker only reads these fields, at the same time.
  EXPECT_EQ(job.inFolder, folder.In());
  EXPECT_EQ(job.outFolder, folder.Out());
  EXPECT_EQ(job.inFormat, "in%03d");
  EXPECT_EQ(job.outFormat, "out%05i");
  EXPECT_EQ(job.sampleType, SampleType::Float32);
  EXPECT_EQ(job.byteOrder, ByteOrder::BigEndian);
  EXPECT_EQ(job.signedness, Signedness::Unsigned);
  const std::vector<std::int32_t> ints = {
      job.startNumber, job.headerLen,  job.inSizeX,    job.inSizeY,  job.outSizeX, job.outSizeY,
      job.cropRight,   job.cropBottom, job.rotCentreX, job.cropLeft, job.cropTop,  job.rotCentreY};
  EXPECT_EQ(ints, (std::vector<std::int32_t>{7, 9, 11, 12, 13, 14, 15, 16, 17, -18, 19, 20}));
  EXPECT_EQ(job.angle, -2.5f);
  EXPECT_EQ(job.scale, 0.25f);
  EXPECT_EQ(cancelRequested.load(), 0);

  QMessageBox* box = batch_test::WaitForBox(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text().toStdString(),
            "File  " + folder.In() + "/in007   can not be opened. Converting is finished");
  box->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(batch_test::WaitForWorkerEnd(dialog));
}

TEST_F(DialogCommandsTest, CancelConversionAsksTheBatchToStop) {
  Open(SampleType::Integer16);
  dialog.Control(kIdcCancelConversionButton)->setEnabled(true);
  cancelRequested = 0;
  Click(kIdcCancelConversionButton);
  EXPECT_EQ(cancelRequested.load(), 1);
}

struct StartFailureCase {
  const char* name;
  bool withJob;
  const char* message;
};

class ConvertCannotStart : public DialogCommandsTest,
                           public testing::WithParamInterface<StartFailureCase> {};

TEST_P(ConvertCannotStart, SaysSoAndReturnsToIdle) {
  ProjectionJob job;
  int starts = 0;
  if (GetParam().withJob) dialog.SetJob(&job);
  dialog.SetThreadStarter([&](std::function<void()>) -> std::thread {
    ++starts;
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "no thread");
  });
  Open(SampleType::Integer16);
  Click(kIdcConvertButton);

  QMessageBox* box = batch_test::OpenBox(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->windowTitle(), "Error");
  EXPECT_TRUE(box->text().startsWith(GetParam().message)) << box->text().toStdString();
  EXPECT_EQ(starts, GetParam().withJob ? 1 : 0);
  EXPECT_FALSE(dialog.ConversionRunning());
  EXPECT_FALSE(Enabled(kIdcCancelConversionButton));
  EXPECT_TRUE(Enabled(kIdcConvertButton));
  box->button(QMessageBox::Ok)->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return batch_test::OpenBox(dialog) == nullptr; }));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertCannotStart,
    testing::Values(StartFailureCase{"noThread", true,
                                     "The conversion could not be started: no thread"},
                    StartFailureCase{"noJob", false, "There is no conversion job to run."}),
    [](const testing::TestParamInfo<StartFailureCase>& info) { return info.param.name; });

}  // namespace

}  // namespace projconv
