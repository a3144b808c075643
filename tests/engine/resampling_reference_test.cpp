// A second, deliberately plain evaluation of the resampling path, written from
// the documented steps and nothing else: a byte-for-byte model of the float
// buffer, decoding, scaling, the two smoothing passes and the bilinear sampling
// with neighbours read from the flat buffer. The engine must match it bit for
// bit, in the output and in what it leaves in its buffers, so that a change to
// the engine's arithmetic cannot slip through unnoticed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

// Float input beyond plain noise: NaN, infinities and extremes at a few places,
// or alternating +-1e20 around small values, so that the order of each
// three-sample sum decides what survives.
enum class FloatInput { Plain, Specials, Extremes };

struct ReferenceCase {
  const char* name;
  std::int32_t sampleType, headerLen, byteOrder, signedness;
  std::int32_t inX, inY, outX, outY;
  std::int32_t left, top, right, bottom;
  std::int32_t centreX, centreY;
  float angle, scale;
  FloatInput floats = FloatInput::Plain;
};

constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinInt = std::numeric_limits<std::int32_t>::min();

const ReferenceCase kCases[] = {
    {"TurnAboutInnerCentre", 0, 0, 0, 0, 7, 5, 7, 5, 0, 0, 7, 5, 3, 2, 30.0f, 1.0f},
    {"EnlargedInnerWindow", 0, 6, 0, 0, 6, 4, 9, 7, 1, 1, 5, 4, 3, 2, 0.0f, 1.0f},
    {"ReducedTurnedUnalignedBigEndianUnsigned", 0, 3, 1, 1, 9, 8, 4, 3, 0, 0, 9, 8, 4, 4, -17.5f,
     1.0f},
    {"WindowPartlyOutside", 0, 2, 0, 0, 8, 6, 5, 4, -3, -2, 10, 9, 0, 0, 12.0f, 1.0f},
    {"FloatHeaderSeenAboveImage", 1, 8, 0, 0, 6, 5, 4, 7, -1, -2, 7, 5, 3, 3, 0.5f, 0.37f},
    {"FloatSpecialValues", 1, 0, 0, 0, 5, 4, 5, 4, 0, 0, 5, 4, 2, 2, 45.0f, 1.0f,
     FloatInput::Specials},
    {"CancellingExtremesInBothPasses", 1, 0, 0, 0, 7, 6, 3, 3, 0, 0, 7, 6, 3, 3, 10.0f, 1.0f,
     FloatInput::Extremes},
    // Source positions near 2^32 and -2^32 wrap back onto the image.
    {"FarCentreWrapsCoordinates", 0, 0, 0, 0, 4, 4, 4, 4, -3, -3, 1, 1, kMaxInt, kMinInt, 180.0f,
     1.0f},
    {"MirroredEnlargedWindow", 0, 0, 0, 0, 7, 6, 10, 9, 6, 5, -1, -1, 3, 3, 3.0f, 1.0f},
    {"HalfTurnWithBothPasses", 0, 0, 0, 0, 8, 8, 4, 4, 0, 0, 8, 8, 4, 4, 180.0f, 1.0f},
    {"SmallestResamplingAngle", 1, 0, 0, 0, 5, 5, 5, 5, 0, 0, 5, 5, 2, 2, 0.001f, 3.5f},
    {"UnalignedFloatNegativeScale", 1, 5, 1, 1, 9, 7, 3, 3, -2, -1, 7, 8, 1, 6, -100.0f, -1.5f},
};

// trunc(v) reduced to `bits` low bits as a signed (bits = 32) or unsigned
// (bits = 16) number; NaN and magnitudes of 2^63 or more count as 0.
double LowBitsOfTrunc(double v, int bits, bool asSigned) {
  if (std::isnan(v) || std::fabs(v) >= 9223372036854775808.0) return 0.0;
  const double modulus = std::ldexp(1.0, bits);
  double m = std::fmod(std::trunc(v), modulus);  // exact
  if (m < 0) m += modulus;
  if (asSigned && m >= modulus / 2) m -= modulus;
  return m;
}

