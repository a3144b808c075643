#include "gui/converter_app.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <new>
#include <optional>

#include "containers/output_formats.h"
#include "engine/projection_job.h"
#include "gui/converter_dialog.h"
#include "gui/dialog_settings.h"
#include "gui/flat_field_box.h"
#include "gui/preview_panel.h"
#include "settings/ini_reading.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace projconv {

ConverterApp theApp;
ProjectionJob* theJob = nullptr;

namespace {

// Tells the user, in the window and without waiting for an answer, what was
// wrong with the settings file: a desktop user never sees standard error.
void ShowProblemsOnceOpen(ConverterDialog& dialog, const QString& file,
                          const QStringList& problems) {
  if (problems.isEmpty()) return;
  const QString text =
      QStringLiteral("Some settings in %1 could not be read and start from their defaults:\n\n%2")
          .arg(file, problems.join(QLatin1Char('\n')));
  QTimer::singleShot(0, &dialog, [&dialog, text] {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Settings"), text,
                                QMessageBox::Ok, &dialog);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("settingsProblems"));
    box->open();
  });
}

// What a batch writes (OutputChoice): a group of its own, like the window's,
// so that the conversion's section holds exactly its keys. The file lists
// its groups in alphabetical order.
const QString kOutputGroup = QStringLiteral("Writing");

// Shows the stored output choice; a type that is not one of ours is a
// problem to tell, and leaves the type as it was.
QStringList RestoreOutput(QSettings& store, ConverterDialog& dialog) {
  QStringList problems;
  OutputChoice choice = dialog.outputChoice();
  store.beginGroup(kOutputGroup);
  if (store.contains(QStringLiteral("Type"))) {
    const QString name = store.value(QStringLiteral("Type")).toString();
    if (const std::optional<OutputType> type = OutputTypeNamed(name.toStdString())) {
      choice.type = *type;
    } else {
      problems << QStringLiteral("%1/Type holds %2, not %3")
                      .arg(kOutputGroup, QuotedForMessage(name),
                           QString::fromStdString(ListedNames(", ", " or ")));
    }
  }
  choice.file = store.value(QStringLiteral("File")).toString().toStdString();
  choice.sidecar = store.value(QStringLiteral("Sidecar")).toString().toStdString();
  store.endGroup();
  dialog.SetOutputChoice(choice);
  return problems;
}

void RememberOutput(const ConverterDialog& dialog) {
  const OutputChoice choice = dialog.outputChoice();
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  store.beginGroup(kOutputGroup);
  store.setValue(QStringLiteral("Type"), QString::fromUtf8(OutputTypeName(choice.type)));
  store.setValue(QStringLiteral("File"), QString::fromStdString(choice.file));
  store.setValue(QStringLiteral("Sidecar"), QString::fromStdString(choice.sidecar));
  store.endGroup();
}

void LoadSettingsInto(ConverterDialog& dialog) {
  // The output choice is read through IniReading, so that a name that is not
  // UTF-8 keeps its bytes; store.fileName() may then be a copy's, so the path
  // is named.
  const QString path = DesktopSettingsPath();
  const SettingsLoad load = LoadDesktopSettingsFile();
  IniReading reading(path);
  QStringList problems = load.problems;
  problems << RestoreOutput(reading.store(), dialog);
  // A value that cannot be read keeps its default; the user sees the default
  // in the dialog, and the file is rewritten on "Remeber and Exit".
  for (const QString& problem : problems) {
    std::fprintf(stderr, "projconv: %s: %s\n", qPrintable(path), qPrintable(problem));
  }
  ShowProblemsOnceOpen(dialog, path, problems);
  LoadIntoDialog(load.settings, dialog.values());
  dialog.flatFieldBox().SetCorrection(load.correction);
}

void SaveSettingsOf(const ConverterDialog& dialog) {
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  if (!SaveSettings(store, SettingsOfDialog(dialog.values())) ||
      !SaveCorrection(store, dialog.flatFieldBox().stored())) {
    QMessageBox::warning(
        nullptr, QStringLiteral("Error"),
        QStringLiteral("The settings could not be saved to %1.").arg(store.fileName()));
  }
}

// Where the window was and whether its preview was open: kept in a group of
// their own, so that the conversion's section holds exactly its keys.
const QString kWindowGroup = QStringLiteral("Window");

void RestoreWindow(ConverterDialog& dialog) {
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  store.beginGroup(kWindowGroup);
  const QPoint at = store.value(QStringLiteral("Position")).toPoint();
  const bool previewOpen = store.value(QStringLiteral("PreviewOpen")).toBool();
  store.endGroup();
  // Only to a place still on a screen: screens come and go.
  const QScreen* screen = QGuiApplication::screenAt(at + QPoint(40, 20));
  if (screen != nullptr && store.contains(kWindowGroup + QStringLiteral("/Position"))) {
    dialog.move(at);
  }
  if (previewOpen) dialog.previewPanel().SetOpen(true);
}

void RememberWindow(const ConverterDialog& dialog) {
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  store.beginGroup(kWindowGroup);
  store.setValue(QStringLiteral("Position"), dialog.pos());
  store.setValue(QStringLiteral("PreviewOpen"), dialog.previewPanel().IsOpen());
  store.endGroup();
}

}  // namespace

bool ConverterApp::InitInstance() {
  // The platform's look needs no switching on here.
  theJob = new (std::nothrow) ProjectionJob;

  {
    ConverterDialog dialog;
    dialog.SetJob(theJob);
    LoadSettingsInto(dialog);
    RestoreWindow(dialog);
    // There is no other window: closing the dialog ends the program.
    // Like the settings, the window's place is written only on "Remeber and
    // Exit": leaving otherwise leaves the file exactly as it was.
    if (dialog.exec() == QDialog::Accepted) {
      SaveSettingsOf(dialog);
      RememberWindow(dialog);
      RememberOutput(dialog);
    }
  }
  // The dialog has ended its batch when it closed, and is gone now with its
  // worker: nothing can touch the job any more.
  delete theJob;
  theJob = nullptr;
  return false;
}

}  // namespace projconv
