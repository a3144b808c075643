#include "containers/replaced_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace projconv {

namespace {

// A target that is a symbolic link is replaced where the link points, as
// writing through the link did, so the link stays and shows the new file.
std::string FileBehindLinks(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

bool SameFile(int fd, const std::string& path) {
  struct stat open {
  }, named{};
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace

ReplacedFile::ReplacedFile(std::string target)
    : target_(FileBehindLinks(target)), partial_(target_ + ".partial") {}

ReplacedFile::~ReplacedFile() {
  SinkFailure ignored;
  Settle(false, ignored);
}

bool ReplacedFile::Claim(SinkFailure& failure) {
  // What the rename would meet at the end is checked now, before anything
  // is converted: a folder cannot be replaced by a file, and a file the
  // user may not write stays as it is, as it did when written in place.
  struct stat old {};
  const bool exists = ::stat(target_.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) {
    failure = SinkFailure{target_, EISDIR, {}, 0};
    return false;
  }
  if (exists && !S_ISREG(old.st_mode)) {
    failure = SinkFailure{target_, 0,
                          "It is not a regular file, which the finished output could replace", 0};
    return false;
  }
  if (exists && ::access(target_.c_str(), W_OK) != 0) {
    failure = SinkFailure{target_, errno, {}, 0};
    return false;
  }
  // The name may be removed or renamed by the batch that held it between
  // this open and the lock; the lock counts only on the file the name
  // still has.
  for (;;) {
    const int fd = ::open(partial_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
      failure = SinkFailure{partial_, errno, {}, 0};
      return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      failure =
          error == EWOULDBLOCK
              ? SinkFailure{partial_, 0, "Another batch is writing " + target_ + " through it", 0}
              : SinkFailure{partial_, error, {}, 0};
      return false;
    }
    if (SameFile(fd, partial_)) {
      lock_ = fd;
      break;
    }
    ::close(fd);
  }
  // Whatever a killed batch left in it goes; the new file takes the old
  // one's permissions, as a file written in place kept them.
  if (::ftruncate(lock_, 0) != 0 || (exists && ::fchmod(lock_, old.st_mode & 07777) != 0)) {
    failure = SinkFailure{partial_, errno, {}, 0};
    Settle(false, failure);
    return false;
  }
  return true;
}

bool ReplacedFile::Settle(bool keep, SinkFailure& failure) {
  if (lock_ < 0) return true;
  bool settled = true;
  if (!keep) {
    ::unlink(partial_.c_str());
  } else if (::rename(partial_.c_str(), target_.c_str()) != 0) {
    failure.file = target_;
    failure.error = 0;
    failure.reason = std::string(std::strerror(errno)) + "; the images are in " + partial_;
    settled = false;
  }
  // Unlocked only now: a batch waiting for the name finds it gone or taken.
  ::close(lock_);
  lock_ = -1;
  return settled;
}

}  // namespace projconv
