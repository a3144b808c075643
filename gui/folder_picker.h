#pragma once

// Choosing a folder with a picker owned by the dialog.

#include <QString>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace projconv {

// Shows a folder picker over `owner` under `title`, opened in `start` (when
// it is a folder); the chosen folder, or nothing when the user dismissed the
// picker.
using FolderPicker = std::function<std::optional<QString>(QWidget& owner, const QString& title,
                                                          const QString& start)>;

// The system's folder picker (local folders only).
std::optional<QString> PickFolderWithFileDialog(QWidget& owner, const QString& title,
                                                const QString& start);

// Longest folder path a pick may deliver, in characters.
inline constexpr std::size_t kMaxPickedFolderChars = 259;

// The picked folder as a member value (UTF-8, native separators), or nothing
// when none was picked or its path is longer than kMaxPickedFolderChars.
std::optional<std::string> PickedFolderValue(const std::optional<QString>& picked);

}  // namespace projconv
