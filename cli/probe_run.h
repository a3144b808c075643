#pragma once

#include "cli/probe_options.h"

namespace projconv {

// --probe FILE: prints on standard output the layouts that read the file
// best, best first, each as the options that read it so and its score.
// Returns the program's exit status: 0 when a layout was printed, 1 when the
// file cannot be opened or read, 2 when no layout fits it; problems are told
// on standard error.
int RunProbe(const ProbeRequest& request);

}  // namespace projconv
