// The reference transform, the yardstick of the tests: the per-image
// arithmetic written sample by sample, in the order the results are defined,
// deliberately apart from the engine's own formulas so that a slip in those
// cannot hide in both. Every intermediate is a double formed
// from exactly loaded float or integer operands, every value kept in an image
// is rounded to float, and every float-to-integer step truncates toward zero
// and wraps. The fast schedule (transform_fast.cpp) must match it bit for bit,
// in the output and in its count of wrapped samples; tests hold the two side
// by side.
//
// The stages, in the order they run, each defined once below:
//   Decode              16-bit samples byte-swapped and halved in place
//   Correct             with flats and darks: the corrected work image
//   CopyDirect          the direct path: the window, float samples scaled
//   FillWork            the resampling path: the float work image
//   SmoothVertically,   the 3-tap means where the output reduces by 2 or
//   SmoothHorizontally  more, through the scratch images
//   Resample            the rotated window sampled onto the output grid
// Neighbours outside the work image read through the buffers' layout, the
// boundary rule engine/internal/image_buffers.h describes.

#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/reference/reference_transform.h"

#include "engine/flat_field.h"
#include "engine/internal/image_buffers.h"
#include "engine/internal/sample_view.h"
#include "engine/refusal.h"
#include "engine/sample_math.h"

