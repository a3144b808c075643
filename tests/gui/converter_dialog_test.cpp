// The converter dialog as the user meets it: window, controls, focus, keys.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <optional>

#include "form/control_ids.h"
#include "tests/gui/dialog_test_support.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace {

// A dialog with first-run values whose refusals are counted, not shown.
class DialogTest : public testing::Test {
 protected:
  DialogTest() {
    dialog.SetFailureReporter([this](const QString& m) { messages.push_back(m); });
    dialog.SetCloseWait(std::chrono::milliseconds(0));
    dialog.SetFolderPicker([](QWidget&, const QString&, const QString&) { return std::nullopt; });
    ConverterValues& v = dialog.values();
    test_support::FillRawBatch(v, "d:\\data", "d:\\data", 512, 512);
    v.rotCentreX = v.rotCentreY = 256;
  }

  void Open(SampleType sampleType = SampleType::Integer16) {
    dialog.values().sampleType = sampleType;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  }

  ConverterDialog dialog;
  QStringList messages;
};

QRect FromDialogUnits(int left, int top, int width, int height) {
  const auto x = [](int d) { return static_cast<int>(std::floor(d * 1.5 + 0.5)); };
  const auto y = [](int d) { return static_cast<int>(std::floor(d * 1.6 + 0.5)); };
  return QRect(QPoint(x(left), y(top)), QPoint(x(left + width) - 1, y(top + height) - 1));
}

template <typename W>
QStringList VisibleTexts(const QWidget& root, QString (W::*text)() const) {
  QStringList texts;
  for (const W* w : root.findChildren<W*>()) {
    if (w->isVisible()) texts << (w->*text)();
  }
  texts.sort();
  return texts;
}

QStringList Sorted(QStringList list) {
  list.sort();
  return list;
}

TEST_F(DialogTest, WindowIsAFixedDialogWithACloseBoxOnly) {
  Open();
  EXPECT_EQ(dialog.windowTitle(), "Input projection converter");
  // The described window, the output row and the flat field below it.
  EXPECT_EQ(dialog.size(), QSize(572, 578 + 56 + 84));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  const Qt::WindowFlags flags = dialog.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
}

TEST_F(DialogTest, EveryIdentifierNamesExactlyOneControl) {
  std::map<int, int> seen;
  for (const QWidget* w : dialog.findChildren<QWidget*>()) {
    if (const int id = ControlIdOf(w)) ++seen[id];
  }
  for (const int id : kDialogControlIds) EXPECT_EQ(seen[id], 1) << id;
  EXPECT_EQ(seen.size(), kDialogControlIds.size());
}

TEST_F(DialogTest, ShowsTheTextsOfTheSystem) {
  Open();
  EXPECT_EQ(VisibleTexts<QLabel>(dialog, &QLabel::text),
            Sorted({"",
                    "Progress :",
                    "Input Folder",
                    "Output Folder",
                    "Use C-Syntax. Examples:",
                    " raw.%04i means raw.0000,raw.0001,raw.0002, ...",
                    "%03i.prj means 000.prj, 001.prj, 002.prj,... ",
                    "Input Name Format",
                    "Output Name Format",
                    "Input projections are counted starting number",
                    "Scale Factor (if float)",
                    "File Header Length (bytes)",
                    "1. Rotate   2. Crop.  3.Resize.",
                    "Angle (degrees)",
                    "Ceneter of Rotation",
                    "Top-Left Corner         (this point is included to the area)",
                    "Bottom-Righn Corner (this point is not included to the area)",
                    "File",
                    "Flat",
                    "Dark",
                    "First",
                    "First",
                    "Count",
                    "Count",
                    "Scale"}));
  EXPECT_EQ(VisibleTexts<QAbstractButton>(dialog, &QAbstractButton::text),
            Sorted({"Convert", "Cancel Conversion", "Remeber and Exit", "Browse", "Browse",
                    "Integer 16 bits", "Float 32 bits", "Signed", "Unsigned", "Little Endian (PC)",
                    "Big Endian (MAC)", "...", "Sidecar"}));
  const std::map<int, QString> byId = {
      {kIdOk, "Remeber and Exit"},
      {kIdcInFolderLabel, "Input Folder"},
      {kIdcBrowseInButton, "Browse"},
      {kIdcBrowseOutButton, "Browse"},
      {kIdcHeaderLenLabel, "File Header Length (bytes)"},
      {kIdcScaleLabel, "Scale Factor (if float)"},
      {kIdcConvertButton, "Convert"},
      {kIdcCancelConversionButton, "Cancel Conversion"},
      {kIdcInteger16Radio, "Integer 16 bits"},
      {kIdcFloat32Radio, "Float 32 bits"},
      {kIdcSignedRadio, "Signed"},
      {kIdcUnsignedRadio, "Unsigned"},
      {kIdcLittleEndianRadio, "Little Endian (PC)"},
      {kIdcBigEndianRadio, "Big Endian (MAC)"},
  };
  for (const auto& [id, text] : byId) {
    const QWidget* w = dialog.Control(id);
    const auto* label = qobject_cast<const QLabel*>(w);
    const auto* button = qobject_cast<const QAbstractButton*>(w);
    EXPECT_EQ(label ? label->text() : button->text(), text) << id;
  }
}

