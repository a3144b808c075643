#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "engine/parameter_table.h"

namespace projconv {

// What a first run starts with, when the settings file holds none of the
// values: every key's first-run text, read as the file would be.
ConversionParameters FirstRunSettings();

// Every setting, in the order in which they are read and written. Reading and
// writing both walk this list, so the two cannot disagree about a key.
std::array<const ParameterDescriptor*, 21> SettingKeys();

// The text stored for `key` when the settings are `settings`; a folder or
// pattern with bytes that are not UTF-8 holds them as settings/name_text.h
// says.
QString StoredText(const ConversionParameters& settings, const ParameterDescriptor& key);

// `text` in double quotes for a message: control characters written as \xNN
// and anything past 40 characters left out, so that whatever a hand-edited
// file holds reads as one short line and cannot drive a terminal.
QString QuotedForMessage(const QString& text);

// Sets the member of `key` from its stored text. When the text is not a valid
// stored form the member keeps its value and the problem is returned, naming
// the key and the text.
std::optional<QString> ApplyStoredText(ConversionParameters& settings,
                                       const ParameterDescriptor& key, const QString& text);

}  // namespace projconv
