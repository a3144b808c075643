#include "sample/write_sample.h"

#include <fstream>
#include <string>
#include <system_error>
#include <utility>

#include "sample/phantom.h"
#include "sample/projection_file.h"
#include "sample/sample_layout.h"
#include "sample/sample_settings.h"

namespace projconv {

namespace fs = std::filesystem;

namespace sample {

namespace {

SampleResult Failure(std::string error) {
  return SampleResult{false, std::move(error), {}};
}

// Appended piece by piece: GCC 12 sees a false overlap in "\"" + string at -O3.
std::string Quoted(const fs::path& path) {
  std::string quoted(1, '"');
  quoted += path.string();
  quoted += '"';
  return quoted;
}

// Writes `bytes` as the whole of a new file; an empty string when done.
std::string WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (file) file.close();
  if (!file) return "cannot write " + Quoted(path);
  return {};
}

// The folder as an absolute path, created if absent; an error when it cannot
// be, when something other than a folder stands there, or when it holds files.
std::string PrepareFolder(const fs::path& folder, fs::path& absolute) {
  std::error_code ec;
  absolute = fs::absolute(folder, ec).lexically_normal();
  if (ec) return "cannot resolve " + Quoted(folder) + ": " + ec.message();
  if (!absolute.has_filename() && absolute.has_parent_path() && absolute != "/")
    absolute = absolute.parent_path();  // drop the empty name a trailing '/' leaves
  const std::string problem = SettingsValueProblem(absolute.string());
  if (!problem.empty()) return Quoted(absolute) + " cannot stand in the settings file: " + problem;

  const fs::file_status status = fs::status(absolute, ec);
  if (ec && status.type() != fs::file_type::not_found)
    return "cannot reach " + Quoted(absolute) + ": " + ec.message();
  if (fs::exists(status) && !fs::is_directory(status))
    return Quoted(absolute) + " exists and is not a folder";
  if (fs::is_directory(status)) {
    const bool empty = fs::is_empty(absolute, ec);
    if (ec) return "cannot read " + Quoted(absolute) + ": " + ec.message();
    if (!empty) return Quoted(absolute) + " is not empty: give a new or empty folder";
  }
  fs::create_directories(absolute / kOutFolder, ec);
  if (ec) return "cannot create " + Quoted(absolute / kOutFolder) + ": " + ec.message();
  return {};
}

}  // namespace

SampleResult WriteSample(const fs::path& folder) {
  fs::path dir;
  if (std::string error = PrepareFolder(folder, dir); !error.empty()) return Failure(error);

  for (int index = 0; index < kProjections; ++index) {
    const double angle = index * kStepDegrees;
    const std::string bytes =
        EncodeProjection(ProjectionHeader(index, angle), RenderProjection(angle));
    if (std::string error = WriteFile(dir / ProjectionName(index), bytes); !error.empty())
      return Failure(error);
  }

  const fs::path settings = dir / kSettingsName;
  const std::string text = SettingsText(dir.string(), (dir / kOutFolder).string());
  if (std::string error = WriteFile(settings, text); !error.empty()) return Failure(error);
  return SampleResult{true, {}, settings};
}

}  // namespace sample

}  // namespace projconv
