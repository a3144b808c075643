#pragma once

// Folders, name patterns and file names are bytes to the system and text to
// Qt. Most are UTF-8, but a scan copied from an old file system may hold a
// folder such as "d\xe9" in Latin-1, and turning its bytes into U+FFFD would
// name another folder. So a byte that is not part of a UTF-8 sequence stands
// in the text as the lone surrogate U+DC00 + byte (U+DC80 to U+DCFF), which no
// UTF-8 text can hold, and becomes that byte again on the way back.

#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

#include "settings/utf8_sequence.h"

namespace projconv {

// The name as text: UTF-8 decoded, every other byte as its lone surrogate.
// NameOfText(NameToText(bytes)) == bytes for any bytes.
QString NameToText(std::string_view name);

// The bytes the text names: UTF-8, with each lone surrogate U+DC80..U+DCFF as
// its byte. Any other lone surrogate, which no name holds, is a '?', as Qt
// writes it.
std::string NameOfText(QStringView text);

}  // namespace projconv
