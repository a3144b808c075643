#include "gui/layout_guess_strip.h"

#include <algorithm>

#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <utility>

#include "gui/message_box.h"
#include "probe/layout_guess.h"

namespace projconv {

namespace {

constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 24;
constexpr int kGap = 6;
constexpr int kCaptionHeight = 18;

const QString kCaption = QStringLiteral("Guess the format");
const QString kIdleCaption =
    QStringLiteral("Reads the first input file and lists the layouts that read it best.");

QString Words(const RawLayout& layout) {
  return QString::fromStdString(LayoutInWords(layout));
}

QString Score(double score) {
  return QString::number(score, 'f', 5);
}

// The probe reads a bounded number of rows, a small fraction of a second even
// for the largest files, so it runs here, under a wait cursor.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

LayoutGuessStrip::LayoutGuessStrip(QWidget* parent, QWidget& window, InputFinder findInput,
                                   LayoutFiller fill)
    : QWidget(parent),
      window_(window),
      findInput_(std::move(findInput)),
      fill_(std::move(fill)),
      guess_(new QPushButton(kCaption, this)),
      use_(new QPushButton(QStringLiteral("Use this layout"), this)),
      caption_(new QLabel(kIdleCaption, this)),
      list_(new QTreeWidget(this)) {
  guess_->setAutoDefault(false);
  guess_->setToolTip(QStringLiteral(
      "Guess the sample type, signedness, byte order, header length and input size from the "
      "first input file"));
  use_->setAutoDefault(false);
  use_->setEnabled(false);
  use_->setToolTip(QStringLiteral("Fill the fields with the layout chosen in the list"));
  caption_->setTextFormat(Qt::PlainText);
  caption_->setWordWrap(true);
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("Layout"), QStringLiteral("Score")});
  list_->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setAccessibleName(QStringLiteral("Guessed layouts"));
  list_->setToolTip(QStringLiteral("Best first; lower scores read smoother pictures"));

  connect(guess_, &QPushButton::clicked, this, &LayoutGuessStrip::Guess);
  connect(use_, &QPushButton::clicked, this,
          [this] { Offer(list_->indexOfTopLevelItem(list_->currentItem())); });
  connect(list_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { Offer(list_->indexOfTopLevelItem(item)); });
  connect(list_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { use_->setEnabled(item != nullptr); });
}

void LayoutGuessStrip::resizeEvent(QResizeEvent*) {
  PlaceChildren();
}

void LayoutGuessStrip::PlaceChildren() {
  const int listLeft = kButtonWidth + 2 * kGap;
  const int listWidth = width() - listLeft;
  const int top = std::max(kCaptionHeight, caption_->heightForWidth(listWidth)) + 2;
  guess_->setGeometry(0, top, kButtonWidth, kButtonHeight);
  use_->setGeometry(0, top + kButtonHeight + kGap, kButtonWidth, kButtonHeight);
  caption_->setGeometry(listLeft, 0, listWidth, top - 2);
  list_->setGeometry(listLeft, top, listWidth, height() - top);
}

void LayoutGuessStrip::SetCaption(const QString& text) {
  caption_->setText(text);
  PlaceChildren();
}

void LayoutGuessStrip::Guess() {
  const FirstInput input = findInput_();
  if (!input.problem.isEmpty()) {
    Refuse(input.problem);
    return;
  }
  FileGuess guess;
  {
    WaitCursor wait;
    guess = GuessFileLayout(input.path, KnownLayout{}, kShown);
  }
  if (!guess.problem.empty()) {
    Refuse(QString::fromStdString(guess.problem));
    return;
  }
  ShowLayouts(QFileInfo(QString::fromStdString(input.path)).fileName(), std::move(guess.layouts));
  Offer(0);
}

void LayoutGuessStrip::ShowLayouts(const QString& file, std::vector<ScoredLayout> layouts) {
  file_ = file;
  layouts_ = std::move(layouts);
  list_->clear();
  for (const ScoredLayout& scored : layouts_) {
    auto* item = new QTreeWidgetItem(list_, {Words(scored.layout), Score(scored.score)});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  }
  list_->setCurrentItem(list_->topLevelItem(0));
  SetCaption(QStringLiteral("Layouts that read %1 best, best first; lower scores read "
                            "smoother pictures.")
                 .arg(file_));
}

void LayoutGuessStrip::Refuse(const QString& text) {
  file_.clear();
  layouts_.clear();
  list_->clear();
  SetCaption(kIdleCaption);
  OpenMessageBox(window_, text, kCaption);
}

void LayoutGuessStrip::Offer(int row) {
  if (row < 0 || std::size_t(row) >= layouts_.size()) return;
  const ScoredLayout& chosen = layouts_[std::size_t(row)];
  const QString rank =
      row == 0 ? QString() : QStringLiteral(", ranked %1 of %2").arg(row + 1).arg(layouts_.size());
  QMessageBox box(QMessageBox::Question, kCaption,
                  QStringLiteral("%1 reads %2as\n\n%3\n(score %4%5; lower is smoother)\n\n"
                                 "Fill in the sample type, signedness, byte order, header length "
                                 "and input size with this layout?")
                      .arg(file_, row == 0 ? QStringLiteral("best ") : QString(),
                           Words(chosen.layout), Score(chosen.score), rank),
                  QMessageBox::Yes | QMessageBox::No, &window_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  if (box.exec() == QMessageBox::Yes) fill_(chosen.layout);
}

}  // namespace projconv
