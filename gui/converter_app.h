#pragma once

namespace projconv {

class ProjectionJob;

// The program: one job, one dialog, the remembered settings around it.
class ConverterApp {
 public:
  // Runs the whole program: loads the settings into the dialog, runs it, saves
  // the settings when the user leaves with "Remeber and Exit", releases the
  // job. Returns false: there is nothing to run after the dialog.
  bool InitInstance();
};

extern ConverterApp theApp;

// The one conversion job, valid while InitInstance runs the dialog and until
// the dialog and its worker are gone.
extern ProjectionJob* theJob;

}  // namespace projconv
