#include "tests/support/child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace projconv {

namespace {

void WriteAllAndExit(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put <= 0) ::_exit(2);
    done += std::size_t(put);
  }
  ::_exit(0);
}

std::string ReadAll(int fd) {
  std::string text;
  char chunk[4096];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(chunk, std::size_t(got));
  }
  return text;
}

}  // namespace

std::string RunInChild(const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return std::string("pipe: ") + std::strerror(errno);
  const pid_t pid = ::fork();
  if (pid < 0) return std::string("fork: ") + std::strerror(errno);
  if (pid == 0) {
    ::close(fds[0]);
    WriteAllAndExit(fds[1], body());
  }
  ::close(fds[1]);
  std::string text = ReadAll(fds[0]);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    text += "\nchild ended with status " + std::to_string(status);
  }
  return text;
}

}  // namespace projconv
