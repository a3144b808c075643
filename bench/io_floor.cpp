// The I/O floor of the whole-run benchmark: what a conversion costs at the
// least. For each input of a numbered sequence it read()s the file whole into
// one buffer and write()s an output file of the converted size from another,
// as a converter must, and converts nothing.
//
//   io_floor IN_FOLDER OUT_FOLDER COUNT OUT_BYTES
//
// Inputs are IN_FOLDER/raw.0000 ..., outputs OUT_FOLDER/out.0000 ...

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace projconv {

namespace {

std::string Numbered(const std::string& folder, const char* stem, long k) {
  char name[32];
  std::snprintf(name, sizeof name, "/%s.%04ld", stem, k);
  return folder + name;
}

bool ReadWhole(const std::string& path, std::vector<unsigned char>& buffer) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    ::close(fd);
    return false;
  }
  if (buffer.size() < std::size_t(info.st_size)) buffer.resize(std::size_t(info.st_size));
  std::size_t done = 0;
  while (done < std::size_t(info.st_size)) {
    const ssize_t got = ::read(fd, buffer.data() + done, std::size_t(info.st_size) - done);
    if (got <= 0) break;
    done += std::size_t(got);
  }
  ::close(fd);
  return done == std::size_t(info.st_size);
}

bool WriteWhole(const std::string& path, const std::vector<unsigned char>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) break;
    done += std::size_t(put);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  if (argc != 5) {
    std::fprintf(stderr, "usage: io_floor IN_FOLDER OUT_FOLDER COUNT OUT_BYTES\n");
    return 64;
  }
  const long count = std::atol(argv[3]);
  std::vector<unsigned char> input;
  const std::vector<unsigned char> output(std::size_t(std::atol(argv[4])), 1);
  for (long k = 0; k < count; ++k) {
    if (!ReadWhole(Numbered(argv[1], "raw", k), input) ||
        !WriteWhole(Numbered(argv[2], "out", k), output)) {
      std::fprintf(stderr, "io_floor: failed at file %ld\n", k);
      return 1;
    }
  }
  return 0;
}
