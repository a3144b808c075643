#pragma once

#include <filesystem>
#include <string>

namespace projconv {

namespace sample {

struct SampleResult {
  bool ok = false;
  std::string error;                   // what went wrong, when not ok
  std::filesystem::path settingsFile;  // absolute path of sample.ini, when ok
};

// Writes the sequence raw.0000 ... into `folder` (created if needed), an empty
// out/ folder for the converted images, and sample.ini converting the one
// into the other. The folder must be new or empty, so that nothing of the
// user's is overwritten.
SampleResult WriteSample(const std::filesystem::path& folder);

}  // namespace sample

}  // namespace projconv
