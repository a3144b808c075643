#include "gui/app_icon.h"

namespace projconv {

QIcon AppIcon() {
  QIcon builtIn;
  // The sizes rendered from the drawing, compiled in by gui/CMakeLists.txt.
  for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
    builtIn.addFile(QStringLiteral(":/projconv/icons/%1x%1/apps/projconv.png").arg(side),
                    QSize(side, side));
  }
  // The theme's copy first: a desktop may have replaced it with its own style.
  return QIcon::fromTheme(QStringLiteral("projconv"), builtIn);
}

}  // namespace projconv
