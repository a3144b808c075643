#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace projconv {

// A folder where projconv-batch can run on its own: "in" with a small valid
// sequence (two 8 x 8 little-endian 16-bit images, raw.0000 and raw.0001),
// an empty "out", and its own configuration and home folders, so that no run
// sees the settings of the machine it runs on; beside them "short.raw", one
// byte short of an input, and the FIFO "fifo".
class BatchSandbox {
 public:
  BatchSandbox();

  QString Folder(const char* name) const { return root_.filePath(name); }
  QString WriteFile(const QString& name, const QByteArray& bytes) const;  // in the root
  QStringList OutputFiles() const;

  // Options for a run that converts the sequence in full, from the defaults.
  QStringList GoodOptions() const;

  // The settings-file keys of the same run, in the file's order.
  QList<std::pair<QByteArray, QByteArray>> GoodSettings() const;

  struct Run {
    bool crashed = false;  // ended by a signal, or still running after a minute
    int exitCode = -1;
    QString errors;  // standard error
  };
  Run RunBatch(const QStringList& arguments) const;

 private:
  QTemporaryDir root_;
};

}  // namespace projconv
