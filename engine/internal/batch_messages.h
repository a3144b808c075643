#pragma once

// The words a batch tells its user in: the two captions and the form of
// every message about a file.

#include <string>

#include "engine/posix_file.h"

namespace projconv {

inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kInfoCaption[] = "Info";

// "File  NAME   ENDING. Converting is finished", spaces as they stand.
inline std::string FileMessage(const std::string& name, const std::string& ending) {
  return "File  " + name + "   " + ending + ". Converting is finished";
}

// "can not be read", plus the system's reason when there is one.
inline std::string WithReason(const std::string& what, int error) {
  return error == 0 ? what : what + " (" + DescribeError(error) + ")";
}

}  // namespace projconv
