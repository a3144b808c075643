#pragma once

class QMessageBox;
class QString;
class QWidget;

namespace projconv {

// The program's own messages: a caption, a line of text and one OK button.

// Opens the box over `owner` without blocking it: the dialog stays usable
// while the box is up. The box deletes itself when dismissed; its finished()
// signal tells when.
QMessageBox* OpenMessageBox(QWidget& owner, const QString& text, const QString& caption);

}  // namespace projconv
