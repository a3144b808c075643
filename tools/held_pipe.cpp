#include "tools/held_pipe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace projconv {

int HoldWithPipe(const std::string& path) {
  if (::mkfifo(path.c_str(), 0600) != 0) return -1;
  return ::open(path.c_str(), O_RDWR | O_CLOEXEC);
}

void LetThrough(int fd, const std::vector<char>& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote <= 0) break;
    done += std::size_t(wrote);
  }
  ::close(fd);
}

}  // namespace projconv
