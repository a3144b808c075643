#include "engine/internal/file_identity.h"

#include <dirent.h>
#include <sys/stat.h>

namespace projconv {

namespace {

std::int64_t Nanoseconds(const timespec& time) {
  return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

std::optional<FileIdentity> IdentityOfStatus(const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return std::nullopt;
  return FileIdentity{std::uint64_t(info.st_dev), std::uint64_t(info.st_ino),
                      std::int64_t{info.st_size}, Nanoseconds(info.st_mtim)};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return IdentityOfStatus(info);
}

std::optional<FileIdentity> IdentityOfOpen(int descriptor) {
  struct stat info {};
  if (descriptor < 0 || ::fstat(descriptor, &info) != 0) return std::nullopt;
  return IdentityOfStatus(info);
}

std::unordered_map<std::string, FileIdentity> IdentitiesIn(const std::string& path) {
  std::unordered_map<std::string, FileIdentity> found;
  DIR* const listing = ::opendir(path.c_str());
  if (listing == nullptr) return found;
  while (const dirent* entry = ::readdir(listing)) {
    struct stat info {};
    if (::fstatat(::dirfd(listing), entry->d_name, &info, 0) != 0) continue;
    if (const auto identity = IdentityOfStatus(info)) found.emplace(entry->d_name, *identity);
  }
  ::closedir(listing);
  return found;
}

std::optional<std::int64_t> FolderModified(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  return Nanoseconds(info.st_mtim);
}

}  // namespace projconv
