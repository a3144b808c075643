#include "gui/command_line.h"

#include <cstdio>
#include <string_view>

#include "settings/settings_file.h"

namespace projconv {

namespace {

// The Qt options are those of every Qt program; the ones worth knowing here.
constexpr char kUsage[] = R"(Usage: projconv [Qt options]
Converts numbered raw projection images in a dialog. projconv-batch runs the
conversion set up here from a script, with the same settings.

Options:
  -h, --help              Show this help and exit.
  --version               Show the version and exit.

Qt options, among those every Qt program takes:
  -platform NAME          The window system plugin, such as xcb, wayland or
                          offscreen (also QT_QPA_PLATFORM).
  -display DISPLAY        The X server the xcb plugin uses (also DISPLAY).
  -style NAME             The widget style, such as Fusion.
  -stylesheet FILE        A Qt style sheet applied to the dialog.
  -reverse                Lays the dialog out from right to left.

Settings file:
  %s
  ($XDG_CONFIG_HOME/projconv.ini, else ~/.config/projconv.ini), read when the
  dialog opens and written by "Remeber and Exit" (or Enter); Esc and the close
  box leave it as it was. projconv-batch reads it too.
)";

}  // namespace

std::optional<int> AnswerWithoutWindow(int argc, char* argv[], const char* version) {
  for (int k = 1; k < argc; ++k) {
    const std::string_view argument = argv[k];
    if (argument == "-h" || argument == "--help") {
      std::printf(kUsage, DesktopSettingsPath().toLocal8Bit().constData());
      return 0;
    }
    if (argument == "--version") {
      std::printf("projconv %s\n", version);
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace projconv
