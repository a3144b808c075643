#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace projconv {

// The few file operations a batch needs, over POSIX descriptors. Each result
// carries errno so the caller can tell a missing file from a failing one.
class PosixFile {
 public:
  PosixFile() = default;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  ~PosixFile();

  // Opens an existing file for reading. False (with error()) when it cannot.
  bool OpenForReading(const std::string& path);
  // Creates the file, or opens it to be written over in place, cutting a
  // regular file longer than `keepAtMost` bytes down to that length (other
  // kinds of file are left as they are).
  bool OpenForWriting(const std::string& path, std::uint64_t keepAtMost);

  // Reads up to `count` bytes, stopping early only at the end of the file.
  // Returns the bytes delivered, or -1 on an error.
  long long Read(void* into, std::size_t count);

  // Reads up to `count` bytes from `offset` as Read does, leaving the file
  // position and error() alone: the bytes delivered, or -errno. Several
  // threads may call it at once.
  long long ReadAt(void* into, std::size_t count, std::uint64_t offset) const;
  // Reads consecutive bytes from `offset` into the pieces in turn, as ReadAt
  // does: the bytes delivered, or -errno. Consumes `pieces` (each is moved
  // past what it received). Several threads may call it at once.
  long long ReadPiecesAt(iovec* pieces, int count, std::uint64_t offset) const;
  // Writes all `count` bytes at `offset`, leaving the file position and
  // error() alone: 0, or the errno of the failure. Several threads may call
  // it at once.
  int WriteAt(const void* from, std::size_t count, std::uint64_t offset) const;
  // Whether the open file is a regular file, which ReadAt and WriteAt can use.
  bool IsRegularFile() const;
  // Whether `path` names the open file itself (through any link).
  bool SameFileAs(const std::string& path) const;
  // The length of the open regular file; -1 for anything else.
  long long RegularSize() const;
  void NoteError(int error) { error_ = error; }

  // Writes all `count` bytes. False on an error or a short write (disk full,
  // file size limit); error() then tells which.
  bool Write(const void* from, std::size_t count);

  // Closes the file; false if the system reports a failure (a delayed write
  // error). Safe to call when nothing is open.
  bool Close();

  int error() const { return error_; }  // errno of the last failure, 0 if none
  // The open file's descriptor, -1 when none is open: for asking the system
  // about the file (fstat) in ways this class does not cover.
  int descriptor() const { return fd_; }

 private:
  void Block() const;  // reads and writes wait again, once open

  int fd_ = -1;
  int error_ = 0;
};

// A short reason for an errno value, for messages ("No space left on device").
std::string DescribeError(int error);

}  // namespace projconv
