#include "containers/tiff_chain.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace projconv {

namespace {

// The little-endian layouts this program writes: offsets of 4 bytes and
// 12-byte entries in a classic TIFF, 8 and 20 in a BigTIFF.
struct Layout {
  int offsetBytes;
  int countBytes;
  int entryBytes;
};

constexpr Layout kClassic{4, 2, 12};
constexpr Layout kBig{8, 8, 20};

std::uint64_t Little(const std::uint8_t* bytes, int count) {
  std::uint64_t value = 0;
  for (int k = count - 1; k >= 0; --k) value = value << 8 | bytes[k];
  return value;
}

bool ReadAt(int fd, std::uint64_t at, void* into, std::size_t bytes) {
  return ::pread(fd, into, bytes, off_t(at)) == static_cast<ssize_t>(bytes);
}

// Bytes each value of a field type takes; 0 for a type this check does not know.
std::uint64_t TypeBytes(std::uint64_t type) {
  static constexpr std::uint8_t kBytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4,
                                            8, 4, 8, 4, 0, 0, 8, 8, 8};
  return type < sizeof kBytes ? kBytes[type] : 0;
}

// Whether the directory at `at` lies whole inside the file, its fields in
// ascending order and their values too; the offset to the next directory is
// left in `next`, and where it is stored in `nextAt`.
bool WholeDirectory(int fd, const Layout& layout, std::uint64_t at, std::uint64_t size,
                    std::uint64_t& next, std::uint64_t& nextAt) {
  std::uint8_t countBytes[8];
  if (at < 8 || at + layout.countBytes > size || !ReadAt(fd, at, countBytes, layout.countBytes)) {
    return false;
  }
  const std::uint64_t count = Little(countBytes, layout.countBytes);
  if (count == 0 || count > 4096) return false;
  nextAt = at + layout.countBytes + count * layout.entryBytes;
  if (nextAt + layout.offsetBytes > size) return false;
  std::vector<std::uint8_t> entries(count * layout.entryBytes + layout.offsetBytes);
  if (!ReadAt(fd, at + layout.countBytes, entries.data(), entries.size())) return false;
  std::uint64_t lastTag = 0;
  for (std::uint64_t k = 0; k < count; ++k) {
    const std::uint8_t* entry = entries.data() + k * layout.entryBytes;
    const std::uint64_t tag = Little(entry, 2);
    const std::uint64_t values = Little(entry + 4, layout.offsetBytes);
    const std::uint64_t valueBytes = TypeBytes(Little(entry + 2, 2)) * values;
    const std::uint64_t valueAt = Little(entry + 4 + layout.offsetBytes, layout.offsetBytes);
    if (tag <= lastTag || values > size || valueBytes == 0) return false;
    if (valueBytes > std::uint64_t(layout.offsetBytes) && valueAt + valueBytes > size) return false;
    lastTag = tag;
  }
  next = Little(entries.data() + count * layout.entryBytes, layout.offsetBytes);
  return true;
}

}  // namespace

bool EndTiffAfterWholePages(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  std::uint8_t header[16] = {};
  bool ended =
      ::fstat(fd, &info) == 0 && ReadAt(fd, 0, header, 8) && header[0] == 'I' && header[1] == 'I';
  const std::uint64_t magic = Little(header + 2, 2);
  ended = ended && (magic == 42 || (magic == 43 && ReadAt(fd, 8, header + 8, 8)));
  if (ended) {
    const Layout& layout = magic == 42 ? kClassic : kBig;
    std::uint64_t pointerAt = magic == 42 ? 4 : 8;  // where the offset to the next directory is
    std::uint64_t at = Little(header + pointerAt, layout.offsetBytes);
    std::uint64_t next = 0, nextAt = 0;
    while (at != 0 && WholeDirectory(fd, layout, at, std::uint64_t(info.st_size), next, nextAt)) {
      pointerAt = nextAt;
      // Every directory this program writes comes after the one before
      // it: one that points back would send a reader round in a loop.
      const bool forward = next > at;
      at = next;
      if (!forward) break;
    }
    if (at != 0) {
      const std::uint8_t zero[8] = {};
      ended = ::pwrite(fd, zero, layout.offsetBytes, off_t(pointerAt)) == layout.offsetBytes;
    }
  }
  return ::close(fd) == 0 && ended;
}

}  // namespace projconv
