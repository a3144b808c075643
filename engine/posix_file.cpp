#include "engine/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace projconv {

PosixFile::~PosixFile() {
  Close();
}

bool PosixFile::OpenForReading(const std::string& path) {
  Close();
  // Opened without waiting, so that a FIFO nobody writes cannot hold the
  // batch (and a program waiting for it to stop) in open(); its read then
  // finds the end at once, and the batch ends there. Reads wait as usual.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  error_ = fd_ < 0 ? errno : 0;
  if (fd_ >= 0) Block();
  return fd_ >= 0;
}

bool PosixFile::OpenForWriting(const std::string& path, std::uint64_t keepAtMost) {
  Close();
  // Without waiting for the same reason: a FIFO nobody reads fails at once.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  error_ = fd_ < 0 ? errno : 0;
  if (fd_ < 0) return false;
  Block();
  const long long size = RegularSize();
  if (size >= 0 && std::uint64_t(size) > keepAtMost && ::ftruncate(fd_, off_t(keepAtMost)) != 0) {
    error_ = errno;
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

long long PosixFile::Read(void* into, std::size_t count) {
  // One logical read; the loop only covers the kernel's per-call cap and
  // interruptions by signals.
  auto* at = static_cast<unsigned char*>(into);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(fd_, at + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error_ = errno;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long long>(done);
}

long long PosixFile::ReadAt(void* into, std::size_t count, std::uint64_t offset) const {
  auto* at = static_cast<unsigned char*>(into);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd_, at + done, count - done, off_t(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -static_cast<long long>(errno);
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long long>(done);
}

long long PosixFile::ReadPiecesAt(iovec* pieces, int count, std::uint64_t offset) const {
  std::size_t done = 0;
  int first = 0;
  while (first < count) {
    const ssize_t got =
        ::preadv(fd_, pieces + first, std::min(count - first, IOV_MAX), off_t(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -static_cast<long long>(errno);
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
    // Past the pieces filled, and into the one filled in part.
    auto left = static_cast<std::size_t>(got);
    for (; first < count && left >= pieces[first].iov_len; ++first) left -= pieces[first].iov_len;
    if (left > 0) {
      pieces[first].iov_base = static_cast<unsigned char*>(pieces[first].iov_base) + left;
      pieces[first].iov_len -= left;
    }
  }
  return static_cast<long long>(done);
}

int PosixFile::WriteAt(const void* from, std::size_t count, std::uint64_t offset) const {
  const auto* at = static_cast<const unsigned char*>(from);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::pwrite(fd_, at + done, count - done, off_t(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return ENOSPC;
    done += static_cast<std::size_t>(put);
  }
  return 0;
}

void PosixFile::Block() const {
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

bool PosixFile::IsRegularFile() const {
  return RegularSize() >= 0;
}

bool PosixFile::SameFileAs(const std::string& path) const {
  struct stat open, named;
  return fd_ >= 0 && ::fstat(fd_, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

long long PosixFile::RegularSize() const {
  struct stat info;
  if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<long long>(info.st_size);
}

bool PosixFile::Write(const void* from, std::size_t count) {
  const auto* at = static_cast<const unsigned char*>(from);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::write(fd_, at + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      error_ = errno;
      return false;
    }
    if (put == 0) {
      error_ = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}

bool PosixFile::Close() {
  if (fd_ < 0) return true;
  const int result = ::close(fd_);
  fd_ = -1;
  if (result != 0 && errno != EINTR) {
    error_ = errno;
    return false;
  }
  return true;
}

std::string DescribeError(int error) {
  char buffer[256];
  // The GNU variant returns the text, which may or may not be `buffer`.
  return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace projconv
