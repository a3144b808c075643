#pragma once

#include <string>

namespace projconv {

// The desktop program's settings file, as bytes: $XDG_CONFIG_HOME/projconv.ini,
// or ~/.config/projconv.ini when that variable is unset, empty or relative.
// The home folder is $HOME tidied ("//", "." and ".." taken out), or "/"
// when $HOME is empty.
std::string DesktopSettingsFile();

}  // namespace projconv
