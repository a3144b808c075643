#pragma once

#include <cstddef>
#include <string>

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
  // Creates the file, or truncates it to length 0, for writing.
  bool OpenForWriting(const std::string& path);

  // Reads up to `count` bytes, stopping early only at the end of the file.
  // Returns the bytes delivered, or -1 on an error.
  long long Read(void* into, std::size_t count);

  // Writes all `count` bytes. False on an error or a short write (disk full,
  // file size limit); error() then tells which.
  bool Write(const void* from, std::size_t count);

  // Closes the file; false if the system reports a failure (a delayed write
  // error). Safe to call when nothing is open.
  bool Close();

  int error() const { return error_; }  // errno of the last failure, 0 if none

 private:
  int fd_ = -1;
  int error_ = 0;
};

// A short reason for an errno value, for messages ("No space left on device").
std::string DescribeError(int error);
