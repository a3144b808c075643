// What a batch from the dialog writes besides headerless files: the output
// row's choice handed to the batch, and the sidecar after it.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <string>

#include "form/control_ids.h"
#include "gui/flat_field_box.h"
#include "gui/output_box.h"
#include "tests/gui/batch_test_support.h"
#include "tests/gui/dialog_test_support.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace {

using namespace batch_test;
using namespace std::chrono_literals;

int TiffPages(const std::string& path) {
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) return 0;
  const int pages = TIFFNumberOfDirectories(tiff);
  TIFFClose(tiff);
  return pages;
}

class DialogOutputTest : public testing::Test {
 protected:
  DialogOutputTest() {
    dialog.SetJob(&job);
    dialog.SetCloseWait(0ms);
    ConverterValues& v = dialog.values();
    test_support::FillRawBatch(v, folder.In(), folder.Out(), 8, 6);
    v.outSizeX = 5, v.outSizeY = 3;
    for (const char* name : {"raw.0000", "raw.0001", "raw.0002"}) {
      WriteFile(folder.In() + "/" + name, ScrambledBytes(2 * 8 * 6, std::uint32_t(name[7])));
    }
    dialog.show();
  }

  void Convert() { QTest::mouseClick(dialog.Control(kIdcConvertButton), Qt::LeftButton); }

  BatchFolder folder;
  ProjectionJob job;
  ConverterDialog dialog;
};

TEST_F(DialogOutputTest, TiffStackHoldsAPagePerImageAndTheSidecarFollows) {
  // Names without a folder go in the output folder.
  dialog.SetOutputChoice({OutputType::TiffStack, "stack.tif", "run"});
  Convert();
  QMessageBox* end = WaitForBox(dialog);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->windowTitle(), "Info");  // the batch's own last word, as ever
  end->accept();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_EQ(OpenBox(dialog), nullptr);
  EXPECT_EQ(job.batch.sink, nullptr);

  EXPECT_EQ(TiffPages(folder.Out() + "/stack.tif"), 3);
  EXPECT_EQ(FileNames(folder.Out()), (std::vector<std::string>{"run.json", "stack.tif"}));
  const std::optional<Bytes> record = ReadFile(folder.Out() + "/run.json");
  ASSERT_TRUE(record);
  const std::string json(record->begin(), record->end());
  EXPECT_NE(json.find("\"file\": \"" + folder.Out() + "/stack.tif\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"files_written\": 3"), std::string::npos) << json;
}

// The type list shows the formats in their order and words, each item
// choosing its type, and the file field is open for one-file types only.
TEST_F(DialogOutputTest, TheTypeListShowsEachFormat) {
  const struct {
    QString label;
    OutputType type;
    bool oneFile;
  } rows[] = {{"Raw files", OutputType::Raw, false},
              {"TIFF files", OutputType::Tiff, false},
              {"TIFF stack", OutputType::TiffStack, true},
              {"HDF5 file", OutputType::Hdf5, true}};
  OutputBox& box = dialog.outputBox();
  ASSERT_EQ(box.typeBox().count(), int(std::size(rows)));
  for (int i = 0; i < box.typeBox().count(); ++i) {
    SCOPED_TRACE(rows[i].label.toStdString());
    EXPECT_EQ(box.typeBox().itemText(i), rows[i].label);
    box.typeBox().setCurrentIndex(i);
    EXPECT_EQ(box.choice().type, rows[i].type);
    EXPECT_EQ(box.fileEdit().isEnabled(), rows[i].oneFile);
    EXPECT_EQ(box.fileButton().isEnabled(), rows[i].oneFile);
  }
}

TEST_F(DialogOutputTest, AChoiceThatNamesNoFileIsRefusedBeforeTheBatch) {
  const struct {
    OutputChoice choice;
    bool tickedWithoutStem;
    QString says;
  } cases[] = {
      {{OutputType::TiffStack, "", ""}, false, "TIFF stack output goes to one file."},
      {{OutputType::Hdf5, "  ", ""}, false, "HDF5 file output goes to one file."},
      {{OutputType::Raw, "", ""}, true, "The sidecar needs a name."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says.toStdString());
    dialog.SetOutputChoice(c.choice);
    if (c.tickedWithoutStem) {
      dialog.outputBox().sidecarCheck().setChecked(true);
      dialog.outputBox().stemEdit().clear();
    }
    Convert();
    QMessageBox* box = OpenBox(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Error");
    EXPECT_TRUE(box->text().startsWith(c.says)) << box->text().toStdString();
    EXPECT_FALSE(dialog.ConversionRunning());
    box->accept();
  }
  EXPECT_TRUE(FileNames(folder.Out()).empty());
}

// The flat field's tick decides the batch's correction: unticked, its
// controls are greyed and the job is given none, whatever they show.
TEST_F(DialogOutputTest, FlatFieldTickDecidesTheCorrection) {
  FlatFieldBox& box = dialog.flatFieldBox();
  CorrectionParameters named;
  named.flat = {"flat.raw", 0, -1};
  box.SetCorrection(named);
  EXPECT_TRUE(box.flatEdit().isEnabled());
  box.setChecked(false);
  EXPECT_FALSE(box.flatEdit().isEnabled());
  EXPECT_FALSE(box.scaleEdit().isEnabled());
  Convert();
  QMessageBox* end = WaitForBox(dialog);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->windowTitle(), "Info");
  end->accept();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  EXPECT_EQ(job.correction, CorrectionParameters{});

  // Ticked, the batch reads the flat at its start; it is missing.
  box.setChecked(true);
  Convert();
  QMessageBox* refusal = WaitForBox(dialog);
  ASSERT_NE(refusal, nullptr);
  EXPECT_EQ(refusal->windowTitle(), "Error");
  EXPECT_TRUE(refusal->text().contains(QString::fromStdString(folder.In() + "/flat.raw")));
  refusal->accept();
  ASSERT_TRUE(WaitForWorkerEnd(dialog));
  CorrectionParameters counted = named;  // a plain name is one file
  counted.flat.count = 1;
  EXPECT_EQ(job.correction, counted);

  // A scale that is no number keeps the batch from starting.
  box.scaleEdit().setText(QStringLiteral("1e"));
  Convert();
  QMessageBox* problem = OpenBox(dialog);
  ASSERT_NE(problem, nullptr);
  EXPECT_TRUE(problem->text().contains("correction scale"));
  EXPECT_FALSE(dialog.ConversionRunning());
}

}  // namespace

}  // namespace projconv
