#include "probe/file_bytes.h"

#include <algorithm>
#include <cstring>

namespace projconv {

namespace {

constexpr std::uint64_t kBlockBytes = 64 * 1024;
// Far more than a probe reads; past it, blocks are read again rather than kept.
constexpr std::size_t kMaxKeptBlocks = 1024;

}  // namespace

bool FileBytes::Open(const std::string& path) {
  if (!file_.OpenForReading(path)) {
    problem_ = DescribeError(file_.error());
    return false;
  }
  // A FIFO or a device has no size to reason from, and reading it would
  // consume what it delivers.
  const long long size = file_.RegularSize();
  if (size < 0) {
    problem_ = "not a regular file";
    return false;
  }
  size_ = std::uint64_t(size);
  return true;
}

const std::vector<unsigned char>* FileBytes::Block(std::uint64_t index) const {
  if (const auto kept = blocks_.find(index); kept != blocks_.end()) return &kept->second;
  const std::uint64_t start = index * kBlockBytes;
  std::vector<unsigned char> block(std::min(kBlockBytes, size_ - start));
  const long long got = file_.ReadAt(block.data(), block.size(), start);
  if (got != static_cast<long long>(block.size())) {
    problem_ = got < 0 ? DescribeError(int(-got)) : "the file became shorter while it was read";
    return nullptr;
  }
  if (blocks_.size() >= kMaxKeptBlocks) blocks_.clear();
  return &blocks_.emplace(index, std::move(block)).first->second;
}

bool FileBytes::CopyAt(std::uint64_t offset, std::span<unsigned char> into) const {
  if (offset > size_ || into.size() > size_ - offset) return false;
  std::size_t done = 0;
  while (done < into.size()) {
    const std::uint64_t at = offset + done;
    const std::vector<unsigned char>* block = Block(at / kBlockBytes);
    if (block == nullptr) return false;
    const std::size_t from = std::size_t(at % kBlockBytes);
    const std::size_t count = std::min(into.size() - done, block->size() - from);
    std::memcpy(into.data() + done, block->data() + from, count);
    done += count;
  }
  return true;
}

}  // namespace projconv
