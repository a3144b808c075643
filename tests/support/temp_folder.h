#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace projconv {

namespace test_support {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder made with mkdtemp under $TMPDIR (or /tmp), removed with its
// contents at the end. Failures to write, read or list are test failures.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "/" + name; }

  void WriteFile(const std::string& name, const Bytes& bytes) const;
  Bytes ReadFile(const std::string& name) const;  // empty, with a test failure, if missing
  bool Exists(const std::string& name) const;
  void MakeFolder(const std::string& name) const;
  std::vector<std::string> List(const std::string& name) const;  // sorted entry names

 private:
  std::string path_;
};

}  // namespace test_support

}  // namespace projconv
