#pragma once

#include <QIcon>

namespace projconv {

// The program's icon, packaging/icons/projconv.svg: the installed one from
// the icon theme (named "projconv" there, as in the desktop entry), else the
// PNG sizes compiled into the program, so that a build run from its own
// folder has it too.
QIcon AppIcon();

}  // namespace projconv
