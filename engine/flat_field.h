#pragma once

// Flat-field and dark-field correction, done in the conversion pass on the
// exact decoded samples, before smoothing and sampling.
//
// Flats (open-beam images) and darks (images without beam) are raw files of
// the inputs' layout. Each is decoded as an input is (a 16-bit sample after
// byte swap and halving, as a signed value; a float sample times the scale
// factor, rounded to float), and the files of each kind are combined sample
// by sample into F[k] and D[k] (D = 0 without darks):
//   mean    the double sum, from 0.0 in file order, divided by n in double;
//   median  the middle value of the n values sorted ascending, NaN after
//           every number; for even n the two middle values added and halved
//           in double.
// Every input sample v, decoded the same way, becomes the work sample
//   den = F - D, raised to 1e-6 when below it (NaN stays NaN)
//   t   = (v - D) / den
//   w   = t * S                            transmission
//   w   = -log(max(t, 1e-6)) * S           attenuation (NaN stays NaN)
// rounded to float, all in double with the C library's log; S is the
// correction scale. From there the conversion is the float path with scale
// 1, except that every sample outside the image reads as 0.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/conversion_parameters.h"
#include "engine/refusal.h"

namespace projconv {

enum class Combining : std::int32_t { Mean = 0, Median = 1 };
enum class CorrectionMode : std::int32_t { Transmission = 0, Attenuation = 1 };

// "mean", "median"; "transmission", "attenuation": as the command line, the
// settings and the records name them.
const char* CombiningName(Combining combining);
const char* CorrectionModeName(CorrectionMode mode);
std::optional<Combining> CombiningNamed(const std::string& name);
std::optional<CorrectionMode> CorrectionModeNamed(const std::string& name);

// The flat or dark files of a batch: a name pattern with one integer field
// ("flat_%03d.raw") numbered from `first`, `count` files (every file from the
// first until one is missing when -1); or one plain file name, for which
// first and count play no part. Relative to the input folder unless
// absolute; no files when the pattern is empty.
struct ReferenceFiles {
  std::string pattern;
  std::int32_t first = 0;
  std::int32_t count = -1;
  bool operator==(const ReferenceFiles&) const = default;
};

struct CorrectionParameters {
  ReferenceFiles flat;
  ReferenceFiles dark;
  Combining combine = Combining::Mean;
  CorrectionMode mode = CorrectionMode::Transmission;
  // S; nothing for the mode's default (10000 transmission, 1000 attenuation).
  std::optional<double> scale;

  bool Enabled() const { return !flat.pattern.empty(); }
  bool operator==(const CorrectionParameters&) const = default;
};

// The S a correction multiplies by.
double CorrectionScale(const CorrectionParameters& correction);

// The combined frames, ready for the correction of every input: D[k] and
// the denominator max(F[k] - D[k], 1e-6) of each sample position.
struct FlatField {
  std::vector<double> dark;         // empty without darks
  std::vector<double> denominator;  // one per sample of an input image
  CorrectionMode mode = CorrectionMode::Transmission;
  double scale = 10000.0;
  std::int64_t flats = 0, darks = 0;  // how many files of each were combined
};

// The work sample of decoded value `v` at sample position `k`: the formulas
// above, for every caller that corrects sample by sample (the vector lanes
// of transmission are held to it by the tests).
inline float CorrectedSample(const FlatField& f, std::size_t k, double v) {
  double t = (v - (f.dark.empty() ? 0.0 : f.dark[k])) / f.denominator[k];
  if (f.mode != CorrectionMode::Attenuation) return static_cast<float>(t * f.scale);
  if (t < 1e-6) t = 1e-6;  // NaN stays NaN
  return static_cast<float>(-std::log(t) * f.scale);
}

// What is wrong with `correction` on its own (a dark without a flat, no
// files to combine, a scale that is not finite), before any file is looked at.
std::optional<Refusal> CheckCorrection(const CorrectionParameters& correction);

// The full names of the files `files` stands for, relative to `inFolder`:
// a pattern's files that exist from the first on (all `count` of them must),
// or the one plain name. A refusal names the first that is missing.
std::optional<Refusal> ReferenceFileNames(const ReferenceFiles& files, const std::string& inFolder,
                                          std::vector<std::string>& names);

// Reads and combines the flats and darks of a batch of `layout`, as
// `correction` names them, on `threads` workers (0: one per processor). A
// refusal names the file that is missing, cannot be read or is shorter than
// the header and one image.
std::optional<Refusal> LoadFlatField(const ConversionParameters& layout,
                                     const CorrectionParameters& correction, FlatField& field,
                                     int threads = 0);

// The same from files held in memory (each the bytes of one raw file, header
// included), for a caller without files.
std::optional<Refusal> CombineFlatField(const ConversionParameters& layout,
                                        const CorrectionParameters& correction,
                                        std::span<const std::span<const unsigned char>> flats,
                                        std::span<const std::span<const unsigned char>> darks,
                                        FlatField& field, int threads = 0);

}  // namespace projconv
