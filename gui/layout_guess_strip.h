#pragma once

// The strip at the foot of the preview panel that guesses the input's layout
// from its first file: the layouts that read it best, best first with their
// scores, and, once the user agrees, the dialog's format and size fields
// filled with the one chosen. Nothing is taken in: the fields change as if
// typed, and reach the members at the dialog's next saving exchange.

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "probe/raw_layout.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace projconv {

class LayoutGuessStrip : public QWidget {
  Q_OBJECT

 public:
  // How many layouts are shown: enough for the runners-up to show how clear
  // the first one is.
  static constexpr std::size_t kShown = 5;

  // The first input file as the controls name it now, or why there is none.
  struct FirstInput {
    std::string path;
    QString problem;  // empty when `path` names the file
  };
  using InputFinder = std::function<FirstInput()>;
  // Fills the dialog's fields with `layout`.
  using LayoutFiller = std::function<void(const RawLayout& layout)>;

  LayoutGuessStrip(QWidget* parent, QWidget& window, InputFinder findInput, LayoutFiller fill);

  // Probes the first input, lists what fits and offers the best.
  void Guess();
  // Asks whether to fill the fields with the listed layout `row`, and does.
  void Offer(int row);

  // The layouts listed, best first.
  const std::vector<ScoredLayout>& layouts() const { return layouts_; }
  QPushButton& guessButton() const { return *guess_; }
  QPushButton& useButton() const { return *use_; }
  QTreeWidget& list() const { return *list_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowLayouts(const QString& file, std::vector<ScoredLayout> layouts);
  void Refuse(const QString& text);
  // Lays the buttons, the caption, wrapped to the strip's width, and the list below it.
  void PlaceChildren();
  void SetCaption(const QString& text);

  QWidget& window_;  // owns the boxes
  InputFinder findInput_;
  LayoutFiller fill_;
  QPushButton* guess_;
  QPushButton* use_;
  QLabel* caption_;
  QTreeWidget* list_;
  QString file_;  // the file the listed layouts read, by its name alone
  std::vector<ScoredLayout> layouts_;
};

}  // namespace projconv
