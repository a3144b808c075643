#include "containers/correction_record.h"

#include <vector>

#include "engine/name_pattern.h"

namespace projconv {

namespace {

ReferenceFiles Fixed(ReferenceFiles files, const std::string& inFolder) {
  if (files.pattern.empty()) return files;
  if (!NamePattern::Parse(files.pattern)) {
    if (files.pattern.find('%') == std::string::npos) files = {files.pattern, 0, 1};
    return files;
  }
  std::vector<std::string> names;
  if (files.count == -1 && !ReferenceFileNames(files, inFolder, names))
    files.count = std::int32_t(names.size());
  return files;
}

}  // namespace

CorrectionParameters WithCountsFixed(const CorrectionParameters& correction,
                                     const std::string& inFolder) {
  CorrectionParameters fixed = correction;
  fixed.flat = Fixed(correction.flat, inFolder);
  fixed.dark = Fixed(correction.dark, inFolder);
  return fixed;
}

}  // namespace projconv
