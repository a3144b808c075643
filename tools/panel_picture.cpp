// Renders the converter dialog with its preview panel open on the built-in
// sample, in the middle of converting it, to a PNG file:
//
//   QT_QPA_PLATFORM=offscreen projconv_panel_preview preview.png
//
// The sample is written to a temporary folder; one of its inputs is replaced
// by a named pipe that holds the batch inside that image while the picture is
// taken, so that the progress bar shows a batch under way. The batch is then
// let go, cancelled, and the dialog closed.

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
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/projection_job.h"
#include "form/control_ids.h"
#include "gui/converter_dialog.h"
#include "gui/image_pane.h"
#include "gui/panel_toggle.h"
#include "gui/preview_panel.h"
#include "sample/sample_layout.h"
#include "sample/sample_settings.h"
#include "sample/write_sample.h"
#include "tools/held_pipe.h"

namespace projconv {

namespace {

constexpr int kHeldImage = 23;  // the picture shows the batch past the file before it

std::string InputName(const std::string& folder, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "/raw.%04d", number);
  return folder + name;
}

void FillIn(ConverterValues& v, const std::string& folder) {
  static_cast<ConversionParameters&>(v) =
      sample::SampleParameters(folder, folder + "/" + sample::kOutFolder);
}

// Takes the input file away, to be replaced by a held pipe; its bytes.
std::vector<char> HoldAt(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ::unlink(name.c_str());
  return bytes;
}

bool WaitFor(const std::function<bool()>& condition) {
  QElapsedTimer waited;
  waited.start();
  while (!condition() && waited.elapsed() < 20000) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return condition();
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
  const std::string folder = QDir(root.path()).filePath("scan").toStdString();
  const sample::SampleResult written = sample::WriteSample(folder);
  if (!written.ok) {
    std::fprintf(stderr, "%s\n", written.error.c_str());
    return 1;
  }
  const std::string pipe = InputName(folder, kHeldImage);
  const std::vector<char> held = HoldAt(pipe);
  const int writer = held.empty() ? -1 : HoldWithPipe(pipe);
  if (writer < 0) {
    std::perror("mkfifo");
    return 1;
  }

  ProjectionJob job;
  ConverterDialog dialog;
  dialog.SetJob(&job);
  dialog.SetCloseWait(std::chrono::milliseconds(0));
  FillIn(dialog.values(), folder);
  dialog.show();
  auto* panel = dialog.findChild<PreviewPanel*>();
  panel->SetOpen(true);
  const bool shown = WaitFor([panel] {
    return panel->UpToDate() && panel->inputPane().hasPicture() && panel->outputPane().hasPicture();
  });

  qobject_cast<QAbstractButton*>(dialog.Control(kIdcConvertButton))->click();
  const auto* progress = qobject_cast<QLineEdit*>(dialog.Control(kIdcProgressEdit));
  const bool underWay =
      WaitFor([progress] { return progress->text() == QString::number(kHeldImage - 1); });
  // Let the forecast and the bar catch up.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 1200) QApplication::processEvents(QEventLoop::AllEvents, 20);
  const bool saved = shown && underWay && dialog.grab().save(QString::fromLocal8Bit(argv[1]));

  std::thread feeder(LetThrough, writer, held);
  dialog.close();
  feeder.join();
  if (!saved) {
    std::fprintf(stderr, "cannot write %s (pictures %s, batch held %s)\n", argv[1],
                 shown ? "shown" : "missing", underWay ? "yes" : "no");
    return 1;
  }
  return 0;
}
