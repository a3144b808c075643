#include "engine/flat_field.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "engine/internal/batch_messages.h"
#include "engine/internal/frame_combining.h"
#include "engine/internal/worker_pool.h"
#include "engine/name_pattern.h"
#include "engine/posix_file.h"

namespace projconv {

namespace {

// More files than this are taken for a runaway pattern rather than a scan's
// flats: the last number would have wrapped long before.
constexpr std::int64_t kMostReferenceFiles = 1 << 20;

Refusal FlatRefusal(std::string message) {
  return Refusal{RefusalKind::FlatField, std::move(message)};
}

std::string FullName(const std::string& inFolder, const std::string& name) {
  return !name.empty() && name[0] == '/' ? name : JoinPath(inFolder, name);
}

// Why `name` cannot be a flat or dark of `length` bytes or more; empty
// when it can.
std::string FileProblem(const std::string& kind, const std::string& name, std::uint64_t length) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) {
    return "The " + kind + " file " + name + " can not be opened (" +
           FileFailureReason(errno, false) + ")";
  }
  if (!S_ISREG(info.st_mode)) return "The " + kind + " file " + name + " is not a file";
  if (std::uint64_t(info.st_size) < length) {
    return "The " + kind + " file " + name + " holds " + std::to_string(info.st_size) +
           " bytes, a whole input needs " + std::to_string(length);
  }
  return {};
}

// Frames in files, each read at the header's end plus the band's offset.
class FileFrames final : public FrameSource {
 public:
  FileFrames(const std::vector<std::string>& names, std::uint64_t header, std::int64_t sampleBytes)
      : names_(names), files_(names.size()), header_(header), sampleBytes_(sampleBytes) {}

  bool Open() {
    for (std::size_t f = 0; f < names_.size(); ++f) {
      if (!files_[f].OpenForReading(names_[f])) return Failed(std::int64_t(f));
    }
    return true;
  }
  std::int64_t frames() const override { return std::int64_t(names_.size()); }
  bool Read(std::int64_t frame, std::int64_t first, std::int64_t count,
            unsigned char* to) override {
    const std::size_t bytes = std::size_t(count * sampleBytes_);
    const long long got =
        files_[std::size_t(frame)].ReadAt(to, bytes, header_ + std::uint64_t(first * sampleBytes_));
    return got == static_cast<long long>(bytes) || Failed(frame);
  }
  std::string Reason() const override { return reason_; }

 private:
  bool Failed(std::int64_t frame) {
    const int error = files_[std::size_t(frame)].error();
    reason_ = names_[std::size_t(frame)] + " can not be read (" +
              (error != 0 ? FileFailureReason(error, false) : "it was shortened") + ")";
    return false;
  }

  const std::vector<std::string>& names_;
  std::vector<PosixFile> files_;
  std::uint64_t header_;
  std::int64_t sampleBytes_;
  std::string reason_;
};

// Frames held in memory, whole files with their headers.
class MemoryFrames final : public FrameSource {
 public:
  MemoryFrames(std::span<const std::span<const unsigned char>> files, std::uint64_t header,
               std::int64_t sampleBytes)
      : files_(files), header_(header), sampleBytes_(sampleBytes) {}
  std::int64_t frames() const override { return std::int64_t(files_.size()); }
  bool Read(std::int64_t frame, std::int64_t first, std::int64_t count,
            unsigned char* to) override {
    std::memcpy(to, files_[std::size_t(frame)].data() + header_ + first * sampleBytes_,
                std::size_t(count * sampleBytes_));
    return true;
  }

 private:
  std::span<const std::span<const unsigned char>> files_;
  std::uint64_t header_;
  std::int64_t sampleBytes_;
};

// F - D raised to 1e-6 where below it; NaN stays NaN, as it compares false.
void MakeDenominator(std::vector<double>& flat, const std::vector<double>& dark) {
  for (std::size_t k = 0; k < flat.size(); ++k) {
    double den = flat[k] - (dark.empty() ? 0.0 : dark[k]);
    if (den < 1e-6) den = 1e-6;
    flat[k] = den;
  }
}

// Combines the frames of both kinds into `field`; a refusal when a read
// failed or the memory could not be had.
std::optional<Refusal> Combine(const ConversionParameters& layout,
                               const CorrectionParameters& correction, FrameSource& flats,
                               FrameSource* darks, FlatField& field, int threads) {
  try {
    WorkerPool& pool = ProcessWorkers(threads > 0 ? threads : UsableProcessors());
    const int workers = pool.workers();
    field = FlatField{};
    if (darks != nullptr &&
        !CombineFrames(layout, correction.combine, *darks, pool, workers, field.dark)) {
      return FlatRefusal("The dark file " + darks->Reason());
    }
    if (!CombineFrames(layout, correction.combine, flats, pool, workers, field.denominator)) {
      return FlatRefusal("The flat file " + flats.Reason());
    }
    MakeDenominator(field.denominator, field.dark);
    field.mode = correction.mode;
    field.scale = CorrectionScale(correction);
    field.flats = flats.frames();
    field.darks = darks != nullptr ? darks->frames() : 0;
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    field = FlatField{};
    return Refusal{RefusalKind::Memory, "Memory allocation problem"};
  }
}

}  // namespace

const char* CombiningName(Combining combining) {
  return combining == Combining::Median ? "median" : "mean";
}

const char* CorrectionModeName(CorrectionMode mode) {
  return mode == CorrectionMode::Attenuation ? "attenuation" : "transmission";
}

std::optional<Combining> CombiningNamed(const std::string& name) {
  if (name == "mean") return Combining::Mean;
  if (name == "median") return Combining::Median;
  return std::nullopt;
}

