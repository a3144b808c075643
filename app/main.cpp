#include <QApplication>

#include "converter_app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  theApp.InitInstance();
  return 0;
}
