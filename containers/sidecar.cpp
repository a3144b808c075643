#include "containers/sidecar.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <type_traits>

#include "containers/correction_record.h"
#include "containers/output_formats.h"
#include "engine/name_pattern.h"
#include "engine/parameter_table.h"

namespace projconv {

namespace {

using nlohmann::ordered_json;

// Named as the HDF5 output names its attributes, and the stored numbers of
// the three choices kept as numbers, as the settings file keeps them, so that
// one reader serves both.
ordered_json ParametersJson(const ConversionParameters& p) {
  ordered_json json = ordered_json::object();
  ForEachNamedValue(p, [&json](const char* name, const auto& value) {
    using T = std::remove_cvref_t<decltype(value)>;
    if constexpr (std::is_same_v<T, float>) {
      json[name] = static_cast<double>(value);  // exactly: narrowed to float32, the bits come back
    } else {
      json[name] = value;
    }
  });
  return json;
}

// Named as the HDF5 output names its attributes (containers/correction_record.h).
ordered_json CorrectionJson(const CorrectionParameters& c) {
  ordered_json json = ordered_json::object();
  ForEachCorrectionValue(c, [&json](const char* name, const auto& value) { json[name] = value; });
  return json;
}

std::string RecordJson(const BatchRecord& r) {
  ordered_json output = {{"type", std::string(OutputTypeName(r.output.type))}};
  if (IsSingleFile(r.output.type)) output["file"] = r.output.file;
  ordered_json record = {
      {"program", "projconv"},
      {"version", r.version},
      {"parameters", ParametersJson(r.parameters)},
      {"output", output},
      {"files_written", r.result.filesWritten},
      {"files_kept", r.result.filesKept},
      {"first_output_number", r.span.outStart + r.span.skip},
      // The normal end of a sequence is its first missing input.
      {"end", BatchEndName(r.result.end)},
      {"ended_at", r.result.fileName},
      // Why that file failed, in the system's words; empty for a normal end.
      {"reason", r.result.reason},
      {"samples_wrapped", r.result.samplesWrapped},
  };
  if (r.correction.Enabled()) record["correction"] = CorrectionJson(r.correction);
  // Names that are not UTF-8 are kept readable rather than refused: the
  // record matters more than a byte of a name.
  return record.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

// The output files as seen from the header's folder: a header moved together
// with its images keeps finding them.
std::filesystem::path DataFolderFromHeader(const BatchRecord& r) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path header = fs::absolute(fs::path(r.output.sidecar), error).lexically_normal();
  const fs::path data = fs::absolute(fs::path(r.parameters.outFolder), error).lexically_normal();
  const fs::path relative = data.lexically_relative(header.parent_path());
  return relative.empty() ? data : relative;
}

// The numbered form's pattern is printf's: a `%` of the folder is doubled so
// that it names itself, while the output pattern already is one.
std::string DataPattern(const std::filesystem::path& folder, const std::string& outFormat) {
  std::string escaped;
  for (const char c : folder.generic_string()) escaped += c == '%' ? "%%" : std::string(1, c);
  return (std::filesystem::path(escaped) / outFormat).generic_string();
}

// A header is read line by line, so no line break of a name can be in it.
bool HeaderCanName(const BatchRecord& r) {
  const std::string path = (DataFolderFromHeader(r) / r.parameters.outFormat).generic_string();
  return path.find_first_of("\n\r") == std::string::npos;
}

// A MetaImage header over the numbered raw files: one 3-D image of 16-bit
// two's-complement samples in little-endian order, one file per slice.
std::string MetaImageHeader(const BatchRecord& r) {
  // Kept files are part of the sequence as much as written ones.
  const std::int64_t images = r.result.filesWritten + r.result.filesKept;
  const std::int64_t first = r.span.outStart + r.span.skip;
  std::string text =
      "ObjectType = Image\nNDims = 3\nBinaryData = True\n"
      "BinaryDataByteOrderMSB = False\nCompressedData = False\n";
  text += "DimSize = " + std::to_string(r.parameters.outSizeX) + " " +
          std::to_string(r.parameters.outSizeY) + " " + std::to_string(images) + "\n";
  text += "ElementType = MET_SHORT\n";
  const std::filesystem::path folder = DataFolderFromHeader(r);
  const std::string pattern = DataPattern(folder, r.parameters.outFormat);
  // The numbered form splits at spaces; a name with one in it is listed
  // file by file instead, which readers take line by line.
  if (pattern.find_first_of(" \t") == std::string::npos) {
    text += "ElementDataFile = " + pattern + " " + std::to_string(first) + " " +
            std::to_string(first + images - 1) + " 1\n";
    return text;
  }
  text += "ElementDataFile = LIST\n";
  const std::optional<NamePattern> names = NamePattern::Parse(r.parameters.outFormat);
  for (std::int64_t k = first; names && k < first + images; ++k) {
    text += (folder / names->Format(static_cast<std::int32_t>(k))).generic_string() + "\n";
  }
  return text;
}

std::optional<std::string> WriteText(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return path + " could not be written (" + std::strerror(errno) + ")";
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return std::nullopt;
  return path + " could not be written (" + std::strerror(written ? errno : writeError) + ")";
}

}  // namespace

SidecarOutcome WriteSidecar(const BatchRecord& record) {
  const std::string& stem = record.output.sidecar;
  if (stem.empty()) return {};
  if (auto failed = WriteText(stem + ".json", RecordJson(record))) return {*failed, {}};
  if (!WritesRawFiles(record.output.type)) return {};
  if (!HeaderCanName(record)) {
    return {{},
            stem +
                ".mhd is not written: a MetaImage header cannot name files whose folder or "
                "name holds a line break; " +
                stem + ".json describes the batch"};
  }
  if (auto failed = WriteText(stem + ".mhd", MetaImageHeader(record))) return {*failed, {}};
  return {};
}

}  // namespace projconv