TEST_F(DialogTest, GroupBoxesStandWhereDescribedAndHoldTheirControls) {
  struct Group {
    QString title;
    QRect place;
    std::vector<int> controls;
  };
  const Group groups[] = {
      {"Folders", FromDialogUnits(5, 55, 375, 50), {1000, 1001, 1002, 1003, 1004}},
      {"Name Conventions ", FromDialogUnits(5, 110, 255, 80), {1005, 1006}},
      {"Counting", FromDialogUnits(270, 110, 105, 80), {1013}},
      {"Input projection format",
       FromDialogUnits(5, 195, 370, 40),
       {1042, 1043, 1044, 1045, 1046, 1047, 1056, 1057, 1011, 1009}},
      {"Operation Sequence", FromDialogUnits(5, 240, 370, 20), {}},
      {"Input Projection Size", FromDialogUnits(5, 265, 90, 40), {1038, 1041}},
      {"Rotate Input Projection", FromDialogUnits(100, 265, 120, 90), {1052, 1053, 1054}},
      {"Crop Input Projection", FromDialogUnits(225, 265, 150, 90), {1048, 1049, 1050, 1051}},
      {"Output Projection Size", FromDialogUnits(5, 310, 90, 45), {1032, 1033}},
      {"Output", FromDialogUnits(5, 360, 370, 30), {}},
      {"Flat field", QRect(8, 632, 555, 76), {}},
  };
  const QList<QGroupBox*> boxes = dialog.findChildren<QGroupBox*>();
  EXPECT_EQ(boxes.size(), std::size(groups));
  for (const Group& g : groups) {
    const auto it = std::ranges::find_if(boxes, [&](auto* b) { return b->title() == g.title; });
    ASSERT_NE(it, boxes.end()) << g.title.toStdString();
    EXPECT_EQ((*it)->geometry(), g.place) << g.title.toStdString();
    for (const int id : g.controls) EXPECT_EQ(dialog.Control(id)->parentWidget(), *it) << id;
  }
}

