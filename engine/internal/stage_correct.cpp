// The flat-field correction: each decoded input sample divided by the open
// beam after the dark current is taken off, in double, and kept as a float
// of the work image. The 16-bit input is read where decoding left it; a
// float input is scaled first, exactly as the float path would, and
// corrected in place.

#include <cstring>

#include "engine/flat_field.h"
#include "engine/internal/image_run.h"

namespace projconv {

namespace {

// Samples first .. first + count - 1 to `to`: `v` gives each decoded value.
template <class Value>
void CorrectSamples(const FlatField& f, std::int64_t first, std::int64_t count, Value v,
                    unsigned char* to) {
  for (std::int64_t j = 0; j < count; ++j) {
    const float sample = CorrectedSample(f, std::size_t(first + j), v(j));
    std::memcpy(to + 4 * j, &sample, 4);
  }
}

}  // namespace

void ImageRun::Correct() {
  ForEachRowChunk(height_, width_, [&](std::int64_t begin, std::int64_t end, int) {
    CorrectRange(begin * width_, (end - begin) * width_, work_ + 4 * begin * width_);
  });
}

void ImageRun::CorrectRange(std::int64_t first, std::int64_t count, unsigned char* to) const {
  const FlatField& f = *flat_;
  const double scale = job_.scale;
  const double* const dark = f.dark.empty() ? nullptr : f.dark.data() + first;
  const double* const den = f.denominator.data() + first;
  // Transmission runs in vector lanes; the logarithm of attenuation is the C
  // library's, sample by sample.
  const bool vectors = f.mode == CorrectionMode::Transmission;
  std::int64_t done = 0;
  if (job_.sampleType == SampleType::Integer16) {
    if (vectors) done = kernels_.correctInt16s(to, input_ + 2 * first, dark, den, f.scale, count);
    const unsigned char* const in = input_ + 2 * (first + done);
    CorrectSamples(
        f, first + done, count - done,
        [in](std::int64_t j) {
          std::int16_t v;
          std::memcpy(&v, in + 2 * j, 2);
          return double(v);
        },
        to + 4 * done);
    return;
  }
  // In place: a float input's samples are its work image.
  if (vectors)
    done = kernels_.correctFloats(to, work_ + 4 * first, scale, dark, den, f.scale, count);
  const unsigned char* const in = work_ + 4 * (first + done);
  CorrectSamples(
      f, first + done, count - done,
      [in, scale](std::int64_t j) {
        float v;
        std::memcpy(&v, in + 4 * j, 4);
        return double(static_cast<float>(double(v) * scale));
      },
      to + 4 * done);
}

}  // namespace projconv
