#include "cli/sidecar_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "engine/posix_file.h"

namespace projconv {

namespace {

// 0 when files can be made in `folder`, otherwise errno.
int FolderError(const std::string& folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0) return errno;
  if (!S_ISDIR(status.st_mode)) return ENOTDIR;
  return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

}  // namespace

std::optional<BatchResult> SidecarFolderProblem(const std::string& stem) {
  if (stem.empty()) return std::nullopt;
  const std::string file = stem + ".json";
  const std::string folder = std::filesystem::path(file).parent_path().string();
  const int error = FolderError(folder.empty() ? "." : folder);
  if (error == 0) return std::nullopt;
  BatchResult end;
  end.end = BatchEnd::OutputNotWritten;
  end.fileName = file;
  // The words the batch uses for an output's missing folder.
  end.reason = error == ENOENT || error == ENOTDIR ? "No such folder" : DescribeError(error);
  return end;
}

std::string SidecarFolderMessage(const BatchResult& end) {
  return "File  " + end.fileName + "   can not be wrote. Converting is finished\n" + end.reason;
}

}  // namespace projconv