// Every visible control lies inside its parent, overlaps no sibling, and shows
// its whole text at the dialog's font.
TEST_F(DialogTest, NothingIsClippedOrOverlapping) {
  Open();
  for (const QWidget* w : dialog.findChildren<QWidget*>()) {
    if (!w->isVisible() || w->isWindow()) continue;
    const std::string name = w->objectName().toStdString();
    const QWidget* parent = w->parentWidget();
    if (qobject_cast<const QGroupBox*>(parent)) {
      // Inside the frame line and below the caption set into it.
      EXPECT_TRUE(parent->rect().adjusted(1, 1, -1, -1).contains(w->geometry())) << name;
      EXPECT_GE(w->y(), parent->fontMetrics().height()) << name;
    } else {
      EXPECT_TRUE(parent->rect().contains(w->geometry())) << name;
    }
    for (const QObject* o : parent->children()) {
      const auto* sibling = qobject_cast<const QWidget*>(o);
      if (sibling == nullptr || sibling == w || !sibling->isVisible()) continue;
      EXPECT_FALSE(w->geometry().intersects(sibling->geometry()))
          << name << " overlaps " << sibling->objectName().toStdString();
    }
    if (const auto* label = qobject_cast<const QLabel*>(w); label && label->pixmap().isNull()) {
      const QFontMetrics fm = label->fontMetrics();
      if (label->wordWrap()) {
        EXPECT_LE(label->heightForWidth(label->width()), label->height()) << name;
      } else {
        EXPECT_LE(fm.horizontalAdvance(label->text()), label->contentsRect().width()) << name;
        EXPECT_LE(fm.height(), label->height()) << name;
      }
    } else if (const auto* push = qobject_cast<const QPushButton*>(w)) {
      // A push button's size hint has a minimum width of its own; the text
      // and the frame's margins are what must fit.
      EXPECT_LE(push->fontMetrics().horizontalAdvance(push->text()) + 12, push->width()) << name;
      EXPECT_LE(push->sizeHint().height(), push->height()) << name;
    } else if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w)) {
      EXPECT_LE(w->sizeHint().height(), w->height()) << name;
      if (!qobject_cast<const QLineEdit*>(w)) {
        EXPECT_LE(w->sizeHint().width(), w->width()) << name;
      }
    } else if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
      // The caption stands 5 pixels in, with 2 pixels of padding either side,
      // and must end before the right-hand frame line.
      EXPECT_LE(box->fontMetrics().horizontalAdvance(box->title()) + 9, box->width() - 2) << name;
    }
  }
}

TEST_F(DialogTest, UnusedControlsAreHiddenAndDisabled) {
  Open();
  for (const int id : {1007, 1008, 1014, 1034, 1035, 1036, 1037, 1039, 1040}) {
    EXPECT_TRUE(dialog.Control(id)->isHidden()) << id;
    EXPECT_FALSE(dialog.Control(id)->isEnabled()) << id;
  }
  QStringList hiddenTexts;
  for (const QWidget* w : dialog.findChildren<QWidget*>()) {
    // A drop-down list is a window of its own, hidden until it drops.
    if (!w->isHidden() || w->window() != &dialog) continue;
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    if (auto* label = qobject_cast<const QLabel*>(w)) hiddenTexts << label->text();
    if (auto* box = qobject_cast<const QAbstractButton*>(w)) hiddenTexts << box->text();
  }
  EXPECT_EQ(Sorted(hiddenTexts),
            Sorted({"Zoom out by factor 2", "Crop file header ", "Yes", "Transposition",
                    "Start at X", "Start at Y", "Stop at X", "Stop at Y"}));
}

TEST_F(DialogTest, NoButtonIsTheDefaultOne) {
  Open();
  for (const QPushButton* b : dialog.findChildren<QPushButton*>()) {
    EXPECT_FALSE(b->isDefault()) << b->text().toStdString();
    EXPECT_FALSE(b->autoDefault()) << b->text().toStdString();
  }
}

TEST_F(DialogTest, OpensWithIntegerStateAndFocusOnTheInputFolder) {
  Open(SampleType::Integer16);
  EXPECT_EQ(ControlIdOf(QApplication::focusWidget()), kIdcInFolderEdit);
  EXPECT_EQ(EditOf(dialog, kIdcInFolderEdit)->text(), "d:\\data");
  EXPECT_FALSE(dialog.Control(kIdcCancelConversionButton)->isEnabled());
  for (const int id : {1044, 1045, 1046, 1047}) EXPECT_TRUE(dialog.Control(id)->isEnabled()) << id;
  for (const int id : {1056, 1057}) EXPECT_FALSE(dialog.Control(id)->isEnabled()) << id;
}

