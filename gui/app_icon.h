#pragma once

#include <QIcon>
#include <QPixmap>

namespace projconv {

// The program's icon: a stack of projection frames with a turned crop window
// on the front one. Drawn here, at every size a desktop asks for, rather
// than shipped as image files.
QPixmap PaintAppIcon(int side);
QIcon AppIcon();

}  // namespace projconv