std::int32_t Coordinate(double v) {
  return std::int32_t(LowBitsOfTrunc(v, 32, true));
}
std::uint16_t Sample(double v) {
  return std::uint16_t(LowBitsOfTrunc(v, 16, false));
}

// floatBuffer as bytes: H + 5N floats, the work image H bytes after the read
// area at 2N floats, the two scratch images right behind it.
class FloatBufferModel {
 public:
  FloatBufferModel(std::int64_t n, std::int32_t headerLen)
      : bytes_(std::size_t(4 * (headerLen + 5 * n)), 0), n_(n), work_(8 * n + headerLen) {}

  // image 0 is the work image, 1 the vertical and 2 the horizontal scratch.
  float Get(int image, std::int64_t k) const {
    const std::int64_t at = work_ + 4 * (image * n_ + k);
    float v = 0.0f;
    if (at >= 0 && at + 4 <= std::int64_t(bytes_.size())) std::memcpy(&v, &bytes_[at], 4);
    return v;
  }
  void Set(int image, std::int64_t k, float v) {
    std::memcpy(&bytes_[std::size_t(work_ + 4 * (image * n_ + k))], &v, 4);
  }
  std::uint8_t* ReadArea() { return &bytes_[std::size_t(8 * n_)]; }

 private:
  Bytes bytes_;
  std::int64_t n_;
  std::int64_t work_;
};

std::vector<std::uint16_t> Evaluate(const ReferenceCase& c, const Bytes& file) {
  const std::int64_t X = c.inX, Y = c.inY, n = X * Y;
  const double third = 0.3333333432674408;
  FloatBufferModel f(n, c.headerLen);
  Bytes intModel(std::size_t(2 * (c.headerLen + 5 * n)), 0);

  // Read the file into its read area, then decode to the work image.
  const std::size_t readLength =
      std::size_t(c.headerLen + (SampleType(c.sampleType) == SampleType::Integer16 ? 2 : 4) * n);
  const std::size_t got = std::min(file.size(), readLength);
  std::uint8_t* readArea = SampleType(c.sampleType) == SampleType::Integer16
                               ? &intModel[std::size_t(4 * n)]
                               : f.ReadArea();
  std::copy(file.begin(), file.begin() + std::ptrdiff_t(got), readArea);
  for (std::int64_t k = 0; k < n; ++k) {
    if (SampleType(c.sampleType) == SampleType::Integer16) {
      std::uint8_t* sample = readArea + c.headerLen + 2 * k;
      std::uint16_t v = std::uint16_t(sample[0] | sample[1] << 8);
      if (ByteOrder(c.byteOrder) == ByteOrder::BigEndian) v = std::uint16_t(v << 8 | v >> 8);
      if (Signedness(c.signedness) == Signedness::Unsigned) v = std::uint16_t(v >> 1);
      sample[0] = std::uint8_t(v & 0xFF);
      sample[1] = std::uint8_t(v >> 8);
      f.Set(0, k, float(std::int16_t(v)));
    } else {
      f.Set(0, k, float(double(f.Get(0, k)) * double(c.scale)));
    }
  }

  const double sx = double(c.right - c.left) / double(c.outX);
  const double sy = double(c.bottom - c.top) / double(c.outY);
  if (sy >= 2.0) {
    for (std::int64_t y = 1; y <= Y - 2; ++y)
      for (std::int64_t x = 0; x < X; ++x)
        f.Set(1, y * X + x,
              float(((double(f.Get(0, y * X + x)) + double(f.Get(0, (y + 1) * X + x))) +
                     double(f.Get(0, (y - 1) * X + x))) *
                    third));
    for (std::int64_t k = 0; k < n; ++k) f.Set(0, k, f.Get(1, k));
  }
  if (sx >= 2.0) {
    for (std::int64_t y = 0; y < Y; ++y)
      for (std::int64_t x = 1; x <= X - 2; ++x)
        f.Set(2, y * X + x,
              float(((double(f.Get(0, y * X + x + 1)) + double(f.Get(0, y * X + x - 1))) +
                     double(f.Get(0, y * X + x))) *
                    third));
    for (std::int64_t k = 0; k < n; ++k) f.Set(0, k, f.Get(2, k));
  }

  const double theta = double(c.angle) * 0.017453292519943295;
  const double cosT = std::cos(theta), sinT = std::sin(theta);
  std::vector<std::uint16_t> out;
  for (std::int64_t i = 0; i < c.outY; ++i) {
    for (std::int64_t j = 0; j < c.outX; ++j) {
      const double dy = (double(i) * sy + c.top) - c.centreY;
      const double dx = (double(j) * sx + c.left) - c.centreX;
      const double xs = (cosT * dx - dy * sinT) + c.centreX;
      const double ys = (sinT * dx + dy * cosT) + c.centreY;
      const std::int32_t x0 = Coordinate(xs), y0 = Coordinate(ys);
      const std::int32_t fx = Coordinate((xs - x0) * 256.0);
      const std::int32_t fy = Coordinate((ys - y0) * 256.0);
      const std::int64_t k = std::int64_t(y0) * X + x0;
      const double p00 = f.Get(0, k), p10 = f.Get(0, k + 1);
      const double p01 = f.Get(0, k + X), p11 = f.Get(0, k + X + 1);
      const double top = fx * (p10 - p00) + 256.0 * p00;
      const double bottom = fx * (p11 - p01) + 256.0 * p01;
      out.push_back(Sample((top * (256 - fy) + bottom * fy) / 65536.0));
    }
  }
  return out;
}