namespace projconv {

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;
constexpr double kThird = static_cast<double>(0.33333334f);  // the float nearest 1/3
constexpr double kInv65536 = 1.0 / 65536.0;

std::uint16_t SwapBytes(std::uint16_t v) {
  return static_cast<std::uint16_t>((v << 8) | (v >> 8));
}

// The output sample of v, counting it in `wrapped` when v truncated lies
// outside the 16-bit signed range. NaN, written as 0, has no truncated value
// and is not counted; an infinity or a value beyond the 64-bit range, also
// written as 0, is.
std::int16_t OutputSample(double v, std::int64_t& wrapped) {
  const double truncated = std::trunc(v);
  if (truncated < -32768.0 || truncated > 32767.0) ++wrapped;
  return static_cast<std::int16_t>(TruncToSample16(v));
}

// The views of one call: the 16-bit input, the float work image and its two
// scratch images, all addressed by sample index from the image's first sample.
struct Images {
  SampleView<std::int16_t> input;
  SampleView<float> work;
  SampleView<float> vertical;
  SampleView<float> horizontal;
};

// A corrected conversion reads the work image alone: 0 all around it.
Images ViewsOf(const ConversionParameters& job, const ImageBuffers& b, bool corrected) {
  return Images{b.InputView(job), b.FloatView(job, 0, corrected), b.FloatView(job, 1),
                b.FloatView(job, 2)};
}

// The output image and its count of wrapped samples.
struct Output {
  std::int16_t* image;
  std::int64_t wrapped = 0;
};

void Decode(ConversionParameters& job, const Images& im, std::int64_t n) {
  if (job.sampleType == SampleType::Float32) {
    job.byteOrder = ByteOrder::LittleEndian;
    job.signedness = Signedness::Signed;
    return;
  }
  if (job.sampleType != SampleType::Integer16) return;
  for (std::int64_t k = 0; k < n; ++k) {
    auto v = static_cast<std::uint16_t>(im.input.Get(k));
    if (job.byteOrder == ByteOrder::BigEndian) v = SwapBytes(v);
    if (job.signedness == Signedness::Unsigned) v = static_cast<std::uint16_t>(v >> 1);
    im.input.Set(k, static_cast<std::int16_t>(v));
  }
}

// A corrected image is copied from the work image, with scale 1.
void CopyDirect(const ConversionParameters& job, const Images& im, Output& o, bool corrected) {
  const std::int64_t x = job.inSizeX;
  const double scale = corrected ? 1.0 : double(job.scale);
  for (std::int64_t i = 0; i < job.outSizeY; ++i) {
    for (std::int64_t j = 0; j < job.outSizeX; ++j) {
      const std::int64_t k = (job.cropTop + i) * x + job.cropLeft + j;
      std::int16_t& out = o.image[i * job.outSizeX + j];
      if (job.sampleType == SampleType::Integer16 && !corrected) {
        out = im.input.Get(k);
      } else if (job.sampleType == SampleType::Float32 || corrected) {
        out = OutputSample(double(im.work.Get(k)) * scale, o.wrapped);
      }
    }
  }
}

// The work image, corrected with the combined flats and darks, from the
// decoded input.
void Correct(const ConversionParameters& job, const Images& im, const FlatField& f,
             std::int64_t n) {
  const double scale = job.scale;
  for (std::int64_t k = 0; k < n; ++k) {
    const double v = job.sampleType == SampleType::Integer16
                         ? double(im.input.Get(k))
                         : double(static_cast<float>(double(im.work.Get(k)) * scale));
    const double d = f.dark.empty() ? 0.0 : f.dark[std::size_t(k)];
    double t = (v - d) / f.denominator[std::size_t(k)];
    double w;
    if (f.mode == CorrectionMode::Transmission) {
      w = t * f.scale;
    } else {
      if (t < 1e-6) t = 1e-6;
      w = -std::log(t) * f.scale;
    }
    im.work.Set(k, static_cast<float>(w));
  }
}

void FillWork(const ConversionParameters& job, const Images& im, std::int64_t n) {
  const double scale = job.scale;
  for (std::int64_t k = 0; k < n; ++k) {
    if (job.sampleType == SampleType::Integer16) {
      im.work.Set(k, static_cast<float>(im.input.Get(k)));
    } else if (job.sampleType == SampleType::Float32) {
      im.work.Set(k, static_cast<float>(double(im.work.Get(k)) * scale));
    }
  }
}

void SmoothVertically(const Images& im, std::int64_t x, std::int64_t y) {
  for (std::int64_t r = 1; r <= y - 2; ++r) {
    for (std::int64_t c = 0; c < x; ++c) {
      const double sum = (double(im.work.Get(r * x + c)) + double(im.work.Get((r + 1) * x + c))) +
                         double(im.work.Get((r - 1) * x + c));
      im.vertical.Set(r * x + c, static_cast<float>(sum * kThird));
    }
  }
  for (std::int64_t k = 0; k < x * y; ++k) im.work.Set(k, im.vertical.Get(k));
}

void SmoothHorizontally(const Images& im, std::int64_t x, std::int64_t y) {
  for (std::int64_t r = 0; r < y; ++r) {
    for (std::int64_t c = 1; c <= x - 2; ++c) {
      const std::int64_t k = r * x + c;
      const double sum =
          (double(im.work.Get(k + 1)) + double(im.work.Get(k - 1))) + double(im.work.Get(k));
      im.horizontal.Set(k, static_cast<float>(sum * kThird));
    }
  }
  for (std::int64_t k = 0; k < x * y; ++k) im.work.Set(k, im.horizontal.Get(k));
}

// Bilinear value at source position (xs, ys), weights truncated to 1/256.
double Interpolate(const SampleView<float>& work, std::int64_t x, double xs, double ys) {
  const std::int32_t x0 = TruncToInt32Bits(xs);
  const std::int32_t y0 = TruncToInt32Bits(ys);
  const std::int32_t fx = TruncToInt32Bits((xs - x0) * 256.0);
  const std::int32_t fy = TruncToInt32Bits((ys - y0) * 256.0);
  const std::int64_t k = std::int64_t{y0} * x + x0;
  const double p00 = work.Get(k), p10 = work.Get(k + 1);
  const double p01 = work.Get(k + x), p11 = work.Get(k + x + 1);
  const double top = fx * (p10 - p00) + 256.0 * p00;
  const double bottom = fx * (p11 - p01) + 256.0 * p01;
  return (top * Wrap32(256 - std::int64_t{fy}) + bottom * fy) * kInv65536;
}

void Resample(const ConversionParameters& job, const Images& im, Output& o) {
  const double theta = double(job.angle) * kDegreesToRadians;
  const double c = std::cos(theta), s = std::sin(theta);
  const double sx = double(std::int64_t{job.cropRight} - job.cropLeft) / double(job.outSizeX);
  const double sy = double(std::int64_t{job.cropBottom} - job.cropTop) / double(job.outSizeY);
  const std::int64_t x = job.inSizeX, y = job.inSizeY;

  if (sy >= 2.0) SmoothVertically(im, x, y);
  if (sx >= 2.0) SmoothHorizontally(im, x, y);
  // Nothing to place; without this an empty row count of 2^31 would be walked.
  if (job.outSizeX == 0 || job.outSizeY == 0) return;

  for (std::int64_t i = 0; i < job.outSizeY; ++i) {
    const double dy = (double(i) * sy + job.cropTop) - job.rotCentreY;
    const double a = dy * s, b = dy * c;
    for (std::int64_t j = 0; j < job.outSizeX; ++j) {
      const double dx = (double(j) * sx + job.cropLeft) - job.rotCentreX;
      const double xs = (c * dx - a) + job.rotCentreX;
      const double ys = (s * dx + b) + job.rotCentreY;
      o.image[i * job.outSizeX + j] = OutputSample(Interpolate(im.work, x, xs, ys), o.wrapped);
    }
  }
}

}  // namespace

std::int64_t TransformReference(ConversionParameters& job, const ImageBuffers& buffers,
                                const FlatField* flat) {
  const std::int64_t n = std::int64_t{job.inSizeX} * job.inSizeY;
  if (!buffers.Fit(job)) return 0;
  const bool corrected = flat != nullptr;
  const Images images = ViewsOf(job, buffers, corrected);
  Output output{buffers.outImage};
  Decode(job, images, n);
  if (corrected) Correct(job, images, *flat, n);
  if (TakesDirectPath(job)) {
    CopyDirect(job, images, output, corrected);
  } else {
    if (!corrected) FillWork(job, images, n);
    Resample(job, images, output);
  }
  return output.wrapped;
}

}  // namespace projconv
