#pragma once

class QMessageBox;
class QString;
class QWidget;

namespace projconv {

// The program's own messages: a caption, a line of text and one OK button.

// Opens the box over `owner` without blocking it: the dialog stays usable
// while the box is up. The box deletes itself when dismissed; its finished()
// signal tells when. A `detail` stands under the text as a paragraph of its
// own.
QMessageBox* OpenMessageBox(QWidget& owner, const QString& text, const QString& caption,
                            const QString& detail);
QMessageBox* OpenMessageBox(QWidget& owner, const QString& text, const QString& caption);

// A message of a batch. An end at a file that failed carries the system's
// reason on a line under the described one; it is shown as the detail, since
// a long described line wraps in the box and its last piece would otherwise
// read like a reason.
QMessageBox* OpenBatchMessageBox(QWidget& owner, const QString& text, const QString& caption);

}  // namespace projconv
