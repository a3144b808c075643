#pragma once

#include "cli/probe_options.h"

namespace projconv {

// --probe FILE: prints on standard output the layouts that read the file
// best and better than noise, best first, each as the options that read it
// so, one per line, ready to be given back to projconv-batch; their scores
// and any problem go to standard error. Returns the program's exit status: 0
// when a layout was printed, 1 when the file cannot be opened or read or
// reads as noise in every layout, 2 when no layout fits it.
int RunProbe(const ProbeRequest& request);

}  // namespace projconv
