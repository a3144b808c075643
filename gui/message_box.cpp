#include "gui/message_box.h"

#include <QMessageBox>

namespace projconv {

QMessageBox* OpenMessageBox(QWidget& owner, const QString& text, const QString& caption,
                            const QString& detail) {
  // A child of the dialog, so a modally run dialog does not block it.
  auto* box = new QMessageBox(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, &owner);
  box->setTextFormat(Qt::PlainText);  // file names are shown as they are
  box->setInformativeText(detail);
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
  return box;
}

QMessageBox* OpenMessageBox(QWidget& owner, const QString& text, const QString& caption) {
  return OpenMessageBox(owner, text, caption, QString());
}

QMessageBox* OpenBatchMessageBox(QWidget& owner, const QString& text, const QString& caption) {
  // The described line ends so; a file name would have to hold these very
  // words and a line break to be taken for a reason.
  const QString described = QStringLiteral(". Converting is finished\n");
  const qsizetype end = text.lastIndexOf(described);
  if (end < 0 || text.indexOf(QLatin1Char('\n'), end + described.size()) >= 0) {
    return OpenMessageBox(owner, text, caption);
  }
  const qsizetype reasonAt = end + described.size();
  return OpenMessageBox(owner, text.left(reasonAt - 1), caption, text.mid(reasonAt));
}

}  // namespace projconv
