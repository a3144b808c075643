#include <QApplication>

#include "gui/converter_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // Recorded in the HDF5 files and sidecars a batch writes.
  QApplication::setApplicationVersion(QStringLiteral(PROJCONV_VERSION));
  projconv::theApp.InitInstance();
  return 0;
}