std::optional<CorrectionMode> CorrectionModeNamed(const std::string& name) {
  if (name == "transmission") return CorrectionMode::Transmission;
  if (name == "attenuation") return CorrectionMode::Attenuation;
  return std::nullopt;
}

double CorrectionScale(const CorrectionParameters& correction) {
  if (correction.scale) return *correction.scale;
  return correction.mode == CorrectionMode::Attenuation ? 1000.0 : 10000.0;
}

namespace {

// The checks that do not depend on where the frames come from.
std::optional<Refusal> CheckCorrectionValues(const CorrectionParameters& c) {
  if (c.scale && !std::isfinite(*c.scale))
    return FlatRefusal("The correction scale must be a finite number");
  if (c.combine != Combining::Mean && c.combine != Combining::Median)
    return FlatRefusal("The combining of flats and darks is neither mean nor median");
  if (c.mode != CorrectionMode::Transmission && c.mode != CorrectionMode::Attenuation)
    return FlatRefusal("The correction is neither transmission nor attenuation");
  return std::nullopt;
}

}  // namespace

std::optional<Refusal> CheckCorrection(const CorrectionParameters& c) {
  if (!c.dark.pattern.empty() && c.flat.pattern.empty())
    return FlatRefusal("A dark field needs a flat field to correct with");
  for (const ReferenceFiles* files : {&c.flat, &c.dark}) {
    if (!files->pattern.empty() && (files->count == 0 || files->count < -1)) {
      return FlatRefusal(std::string(files == &c.flat ? "The flat" : "The dark") +
                         " file count must be at least 1");
    }
  }
  return CheckCorrectionValues(c);
}

std::optional<Refusal> ReferenceFileNames(const ReferenceFiles& files, const std::string& inFolder,
                                          std::vector<std::string>& names) {
  names.clear();
  if (files.pattern.empty()) return std::nullopt;  // none of this kind
  const std::optional<NamePattern> pattern = NamePattern::Parse(files.pattern);
  if (!pattern) {
    if (files.pattern.find('%') != std::string::npos) {
      return FlatRefusal("The name " + files.pattern +
                         " is neither a plain file name nor a pattern with one integer field");
    }
    names.push_back(FullName(inFolder, files.pattern));
    return std::nullopt;
  }
  const std::int64_t most = files.count > 0 ? files.count : kMostReferenceFiles;
  for (std::int64_t k = 0; k < most; ++k) {
    const std::int64_t number = std::int64_t{files.first} + k;
    if (number > INT32_MAX) break;
    const std::string name = FullName(inFolder, pattern->Format(std::int32_t(number)));
    struct stat info {};
    // Every file asked for must be there; without a count, the first
    // missing one ends the list.
    if (files.count < 0 && k > 0 && ::stat(name.c_str(), &info) != 0 && errno == ENOENT) break;
    names.push_back(name);
  }
  return std::nullopt;
}

std::optional<Refusal> LoadFlatField(const ConversionParameters& layout,
                                     const CorrectionParameters& correction, FlatField& field,
                                     int threads) {
  if (auto refusal = CheckCorrection(correction)) return refusal;
  const std::optional<std::uint64_t> length = InputReadLength(layout);
  if (!length) return CheckInputLayout(layout);
  std::vector<std::string> flatNames, darkNames;
  if (auto refusal = ReferenceFileNames(correction.flat, layout.inFolder, flatNames))
    return refusal;
  if (auto refusal = ReferenceFileNames(correction.dark, layout.inFolder, darkNames))
    return refusal;
  for (const auto& [kind, names] : {std::pair{"flat", &flatNames}, std::pair{"dark", &darkNames}}) {
    for (const std::string& name : *names) {
      if (std::string problem = FileProblem(kind, name, *length); !problem.empty())
        return FlatRefusal(problem);
    }
  }
  const std::int64_t sampleBytes = layout.sampleType == SampleType::Integer16 ? 2 : 4;
  FileFrames flats(flatNames, std::uint64_t(layout.headerLen), sampleBytes);
  FileFrames darks(darkNames, std::uint64_t(layout.headerLen), sampleBytes);
  if (!flats.Open()) return FlatRefusal("The flat file " + flats.Reason());
  if (!darks.Open()) return FlatRefusal("The dark file " + darks.Reason());
  return Combine(layout, correction, flats, darkNames.empty() ? nullptr : &darks, field, threads);
}

std::optional<Refusal> CombineFlatField(const ConversionParameters& layout,
                                        const CorrectionParameters& correction,
                                        std::span<const std::span<const unsigned char>> flats,
                                        std::span<const std::span<const unsigned char>> darks,
                                        FlatField& field, int threads) {
  if (flats.empty()) return FlatRefusal("A correction needs at least one flat field");
  if (auto refusal = CheckCorrectionValues(correction)) return refusal;
  const std::optional<std::uint64_t> length = InputReadLength(layout);
  if (!length) return CheckInputLayout(layout);
  for (const auto& [kind, files] : {std::pair{"flat", flats}, std::pair{"dark", darks}}) {
    for (std::size_t f = 0; f < files.size(); ++f) {
      if (files[f].size() < *length) {
        return FlatRefusal("The " + std::string(kind) + " image " + std::to_string(f) + " holds " +
                           std::to_string(files[f].size()) + " bytes, a whole input needs " +
                           std::to_string(*length));
      }
    }
  }
  const std::int64_t sampleBytes = layout.sampleType == SampleType::Integer16 ? 2 : 4;
  MemoryFrames flatFrames(flats, std::uint64_t(layout.headerLen), sampleBytes);
  MemoryFrames darkFrames(darks, std::uint64_t(layout.headerLen), sampleBytes);
  return Combine(layout, correction, flatFrames, darks.empty() ? nullptr : &darkFrames, field,
                 threads);
}

}  // namespace projconv
