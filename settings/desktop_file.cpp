#include "settings/desktop_file.h"

#include <cstdlib>
#include <string_view>
#include <vector>

namespace projconv {

namespace {

constexpr char kFileName[] = "projconv.ini";

// `path` without empty and "." components, each ".." taking the one before
// it (at the root, nothing), and without a trailing slash.
std::string Tidied(std::string_view path) {
  const bool absolute = !path.empty() && path.front() == '/';
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..") {
        parts.pop_back();
      } else if (!absolute) {
        parts.push_back(part);
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string tidied = absolute ? "/" : "";
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k > 0) tidied += '/';
    tidied += parts[k];
  }
  return tidied.empty() ? "." : tidied;
}

// `name` in the folder `folder`, which loses one trailing slash.
std::string InFolder(std::string folder, const std::string& name) {
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + '/' + name;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home == nullptr || *home == '\0' ? "/" : Tidied(home);
}

}  // namespace

std::string DesktopSettingsFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return InFolder(config, kFileName);
  return InFolder(HomeFolder(), std::string(".config/") + kFileName);
}

}  // namespace projconv
