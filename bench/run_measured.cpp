// Runs a command and prints its wall time in seconds and its peak resident
// memory in KiB, as "seconds maxrss_kib exit_status", on standard output.
//
//   run_measured COMMAND [ARGUMENTS...]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: run_measured COMMAND [ARGUMENTS...]\n");
    return 64;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) return 1;
  if (child == 0) {
    ::execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(child, &status, 0, &usage) < 0) return 1;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("%.4f %ld %d\n", seconds, usage.ru_maxrss, code);
  return 0;
}
