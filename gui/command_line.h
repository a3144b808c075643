#pragma once

// What projconv answers on its command line without opening a window.

#include <optional>

namespace projconv {

// Prints the usage for -h or --help, or the version for --version, on
// standard output, and returns the exit status; nothing when the window is
// to open. Looked at before the application object exists, so that neither
// answer needs a window system. Every other argument is left to Qt.
std::optional<int> AnswerWithoutWindow(int argc, char* argv[], const char* version);

}  // namespace projconv
