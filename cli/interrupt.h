#pragma once

#include "engine/projection_job.h"

namespace projconv {

// Makes SIGINT and SIGTERM set `flag`, so that the batch watching it stops
// after the image in progress. Each handler acts once: a second signal of the
// same kind takes its default action and ends the program at once. `flag`
// must outlive the handlers, which stay for the rest of the process.
void InstallStopOnSignal(StopFlag& flag);

// Turns the signals that would end the program without a word into failures
// of the call that met them: SIGXFSZ (a write past the file size limit fails
// with EFBIG, and the batch ends at that output with its message, sidecar and
// end event) and SIGPIPE (a write to a closed pipe fails with EPIPE, and only
// the lines going there stop).
void IgnoreSignalsOfFailedWrites();

}  // namespace projconv
