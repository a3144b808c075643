#pragma once

// The words a batch tells its user in: the two captions and the form of
// every message about a file.

#include <cerrno>
#include <string>

#include "engine/posix_file.h"

namespace projconv {

inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kInfoCaption[] = "Info";

// "File  NAME   ENDING. Converting is finished", spaces as they stand.
inline std::string FileMessage(const std::string& name, const std::string& ending) {
  return "File  " + name + "   " + ending + ". Converting is finished";
}

// The message of an end at a file, with the reason (if any) on a line of its
// own under the described line, which stays as it is.
inline std::string FileMessage(const std::string& name, const std::string& ending,
                               const std::string& reason) {
  const std::string line = FileMessage(name, ending);
  return reason.empty() ? line : line + "\n" + reason;
}

// The system's reason for a failed open, read or write, in the words a user
// acts on: a missing folder rather than "No such file or directory" for an
// output, a FIFO without a reader rather than "No such device or address".
// Empty when there was no errno (a read that found the end of the file).
inline std::string FileFailureReason(int error, bool writing) {
  if (error == 0) return {};
  if (writing && (error == ENOENT || error == ENOTDIR)) return "No such folder";
  if (writing && error == ENXIO) return "FIFO without a reader";
  return DescribeError(error);
}

}  // namespace projconv
