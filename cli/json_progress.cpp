#include "cli/json_progress.h"

#include <nlohmann/json.hpp>

namespace projconv {

namespace {

using nlohmann::ordered_json;

// One line each: a reader splits the stream at newlines, so a name holding
// one is escaped by the JSON, and bytes that are not UTF-8 are replaced
// rather than breaking the line.
std::string Line(const ordered_json& object) {
  return object.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

}  // namespace

std::string FileDoneJson(const FileDone& file, std::int64_t filesDone, double seconds) {
  return Line({
      {"event", "file"},
      {"output_number", file.outputNumber},
      {"input", file.inputName},
      // Where the image is: its own file, or its place in the one file.
      {"output", file.container.empty() ? file.outputName : file.container},
      {"index", file.containerIndex >= 0 ? ordered_json(file.containerIndex) : ordered_json()},
      {"kept", file.kept},
      {"images_per_second", seconds > 0 ? double(filesDone) / seconds : 0.0},
  });
}

std::string EndJson(const BatchResult& result, int exitStatus) {
  return Line({
      {"event", "end"},
      {"end", BatchEndName(result.end)},
      {"reason", result.reason},
      {"files_written", result.filesWritten},
      {"files_kept", result.filesKept},
      {"samples_wrapped", result.samplesWrapped},
      {"exit_status", exitStatus},
  });
}

}  // namespace projconv