Bytes MakeFile(const ReferenceCase& c) {
  const std::int64_t n = std::int64_t(c.inX) * c.inY;
  const std::vector<std::int16_t> noise = ScrambledImage(c.headerLen, 77);
  Bytes header(noise.begin(), noise.end());  // one arbitrary byte per element
  Bytes body;
  if (SampleType(c.sampleType) == SampleType::Integer16) {
    body = LittleEndian16(ScrambledImage(n, std::uint32_t(c.inX * 131 + c.inY)));
  } else {
    std::vector<float> samples = ScrambledFloats(n, std::uint32_t(c.inX * 17 + c.inY), 40000.0f);
    if (c.floats == FloatInput::Extremes) {
      for (std::size_t k = 0; k < samples.size(); ++k)
        if (k % 3 != 2) samples[k] = k % 3 == 0 ? 1e20f : -1e20f;
    }
    if (c.floats == FloatInput::Specials) {
      const float inf = std::numeric_limits<float>::infinity();
      const float specials[] = {
          std::numeric_limits<float>::quiet_NaN(), inf, -inf, 1e30f, -1e30f, 1e-40f, -0.0f};
      for (std::size_t k = 0; k < std::size(specials); ++k)
        samples[3 * k % samples.size()] = specials[k];
    }
    body = FloatBytes(samples);
  }
  return Concat(header, body);
}

class ReferenceTest : public EngineTest, public ::testing::WithParamInterface<ReferenceCase> {};

TEST_P(ReferenceTest, EngineMatchesPlainEvaluation) {
  const ReferenceCase& c = GetParam();
  Shape(c.inX, c.inY, c.outX, c.outY);
  Crop(c.left, c.top, c.right, c.bottom);
  job.sampleType = SampleType(c.sampleType);
  job.headerLen = c.headerLen;
  job.byteOrder = ByteOrder(c.byteOrder);
  job.signedness = Signedness(c.signedness);
  job.rotCentreX = c.centreX;
  job.rotCentreY = c.centreY;
  job.angle = c.angle;
  job.scale = c.scale;
  ASSERT_FALSE(job.TakesDirectPath()) << "every case is meant for the resampling path";
  const Bytes file = MakeFile(c);
  EXPECT_EQ(ConvertOne(file), Evaluate(c, file));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReferenceTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace engine_test

}  // namespace projconv
