#include "converter_app.h"

#include <QMessageBox>
#include <QSettings>
#include <cstdio>
#include <new>

#include "ConverterDialog.h"
#include "dialog_settings.h"
#include "projection_job.h"
#include "settings_file.h"

ConverterApp theApp;
ProjectionJob* theJob = nullptr;

namespace {

void LoadSettingsInto(ConverterDialog& dialog) {
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  const SettingsLoad load = LoadSettings(store);
  // A value that cannot be read keeps its default; the user sees the default
  // in the dialog, and the file is rewritten on "Remeber and Exit".
  for (const QString& problem : load.problems) {
    std::fprintf(stderr, "projconv: %s: %s\n", qPrintable(store.fileName()), qPrintable(problem));
  }
  LoadIntoDialog(load.settings, dialog.values());
}

void SaveSettingsOf(const ConverterDialog& dialog) {
  QSettings store(DesktopSettingsPath(), QSettings::IniFormat);
  if (!SaveSettings(store, SettingsOfDialog(dialog.values()))) {
    QMessageBox::warning(
        nullptr, QStringLiteral("Error"),
        QStringLiteral("The settings could not be saved to %1.").arg(store.fileName()));
  }
}

}  // namespace

bool ConverterApp::InitInstance() {
  // The platform's look needs no switching on here.
  theJob = new (std::nothrow) ProjectionJob;

  {
    ConverterDialog dialog;
    dialog.SetJob(theJob);
    LoadSettingsInto(dialog);
    // There is no other window: closing the dialog ends the program.
    if (dialog.exec() == QDialog::Accepted) SaveSettingsOf(dialog);
  }
  // The dialog has ended its batch when it closed, and is gone now with its
  // worker: nothing can touch the job any more.
  delete theJob;
  theJob = nullptr;
  return false;
}
