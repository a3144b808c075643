#include "tests/support/temp_folder.h"

#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace projconv {

namespace test_support {

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/projconv-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed: " << std::strerror(errno);
    return;
  }
  path_ = pattern;
}

namespace {

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return ::remove(path);
}

}  // namespace

TempFolder::~TempFolder() {
  if (!path_.empty()) ::nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void TempFolder::WriteFile(const std::string& name, const Bytes& bytes) const {
  std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) ADD_FAILURE() << "could not write " << PathOf(name);
}

Bytes TempFolder::ReadFile(const std::string& name) const {
  std::ifstream in(PathOf(name), std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "could not read " << PathOf(name);
    return {};
  }
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempFolder::Exists(const std::string& name) const {
  struct stat info;
  return ::stat(PathOf(name).c_str(), &info) == 0;
}

void TempFolder::MakeFolder(const std::string& name) const {
  if (::mkdir(PathOf(name).c_str(), 0777) != 0)
    ADD_FAILURE() << "mkdir " << PathOf(name) << ": " << std::strerror(errno);
}

std::vector<std::string> TempFolder::List(const std::string& name) const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(PathOf(name), error))
    names.push_back(entry.path().filename().string());
  if (error) ADD_FAILURE() << "cannot list " << PathOf(name) << ": " << error.message();
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace test_support

}  // namespace projconv
