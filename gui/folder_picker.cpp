#include "gui/folder_picker.h"

#include <QDir>
#include <QFileDialog>

#include "form/data_exchange.h"

namespace projconv {

std::optional<QString> PickFolderWithFileDialog(QWidget& owner, const QString& title,
                                                const QString& start) {
  const QString folder =
      QFileDialog::getExistingDirectory(&owner, title, start, QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<std::string> PickedFolderValue(const std::optional<QString>& picked) {
  if (!picked || picked->isEmpty()) return std::nullopt;
  const std::string value = QDir::toNativeSeparators(*picked).toStdString();
  if (Utf8Length(value) > kMaxPickedFolderChars) return std::nullopt;
  return value;
}

}  // namespace projconv
