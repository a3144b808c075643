#pragma once

#include <functional>
#include <string>

namespace projconv {

// Runs `body` in a forked child and returns the text it returned, so a test can
// set process-wide limits (file size, signals, alarms) for one batch without
// touching the test program. When the child does not end cleanly, or cannot
// be started, the text says so, and any comparison with an expected outcome
// fails with that reason in view.
std::string RunInChild(const std::function<std::string()>& body);

}  // namespace projconv
