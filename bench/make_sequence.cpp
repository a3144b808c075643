// Writes a numbered sequence of raw 16-bit projections for the whole-run
// benchmark: signed little-endian samples, no header, the same bytes on every
// run and machine (a fixed xorshift generator, one seed per file).
//
//   make_sequence FOLDER WIDTH HEIGHT COUNT
//
// Files are named raw.0000, raw.0001, ... An existing file of the right size
// is kept, so a second run costs nothing.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace projconv {

namespace {

bool WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
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

// A smooth picture with noise on it, like a projection, so that the
// conversion's values are neither all alike nor plain noise.
void Fill(std::vector<unsigned char>& bytes, long width, long height, std::uint32_t seed) {
  std::uint32_t state = seed * 2654435761u + 1u;
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      const long smooth = ((x * 7 + y * 3 + long(seed) * 101) % 20000) - 10000;
      const auto v = static_cast<std::uint16_t>(smooth + long(state % 512));
      const std::size_t at = 2 * std::size_t(y * width + x);
      bytes[at] = static_cast<unsigned char>(v & 0xFF);
      bytes[at + 1] = static_cast<unsigned char>(v >> 8);
    }
  }
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_sequence FOLDER WIDTH HEIGHT COUNT\n");
    return 64;
  }
  const std::string folder = argv[1];
  const long width = std::atol(argv[2]), height = std::atol(argv[3]), count = std::atol(argv[4]);
  if (width <= 0 || height <= 0 || count <= 0) {
    std::fprintf(stderr, "make_sequence: sizes and count must be positive\n");
    return 64;
  }
  ::mkdir(folder.c_str(), 0755);
  std::vector<unsigned char> bytes(2 * std::size_t(width) * std::size_t(height));
  for (long k = 0; k < count; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "/raw.%04ld", k);
    const std::string path = folder + name;
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && std::size_t(info.st_size) == bytes.size()) continue;
    Fill(bytes, width, height, std::uint32_t(k));
    if (!WriteAll(path, bytes)) {
      std::fprintf(stderr, "make_sequence: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
