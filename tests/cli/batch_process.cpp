#include "tests/cli/batch_process.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>

namespace projconv {

BatchSandbox::BatchSandbox() {
  for (const char* folder : {"in", "out", "config", "home"}) QDir(root_.path()).mkpath(folder);
  QByteArray image(2 * 8 * 8, '\0');
  for (qsizetype k = 0; k < image.size(); ++k) image[k] = char(k * 37 + 11);
  for (const char* name : {"in/raw.0000", "in/raw.0001"}) WriteFile(name, image);
  WriteFile("short.raw", image.left(127));  // flats that cannot be used
  ::mkfifo(root_.filePath("fifo").toUtf8().constData(), 0600);
}

QString BatchSandbox::WriteFile(const QString& name, const QByteArray& bytes) const {
  QFile file(root_.filePath(name));
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return file.fileName();
}

QStringList BatchSandbox::OutputFiles() const {
  return QDir(Folder("out")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

QStringList BatchSandbox::GoodOptions() const {
  return {"--defaults", "--in-folder", Folder("in"), "--out-folder", Folder("out"),
          "--in-size",  "8x8",         "--out-size", "8x8",          "--crop",
          "0,0,8,8",    "--centre",    "4,4"};
}

QList<std::pair<QByteArray, QByteArray>> BatchSandbox::GoodSettings() const {
  return {{"ProjInFolder", Folder("in").toUtf8()},
          {"ProjOutFolder", Folder("out").toUtf8()},
          {"InProjSizeX", "8"},
          {"InProjSizeY", "8"},
          {"OutProjSizeX", "8"},
          {"OutProjSizeY", "8"},
          {"DownRightCornerX", "8"},
          {"DownRightCornerY", "8"},
          {"RotatCtrX", "4"},
          {"RotatCtrY", "4"}};
}

BatchSandbox::Run BatchSandbox::RunBatch(const QStringList& arguments) const {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CONFIG_HOME", Folder("config"));
  environment.insert("HOME", Folder("home"));
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(root_.path());
  process.start(PROJCONV_BATCH, arguments);
  Run run;
  if (!process.waitForStarted() || !process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    run.crashed = true;
  }
  run.crashed = run.crashed || process.exitStatus() != QProcess::NormalExit;
  run.exitCode = process.exitCode();
  run.errors = QString::fromUtf8(process.readAllStandardError());
  return run;
}

}  // namespace projconv
