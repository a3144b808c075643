// Renders the converter dialog in the middle of a conversion to a PNG file:
// a small sequence is written to a temporary folder, one of its inputs is a
// named pipe that holds the worker inside that image while the picture is
// taken, and the batch is then cancelled and the dialog closed.
//
//   QT_QPA_PLATFORM=offscreen projconv_converting_preview converting.png

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/projection_job.h"
#include "form/control_ids.h"
#include "gui/converter_dialog.h"
#include "tools/held_pipe.h"

namespace projconv {

namespace {

constexpr int kSize = 512;
constexpr int kHeldImage = 4;  // the picture shows the file before it

std::vector<char> Image(int number) {
  std::vector<char> bytes(2 * kSize * kSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7 + number) & 0x7f);
  return bytes;
}

std::string InputName(const QString& folder, int number) {
  char name[16];
  std::snprintf(name, sizeof name, "raw.%04d", number);
  return QDir(folder).filePath(name).toStdString();
}

void FillIn(ConverterValues& v, const QString& in, const QString& out) {
  v.inFolder = in.toStdString();
  v.outFolder = out.toStdString();
  v.signedness = Signedness::Unsigned;
  v.headerLen = 0;
  v.inSizeX = v.inSizeY = kSize;
  v.cropRight = v.cropBottom = kSize;
  v.outSizeX = v.outSizeY = kSize / 2;
  v.rotCentreX = v.rotCentreY = kSize / 2;
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s out.png\n", argv[0]);
    return 2;
  }
  QTemporaryDir root(QDir::tempPath() + "/scan-042-XXXXXX");
  const QString in = QDir(root.path()).filePath("raw");
  const QString out = QDir(root.path()).filePath("converted");
  QDir().mkpath(in);
  QDir().mkpath(out);
  for (int number = 0; number < kHeldImage; ++number) {
    const std::vector<char> bytes = Image(number);
    std::ofstream(InputName(in, number), std::ios::binary).write(bytes.data(), bytes.size());
  }
  const std::string pipe = InputName(in, kHeldImage);
  const int writer = HoldWithPipe(pipe);
  if (writer < 0) {
    std::perror("mkfifo");
    return 1;
  }

  ProjectionJob job;
  ConverterDialog dialog;
  dialog.SetJob(&job);
  dialog.SetCloseWait(std::chrono::milliseconds(0));
  FillIn(dialog.values(), in, out);
  dialog.show();
  qobject_cast<QAbstractButton*>(dialog.Control(kIdcConvertButton))->click();
  const QString shown = QString::number(kHeldImage - 1);
  const auto* progress = qobject_cast<QLineEdit*>(dialog.Control(kIdcProgressEdit));
  QElapsedTimer waited;
  waited.start();
  while (progress->text() != shown && waited.elapsed() < 10000) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  QApplication::processEvents();
  const bool held = progress->text() == shown;
  const bool saved = held && dialog.grab().save(QString::fromLocal8Bit(argv[1]));

  std::thread feeder(LetThrough, writer, Image(kHeldImage));
  dialog.close();  // stops after the held image and waits for the worker
  feeder.join();
  if (!saved) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
