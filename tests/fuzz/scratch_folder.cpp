#include "tests/fuzz/scratch_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace projconv {

namespace fuzz {
namespace {

std::string TemporaryBase() {
  struct stat info;
  if (::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && ::access("/dev/shm", W_OK) == 0)
    return "/dev/shm";
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

}  // namespace

ScratchFolder::ScratchFolder() {
  std::string pattern = TemporaryBase() + "/projconv-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("projconv fuzz: mkdtemp");
    std::abort();
  }
  root_ = pattern;
  in_ = root_ + "/in";
  out_ = root_ + "/out";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void ScratchFolder::Reset() const {
  for (const std::string* folder : {&in_, &out_}) {
    std::error_code error;
    std::filesystem::remove_all(*folder, error);
    if (error || !std::filesystem::create_directory(*folder, error)) {
      std::fprintf(stderr, "projconv fuzz: cannot make %s: %s\n", folder->c_str(),
                   error.message().c_str());
      std::abort();
    }
  }
}

std::vector<Entry> ListFolder(const std::string& folder) {
  std::vector<Entry> entries;
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = item.path().filename().string();
    entries.push_back({name, FileSize(item.path().string())});
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

std::int64_t FileSize(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return info.st_size;
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace fuzz

}  // namespace projconv
