#include "gui/keyboard_access.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QShortcut>
#include <QUrl>

#include "form/control_ids.h"
#include "gui/converter_dialog.h"
#include "preview/preview_reading.h"

namespace projconv {

namespace {

// The folder a drop carries: one local folder, nothing else.
QString DroppedFolder(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isDir()) return {};
  return QDir::toNativeSeparators(url.toLocalFile());
}

// Takes a dropped folder as the field's whole text; other drops (text) go on
// as the edit would take them.
class FolderDrop : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (DroppedFolder(drag->mimeData()).isEmpty()) return false;
      drag->acceptProposedAction();
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString folder = DroppedFolder(drop->mimeData());
      if (folder.isEmpty()) return false;
      edit->setText(folder);
      edit->setFocus(Qt::OtherFocusReason);
      drop->acceptProposedAction();
      return true;
    }
    return false;
  }
};

void Shortcut(ConverterDialog& dialog, const QKeySequence& keys, int buttonId) {
  auto* button = qobject_cast<QAbstractButton*>(dialog.Control(buttonId));
  if (button == nullptr) return;
  button->setToolTip(
      QStringLiteral("%1 (%2)").arg(button->text(), keys.toString(QKeySequence::NativeText)));
  auto* shortcut = new QShortcut(keys, &dialog);
  QObject::connect(shortcut, &QShortcut::activated, button, [button] {
    if (button->isEnabled()) button->click();
  });
}

// Alt+key focuses the chosen button of the group that starts at firstId.
void GroupShortcut(ConverterDialog& dialog, const QKeySequence& keys, int firstId, int secondId) {
  auto* first = qobject_cast<QAbstractButton*>(dialog.Control(firstId));
  auto* second = qobject_cast<QAbstractButton*>(dialog.Control(secondId));
  if (first == nullptr || second == nullptr) return;
  const QString tip =
      QStringLiteral("%1, then the arrow keys").arg(keys.toString(QKeySequence::NativeText));
  first->setToolTip(tip);
  second->setToolTip(tip);
  auto* shortcut = new QShortcut(keys, &dialog);
  QObject::connect(shortcut, &QShortcut::activated, first, [first, second] {
    (second->isChecked() ? second : first)->setFocus(Qt::ShortcutFocusReason);
  });
}

}  // namespace

void AddKeyboardAccess(ConverterDialog& dialog) {
  Shortcut(dialog, QKeySequence(Qt::Key_F5), kIdcConvertButton);
  Shortcut(dialog, QKeySequence(Qt::SHIFT | Qt::Key_F5), kIdcCancelConversionButton);
  GroupShortcut(dialog, QKeySequence(Qt::ALT | Qt::Key_T), kIdcInteger16Radio, kIdcFloat32Radio);
  GroupShortcut(dialog, QKeySequence(Qt::ALT | Qt::Key_S), kIdcSignedRadio, kIdcUnsignedRadio);
  GroupShortcut(dialog, QKeySequence(Qt::ALT | Qt::Key_E), kIdcLittleEndianRadio,
                kIdcBigEndianRadio);

  for (const int id : kDialogControlIds) {
    auto* edit = qobject_cast<QLineEdit*>(dialog.Control(id));
    if (edit == nullptr) continue;
    const std::string name = FieldName(id);
    if (name.rfind("Field ", 0) != 0) edit->setAccessibleName(QString::fromStdString(name));
  }
  if (QWidget* progress = dialog.Control(kIdcProgressEdit)) {
    progress->setAccessibleName(QStringLiteral("Progress"));
  }

  auto* drop = new FolderDrop(&dialog);
  for (const int id : {kIdcInFolderEdit, kIdcOutFolderEdit}) {
    if (QWidget* edit = dialog.Control(id)) {
      edit->setAcceptDrops(true);
      edit->installEventFilter(drop);
    }
  }
}

}  // namespace projconv