TEST_F(DialogTest, OpensWithFloatState) {
  Open(SampleType::Float32);
  EXPECT_TRUE(qobject_cast<QRadioButton*>(dialog.Control(kIdcFloat32Radio))->isChecked());
  EXPECT_FALSE(dialog.Control(kIdcCancelConversionButton)->isEnabled());
  for (const int id : {1044, 1045, 1046, 1047}) EXPECT_FALSE(dialog.Control(id)->isEnabled()) << id;
  for (const int id : {1056, 1057}) EXPECT_TRUE(dialog.Control(id)->isEnabled()) << id;
}

std::vector<int> TabCycle(ConverterDialog& dialog) {
  std::vector<int> order{ControlIdOf(QApplication::focusWidget())};
  for (int i = 0; i < 40; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    const int id = ControlIdOf(QApplication::focusWidget());
    if (id == order.front()) break;
    order.push_back(id);
  }
  (void)dialog;
  return order;
}

TEST_F(DialogTest, TabVisitsTheEnabledStopsInOrder) {
  const std::vector<int> common = {1001, 1002, 1003, 1004, 1005, 1006, 1009, 1013,
                                   1015, 1016, 1032, 1033, 1048, 1049, 1050, 1051,
                                   1038, 1041, 1052, 1053, 1054, kIdOk};
  // Then the output row, whose controls carry no identifier: the type and the
  // sidecar's tick (the file and the stem are off until chosen); then the
  // flat field's tick, its controls off until it is ticked.
  const std::vector<int> outputRow = {0, 0, 0};
  Open(SampleType::Integer16);
  std::vector<int> enabled = common;
  enabled.insert(enabled.end(), outputRow.begin(), outputRow.end());
  EXPECT_EQ(TabCycle(dialog), enabled);  // scale and Cancel Conversion are disabled

  dialog.Control(kIdcCancelConversionButton)->setEnabled(true);
  dialog.Control(kIdcScaleEdit)->setEnabled(true);
  std::vector<int> full = common;
  full.push_back(kIdcScaleEdit);
  full.push_back(kIdcCancelConversionButton);
  full.insert(full.end(), outputRow.begin(), outputRow.end());
  EXPECT_EQ(TabCycle(dialog), full);
}

TEST_F(DialogTest, RadioGroupsAreExclusiveEachOnItsOwn) {
  Open(SampleType::Integer16);
  dialog.values().signedness = Signedness::Unsigned;
  ASSERT_TRUE(dialog.UpdateData(false));
  // Byte order first: choosing float disables it.
  QTest::mouseClick(dialog.Control(kIdcBigEndianRadio), Qt::LeftButton);
  QTest::mouseClick(dialog.Control(kIdcFloat32Radio), Qt::LeftButton);
  const auto checked = [&](int id) {
    return qobject_cast<QAbstractButton*>(dialog.Control(id))->isChecked();
  };
  EXPECT_FALSE(checked(kIdcInteger16Radio));
  EXPECT_TRUE(checked(kIdcFloat32Radio));
  EXPECT_TRUE(checked(kIdcUnsignedRadio));
  EXPECT_TRUE(checked(kIdcBigEndianRadio));
  EXPECT_FALSE(checked(kIdcLittleEndianRadio));
}

TEST_F(DialogTest, EscapeAndCloseBoxRejectWithoutSaving) {
  for (const bool useCloseBox : {false, true}) {
    Open();
    TypeInto(dialog, kIdcHeaderLenEdit, "99");
    if (useCloseBox) {
      dialog.close();
    } else {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.values().headerLen, 0);
  }
}

