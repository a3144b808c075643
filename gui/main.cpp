#include <QApplication>
#include <csignal>

#include "gui/command_line.h"
#include "gui/converter_app.h"

int main(int argc, char* argv[]) {
  // Answered before the application object, which needs a window system.
  if (const auto status = projconv::AnswerWithoutWindow(argc, argv, PROJCONV_VERSION)) {
    return *status;
  }
  // A write past the file size limit fails with EFBIG, and the batch ends at
  // that output with its message, instead of the program vanishing.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication application(argc, argv);
  // Recorded in the HDF5 files and sidecars a batch writes.
  QApplication::setApplicationVersion(QStringLiteral(PROJCONV_VERSION));
  projconv::theApp.InitInstance();
  return 0;
}
