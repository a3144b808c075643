#pragma once

#include "engine/projection_job.h"

namespace projconv {

// Makes SIGINT and SIGTERM set `flag`, so that the batch watching it stops
// after the image in progress. Each handler acts once: a second signal of the
// same kind takes its default action and ends the program at once. `flag`
// must outlive the handlers, which stay for the rest of the process.
void InstallStopOnSignal(StopFlag& flag);

}  // namespace projconv
