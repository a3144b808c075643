// "Guess the format" in the preview panel: the layouts of the first input
// listed, and the fields filled only with the user's consent.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>

#include "form/control_ids.h"
#include "gui/layout_guess_strip.h"
#include "gui/preview_panel.h"
#include "probe/layout_guess.h"
#include "tests/gui/batch_test_support.h"
#include "tests/gui/dialog_test_support.h"
#include "tests/probe/synthetic_raw.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace {

using namespace batch_test;

// What the first input was written as; the dialog shows none of it.
const RawLayout kWritten{
    SampleType::Integer16, ByteOrder::BigEndian, Signedness::Unsigned, 320, 240, 256};
const RawLayout kTyped{
    SampleType::Integer16, ByteOrder::LittleEndian, Signedness::Signed, 512, 512, 0};

class LayoutGuessTest : public testing::Test {
 protected:
  LayoutGuessTest() {
    dialog.SetCloseWait(std::chrono::milliseconds(0));
    ConverterValues& v = dialog.values();
    test_support::FillRawBatch(v, folder.In(), "", 512, 512);  // no output folder
    v.startNumber = 3;
    const std::vector<unsigned char> file = RawFile(kWritten, SmoothPicture(320, 240));
    WriteFile(folder.In() + "/raw.0003", Bytes(file.begin(), file.end()));
    dialog.show();
    dialog.previewPanel().SetOpen(true);
  }

  LayoutGuessStrip& Strip() { return dialog.previewPanel().guessStrip(); }

  // Presses `button` in the next question the dialog asks; its text goes to
  // `asked`.
  void AnswerNextQuestion(QMessageBox::StandardButton button) {
    auto* timer = new QTimer(&dialog);
    QObject::connect(timer, &QTimer::timeout, [this, timer, button] {
      for (QMessageBox* box : dialog.findChildren<QMessageBox*>()) {
        if (!box->isVisible() || box->button(QMessageBox::Yes) == nullptr) continue;
        asked << box->text();
        timer->deleteLater();
        box->button(button)->click();
        return;
      }
    });
    timer->start(10);
  }

  // The layout the fields show, taken in by a saving exchange.
  RawLayout Shown() {
    EXPECT_TRUE(dialog.UpdateData(true));
    const ConverterValues& v = dialog.values();
    return {v.sampleType, v.byteOrder, v.signedness, v.inSizeX, v.inSizeY, v.headerLen};
  }

  BatchFolder folder;
  ConverterDialog dialog;
  QStringList asked;
};

TEST_F(LayoutGuessTest, FillsTheFieldsOnlyWithConsent) {
  const ConverterValues typed = dialog.values();
  const struct {
    QMessageBox::StandardButton onBest;
    int otherRow;  // chosen in the list afterwards and accepted; -1 for none
  } cases[] = {{QMessageBox::Yes, -1}, {QMessageBox::No, -1}, {QMessageBox::No, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.otherRow);
    dialog.values() = typed;
    dialog.UpdateData(false);
    asked.clear();
    AnswerNextQuestion(c.onBest);
    QTest::mouseClick(&Strip().guessButton(), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 1);
    const std::vector<ScoredLayout> listed = Strip().layouts();
    ASSERT_EQ(Strip().list().topLevelItemCount(), int(LayoutGuessStrip::kShown));
    EXPECT_EQ(listed.front().layout, kWritten);
    EXPECT_TRUE(asked.front().startsWith("raw.0003 reads best as\n\n" +
                                         QString::fromStdString(LayoutInWords(kWritten))))
        << asked.front().toStdString();

    RawLayout expected = c.onBest == QMessageBox::Yes ? kWritten : kTyped;
    if (c.otherRow >= 0) {
      Strip().list().setCurrentItem(Strip().list().topLevelItem(c.otherRow));
      AnswerNextQuestion(QMessageBox::Yes);
      QTest::mouseClick(&Strip().useButton(), Qt::LeftButton);
      expected = listed[std::size_t(c.otherRow)].layout;
    }
    EXPECT_EQ(dialog.values(), typed);  // the fields change as typed, the members later
    EXPECT_EQ(Shown(), expected);
  }
}

TEST_F(LayoutGuessTest, AMissingFirstFileIsSaidAndNothingIsAsked) {
  TypeInto(dialog, kIdcStartNumberEdit, "7");
  QTest::mouseClick(&Strip().guessButton(), Qt::LeftButton);
  QMessageBox* box = OpenBox(dialog);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->windowTitle(), "Guess the format");
  EXPECT_EQ(box->text().toStdString(),
            folder.In() + "/raw.0007 cannot be probed: No such file or directory");
  EXPECT_TRUE(Strip().layouts().empty());
  box->accept();
}

}  // namespace

}  // namespace projconv
