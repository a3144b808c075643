#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace projconv {

// A fresh, not yet existing folder for one test, removed afterwards.
class SampleFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            ("projconv-sample-" + std::to_string(::getpid()) + "-" + info->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    dir_ = root_ / "seq";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::filesystem::path root_;
  std::filesystem::path dir_;
};

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// key=value lines of an INI file by section; a repeated key is recorded with
// a "#duplicate" suffix so that a test can see it.
using IniSections = std::map<std::string, std::map<std::string, std::string>>;

inline IniSections ReadIni(const std::filesystem::path& path) {
  IniSections sections;
  std::ifstream file(path);
  std::string line, section;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      sections[section];
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
      sections[section]["#malformed"] = line;
      continue;
    }
    const std::string key = line.substr(0, eq);
    auto& keys = sections[section];
    keys[keys.count(key) ? key + "#duplicate" : key] = line.substr(eq + 1);
  }
  return sections;
}

}  // namespace projconv
