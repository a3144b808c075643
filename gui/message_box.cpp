#include "gui/message_box.h"

#include <QMessageBox>

namespace projconv {

QMessageBox* OpenMessageBox(QWidget& owner, const QString& text, const QString& caption) {
  // A child of the dialog, so a modally run dialog does not block it.
  auto* box = new QMessageBox(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, &owner);
  box->setTextFormat(Qt::PlainText);  // file names are shown as they are
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
  return box;
}

}  // namespace projconv
