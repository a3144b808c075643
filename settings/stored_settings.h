#pragma once

// The parameters as the settings file stores them, read without Qt: every
// program that reads a settings file (projconv-batch, the desktop program,
// the Python module) reads it here, so that none can take a file otherwise
// than another.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"
#include "engine/parameter_table.h"

namespace projconv {

// The settings as read, and what was wrong with the file. A value that could
// not be taken keeps its first-run value; the caller decides whether to go
// on.
struct StoredLoad {
  ConversionParameters settings;
  std::vector<std::string> problems;  // UTF-8, one line each, naming the key and the stored text
  CorrectionParameters correction =
      {};  // the [Correction] section (settings/correction_settings.h)
};

// The group that holds every key.
inline constexpr char kSettingsGroup[] = "Qarmo_Convertor";

// What a first run starts with: every key's first-run text, read as the file
// would be.
const ConversionParameters& FirstRunParameters();

// The settings file `path` (bytes, as the system names it) that someone
// named: a missing or unreadable file, and one without the settings' group,
// is a problem of its own, so that a named file that is not there (or not
// ours) is never mistaken for a first run.
StoredLoad LoadNamedSettings(const std::string& path);

// The desktop program's own file: missing, it is a first run.
StoredLoad LoadDesktopSettings(const std::string& path);

// `text` in double quotes for a message: control characters written as \xNN
// and anything past 40 units left out, so that whatever a hand-edited file
// holds reads as one short line and cannot drive a terminal.
std::u16string QuotedText(std::u16string_view text);

// Sets the member of `row` from its stored text. When the text is not a valid
// stored form the member keeps its value and the problem is returned (UTF-8),
// naming the key and the text.
std::optional<std::string> ApplyStoredUtf16(ConversionParameters& settings,
                                            const ParameterDescriptor& row,
                                            std::u16string_view text);

}  // namespace projconv
