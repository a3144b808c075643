// Reading an input in pieces on several threads must deliver exactly what one
// read does: the same bytes, the same count, and for a file shorter than asked
// the same prefix with the rest of the area untouched.

#include "engine/internal/parallel_read.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

Bytes Pattern(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = std::uint8_t(seed >> 24);
  }
  return bytes;
}

struct Reading {
  long long got;
  Bytes area;
};

Reading Read(const std::string& path, std::size_t count, WorkerPool* pool) {
  PosixFile file;
  EXPECT_TRUE(file.OpenForReading(path));
  Reading r{0, Bytes(count + 64, 0xAB)};  // a tail the read must not touch
  r.got = ReadInPieces(file, r.area.data(), count, pool);
  return r;
}

TEST(ReadInPieces, DeliversWhatOneReadDoes) {
  TempFolder folder;
  WorkerPool pool(3);
  constexpr std::size_t kMiB = std::size_t(1) << 20;
  for (const std::size_t fileSize : {std::size_t(0), std::size_t(1000), 5 * kMiB + 17}) {
    const Bytes content = Pattern(fileSize, std::uint32_t(fileSize));
    folder.WriteFile("in", content);
    // Asking for less than the file, exactly the file, and more than it.
    for (const std::size_t count : {3 * kMiB + 1, fileSize, 6 * kMiB}) {
      const Reading pieces = Read(folder.PathOf("in"), count, &pool);
      const Reading whole = Read(folder.PathOf("in"), count, nullptr);
      EXPECT_EQ(pieces.got, whole.got) << fileSize << " " << count;
      EXPECT_EQ(pieces.area, whole.area) << fileSize << " " << count;
      EXPECT_EQ(pieces.got, static_cast<long long>(std::min(count, fileSize)));
    }
  }
}

TEST(ReadInPieces, ReadsAPipeAsAStream) {
  TempFolder folder;
  const std::string fifo = folder.PathOf("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Bytes content = Pattern(3 << 20, 5);
  // Held open for writing throughout, so that the reader's open finds a
  // writer (a FIFO without one reads as ended at once) and the writer's open
  // finds a reader.
  const int keeper = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(keeper, 0);
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    folder.WriteFile("fifo", content);
    ::_exit(0);
  }
  WorkerPool pool(3);
  PosixFile file;
  ASSERT_TRUE(file.OpenForReading(fifo));
  ::close(keeper);
  Bytes area(content.size());
  EXPECT_EQ(ReadInPieces(file, area.data(), area.size(), &pool), (long long)content.size());
  EXPECT_EQ(area, content);
  file.Close();
  int status = 0;
  ::waitpid(writer, &status, 0);
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
