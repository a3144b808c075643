#include "engine/memory_budget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace projconv {

namespace {

constexpr std::uint64_t kMiB = std::uint64_t(1) << 20;
constexpr std::uint64_t kBeyondAnyMachine = std::uint64_t(1) << 63;

// Room the address-space limit must still leave for what a batch maps
// beside its buffers: thread stacks, the output file's pages, libraries.
constexpr std::uint64_t kAddressSpaceMargin = 256 * kMiB;

// The bytes of address space the process has mapped, from /proc; 0 when
// that cannot be read.
std::uint64_t MappedBytes() {
  std::ifstream statm("/proc/self/statm");
  std::uint64_t pages = 0;
  if (!(statm >> pages)) return 0;
  return pages * std::uint64_t(::sysconf(_SC_PAGESIZE));
}

}  // namespace

std::uint64_t BatchBufferBytes(const ConversionParameters& p) {
  // Each factor is below 2^31, so every product below stays under 2^63.
  const std::uint64_t n = std::uint64_t(p.inSizeX) * std::uint64_t(p.inSizeY);
  const std::uint64_t out = std::uint64_t(p.outSizeX) * std::uint64_t(p.outSizeY);
  const std::uint64_t in = std::uint64_t(p.headerLen) + 5 * n;
  if (in > kBeyondAnyMachine / 8 || out > kBeyondAnyMachine / 8) return kBeyondAnyMachine;
  return 6 * in + 2 * out;
}

std::uint64_t MemoryForBatches() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  std::uint64_t available = kBeyondAnyMachine;
  if (pages > 0 && pageSize > 0) available = std::uint64_t(pages) / 4 * 3 * std::uint64_t(pageSize);
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const std::uint64_t taken = MappedBytes() + kAddressSpaceMargin;
    const std::uint64_t cap = std::uint64_t(limit.rlim_cur);
    available = std::min(available, cap > taken ? cap - taken : 0);
  }
  return available;
}

std::optional<Refusal> CheckMemory(const ConversionParameters& p, std::uint64_t available) {
  const std::uint64_t needed = BatchBufferBytes(p);
  if (needed <= available) return std::nullopt;
  const auto mib = [](std::uint64_t bytes) { return std::to_string((bytes + kMiB - 1) / kMiB); };
  return Refusal{RefusalKind::Memory, "Memory allocation problem: images of these sizes need " +
                                          mib(needed) + " MiB, more than the " +
                                          std::to_string(available / kMiB) +
                                          " MiB a conversion may take here"};
}

}  // namespace projconv