TEST_F(DialogTest, RememberAndExitSavesAndAccepts) {
  Open();
  TypeInto(dialog, kIdcHeaderLenEdit, "128");
  QTest::mouseClick(dialog.Control(kIdOk), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.values().headerLen, 128);
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DialogTest, RefusedValueIsReportedTwiceAndTheDialogStaysOpen) {
  Open();
  TypeInto(dialog, kIdcAngleEdit, "200");
  QTest::mouseClick(dialog.Control(kIdOk), Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(messages, QStringList(2, "Please enter a number between -180 and 180."));
  EXPECT_EQ(ControlIdOf(QApplication::focusWidget()), kIdcAngleEdit);
  EXPECT_EQ(dialog.values().angle, 200.0f);

  // Enter in an edit is "Remeber and Exit" too.
  messages.clear();
  QTest::keyClick(EditOf(dialog, kIdcInFolderEdit), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(messages.size(), 2);

  TypeInto(dialog, kIdcAngleEdit, "-45");
  QTest::keyClick(EditOf(dialog, kIdcAngleEdit), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.values().angle, -45.0f);
}

TEST_F(DialogTest, EnterOnAFocusedButtonPressesThatButton) {
  Open();
  int browses = 0;
  QObject::connect(qobject_cast<QPushButton*>(dialog.Control(kIdcBrowseInButton)),
                   &QPushButton::clicked, [&] { ++browses; });
  dialog.Control(kIdcBrowseInButton)->setFocus();
  QTest::keyClick(dialog.Control(kIdcBrowseInButton), Qt::Key_Return);
  EXPECT_EQ(browses, 1);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(DialogTest, ReopeningReloadsTheControlsFromTheMembers) {
  Open(SampleType::Float32);
  TypeInto(dialog, kIdcHeaderLenEdit, "77");
  dialog.reject();
  dialog.values().headerLen = 5;
  Open(SampleType::Integer16);
  EXPECT_EQ(EditOf(dialog, kIdcHeaderLenEdit)->text(), "5");
  EXPECT_TRUE(dialog.Control(kIdcSignedRadio)->isEnabled());
  EXPECT_FALSE(dialog.Control(kIdcScaleEdit)->isEnabled());
}

// The one test that lets the real message box come up, and closes it.
TEST(DialogMessageBox, RefusalIsShownInABoxOwnedByTheDialog) {
  ConverterDialog dialog;
  dialog.show();
  TypeInto(dialog, kIdcHeaderLenEdit, "abc");
  QString title, text;
  QWidget* owner = nullptr;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (box == nullptr || !box->isVisible()) continue;
      title = box->windowTitle();
      text = box->text();
      owner = box->parentWidget();
      box->accept();
    }
  });
  closer.start(10);
  EXPECT_FALSE(dialog.UpdateData(true));
  closer.stop();
  EXPECT_EQ(title, "Input projection converter");
  EXPECT_EQ(text, "Please enter a whole number.");
  EXPECT_EQ(owner, &dialog);
  EXPECT_EQ(ControlIdOf(dialog.focusWidget()), kIdcHeaderLenEdit);
  EXPECT_EQ(EditOf(dialog, kIdcHeaderLenEdit)->selectedText(), "abc");
}

// Everything the mouse reaches, the keyboard reaches too, and assistive
// tools can name every field; a folder dropped on a folder field is taken.
TEST_F(DialogTest, KeyboardAndDesktopHabits) {
  Open();
  for (const QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
    if (!edit->isVisible()) continue;
    EXPECT_FALSE(edit->accessibleName().isEmpty()) << edit->objectName().toStdString();
  }
  EXPECT_FALSE(dialog.windowIcon().isNull());

  QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
  QWidget* const signedRadio = dialog.Control(kIdcSignedRadio);
  EXPECT_EQ(QApplication::focusWidget(), signedRadio);
  QTest::keyClick(signedRadio, Qt::Key_Down);
  EXPECT_TRUE(qobject_cast<QAbstractButton*>(dialog.Control(kIdcUnsignedRadio))->isChecked());

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QDir::tempPath())});
  QWidget* const inFolder = dialog.Control(kIdcInFolderEdit);
  const QPoint middle = inFolder->rect().center();
  QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(inFolder, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(inFolder, &drop);
  EXPECT_EQ(EditOf(dialog, kIdcInFolderEdit)->text(), QDir::toNativeSeparators(QDir::tempPath()));
}

}  // namespace

}  // namespace projconv
