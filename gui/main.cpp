#include <QApplication>

#include "gui/converter_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  projconv::theApp.InitInstance();
  return 0;
}
