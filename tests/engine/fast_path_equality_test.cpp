// The fast transform against the reference, bit for bit: the output and every
// buffer a later image can see (decoded input, work image, both scratch images,
// margins; as a batch runs it, the scratch rows the sampling may read), after
// each image of a sequence, for every kernel set this
// processor runs, with one worker and with several. The cases come from a
// seeded generator that covers sizes from 1 to 300, odd headers, both sample
// types, byte orders and signednesses, angles from 0 through tiny to +-180,
// crop windows inside, outside and mirrored, up- and down-scaling, and files
// cut short in the middle of a sequence; a few large images follow.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "engine/reference/reference_transform.h"
#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

// A small deterministic generator, the same on every platform.
class Rng {
 public:
  explicit Rng(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  std::int32_t Below(std::int32_t limit) { return std::int32_t(Next() % std::uint32_t(limit)); }
  std::int32_t Between(std::int32_t low, std::int32_t high) {  // both included
    return low + std::int32_t(Next() % std::uint32_t(std::int64_t{high} - low + 1));
  }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T, std::size_t N>
  T Pick(const T (&choices)[N]) {
    return choices[Below(std::int32_t(N))];
  }

 private:
  std::uint32_t state_;
};

struct Case {
  std::uint32_t seed = 0;
  std::int32_t sampleType = 0, headerLen = 0, byteOrder = 0, signedness = 0;
  std::int32_t inX = 1, inY = 1, outX = 1, outY = 1;
  std::int32_t left = 0, top = 0, right = 1, bottom = 1;
  std::int32_t centreX = 0, centreY = 0;
  float angle = 0.0f, scale = 1.0f;
  std::vector<std::int64_t> fileBytes;  // one per image; shorter than a whole file cuts it
};

std::string Describe(const Case& c) {
  std::ostringstream text;
  text << "seed " << c.seed << ": type " << c.sampleType << " header " << c.headerLen << " order "
       << c.byteOrder << " signedness " << c.signedness << ", in " << c.inX << "x" << c.inY
       << ", window (" << c.left << "," << c.top << ")-(" << c.right << "," << c.bottom << "), out "
       << c.outX << "x" << c.outY << ", centre (" << c.centreX << "," << c.centreY << "), angle "
       << c.angle << ", scale " << c.scale << ", files";
  for (std::int64_t bytes : c.fileBytes) text << " " << bytes;
  return text.str();
}

std::int64_t WholeFile(const Case& c) {
  return c.headerLen +
         std::int64_t{SampleType(c.sampleType) == SampleType::Integer16 ? 2 : 4} * c.inX * c.inY;
}

// One edge of a crop window for an image `size` samples across.
std::int32_t Edge(Rng& rng, std::int32_t size) {
  return rng.Chance(70) ? rng.Between(0, size) : rng.Between(-size - 3, 2 * size + 3);
}

Case RandomCase(std::uint32_t seed) {
  Rng rng(seed);
  Case c;
  c.seed = seed;
  c.sampleType = rng.Below(2);
  c.headerLen = rng.Chance(50) ? 0 : rng.Between(1, 9);
  c.byteOrder = rng.Below(2);
  c.signedness = rng.Below(2);
  const std::int32_t largest = rng.Chance(15) ? 300 : 24;
  c.inX = rng.Between(1, largest);
  c.inY = rng.Between(1, largest);

  c.left = Edge(rng, c.inX);
  c.right = Edge(rng, c.inX);
  c.top = Edge(rng, c.inY);
  c.bottom = Edge(rng, c.inY);
  if (rng.Chance(40)) {  // the usual orientation; otherwise mirrored or empty as it comes
    if (c.left > c.right) std::swap(c.left, c.right);
    if (c.top > c.bottom) std::swap(c.top, c.bottom);
  }
  if (rng.Chance(30)) {  // a window as large as the output, as the direct path wants
    c.outX = std::abs(c.right - c.left);
    c.outY = std::abs(c.bottom - c.top);
  } else {
    c.outX = rng.Chance(5) ? 0 : rng.Between(1, 2 * std::abs(c.right - c.left) + 3);
    c.outY = rng.Chance(5) ? 0 : rng.Between(1, 2 * std::abs(c.bottom - c.top) + 3);
  }

  const float angles[] = {0.0f,   1e-4f,  -0.0009f, 0.001f, -0.001f, 90.0f,
                          -90.0f, 180.0f, -180.0f,  45.0f,  3.7f,    -12.5f};
  c.angle = rng.Chance(70) ? rng.Pick(angles) : float(rng.Between(-180000, 180000)) / 1000.0f;
  c.centreX =
      rng.Chance(95) ? rng.Between(-c.inX, 2 * c.inX) : std::numeric_limits<std::int32_t>::max();
  c.centreY =
      rng.Chance(95) ? rng.Between(-c.inY, 2 * c.inY) : std::numeric_limits<std::int32_t>::min();
  const float scales[] = {1.0f, 0.37f, -1.5f, 1000.0f, 1e-3f};
  c.scale = rng.Pick(scales);

  const std::int64_t whole = WholeFile(c);
  for (int image = 0; image < 3; ++image) {
    c.fileBytes.push_back(image > 0 && rng.Chance(35) ? 1 + rng.Below(std::int32_t(whole)) : whole);
  }
  return c;
}

// A file's bytes: header noise, then samples. Floats come either as ordinary
// values with a few NaNs, infinities, huge and tiny ones among them, or as a
// mix of +-1e20 and small values, where the order of each three-sample sum
// decides what survives (sums of ordinary floats are exact in any order).
Bytes FileFor(const Case& c, int image) {
  const std::uint32_t seed = c.seed * 31u + std::uint32_t(image);
  const std::int64_t n = std::int64_t{c.inX} * c.inY;
  const std::vector<std::int16_t> noise = ScrambledImage(c.headerLen, seed ^ 0x5A5Au);
  Bytes file(noise.begin(), noise.end());
  if (SampleType(c.sampleType) == SampleType::Integer16) {
    file = Concat(file, LittleEndian16(ScrambledImage(n, seed)));
  } else {
    std::vector<float> samples = ScrambledFloats(n, seed, 50000.0f);
    Rng rng(seed);
    if (c.seed % 2 == 0) {
      for (float& v : samples) v = rng.Chance(33) ? 1e20f : rng.Chance(50) ? -1e20f : v;
    } else {
      const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                3e38f,
                                -1e25f,
                                1e-40f,
                                -0.0f};
      for (const float special : specials)
        if (n > 0 && rng.Chance(50)) samples[std::size_t(rng.Below(std::int32_t(n)))] = special;
    }
    file = Concat(file, FloatBytes(samples));
  }
  file.resize(std::size_t(c.fileBytes[std::size_t(image)]));
  return file;
}

// The buffers and pointers exactly as a batch sets them up before its first
// image: zero-filled, H + 5N elements each, read areas 2N elements in.
void PrepareLikeBatch(ProjectionJob& job, const Case& c) {
  job.sampleType = SampleType(c.sampleType);
  job.headerLen = c.headerLen;
  job.byteOrder = ByteOrder(c.byteOrder);
  job.signedness = Signedness(c.signedness);
  job.inSizeX = c.inX;
  job.inSizeY = c.inY;
  job.outSizeX = c.outX;
  job.outSizeY = c.outY;
  job.cropLeft = c.left;
  job.cropTop = c.top;
  job.cropRight = c.right;
  job.cropBottom = c.bottom;
  job.rotCentreX = c.centreX;
  job.rotCentreY = c.centreY;
  job.angle = c.angle;
  job.scale = c.scale;
  ImageBuffers& buffers = job.pipeline().buffers();
  ASSERT_TRUE(buffers.Obtain(job));
  job.intReadArea = buffers.intReadArea;
  job.floatReadArea = buffers.floatReadArea;
  job.outImage = buffers.outImage;
}

// What one read() of the file leaves: its bytes over the start of the read
// area, the rest as it was.
void ReadInto(ProjectionJob& job, const Bytes& file) {
  void* area = job.sampleType == SampleType::Integer16 ? static_cast<void*>(job.intReadArea)
                                                       : job.floatReadArea;
  std::memcpy(area, file.data(), file.size());
}

// Where two outputs first differ, or "" when they are the same.
std::string Difference(const Bytes& actual, const Bytes& expected) {
  if (actual.size() != expected.size()) return "sizes differ";
  const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin());
  if (at.first == actual.end()) return "";
  return "byte " + std::to_string(at.first - actual.begin()) + " is " + std::to_string(*at.first) +
         " instead of " + std::to_string(*at.second);
}

struct Variant {
  TransformKernels kernels;
  std::int32_t threads;
  const char* name;
};

// Each kernel set on one worker and on several, which split the rows.
std::vector<Variant> VariantsOf(TransformKernels kernels) {
  switch (kernels) {
    case TransformKernels::Scalar:
      return {{kernels, 1, "scalar, 1 thread"}, {kernels, 3, "scalar, 3 threads"}};
    case TransformKernels::Avx2:
      return {{kernels, 1, "avx2, 1 thread"}, {kernels, 3, "avx2, 3 threads"}};
    case TransformKernels::Avx512:
      return {{kernels, 1, "avx512, 1 thread"}, {kernels, 3, "avx512, 3 threads"}};
    case TransformKernels::Fastest:
    case TransformKernels::Reference:  // not a fast path: never a parameter here
      break;
  }
  return {{kernels, 0, "fastest, all processors"}};
}

// Runs the case's images through the reference and through `variant`,
// comparing the outputs after each image. Empty when they agree.
std::string Compare(const Case& c, const Variant& variant) {
  ProjectionJob reference;
  ProjectionJob fast;
  reference.batch.kernels = TransformKernels::Reference;
  fast.batch.kernels = variant.kernels;
  fast.batch.workerThreads = variant.threads;
  PrepareLikeBatch(reference, c);
  PrepareLikeBatch(fast, c);
  for (int image = 0; image < int(c.fileBytes.size()); ++image) {
    const Bytes file = FileFor(c, image);
    ReadInto(reference, file);
    ReadInto(fast, file);
    reference.TransformImage();
    fast.TransformImage();
    const std::string where = std::string(variant.name) + ", image " + std::to_string(image) + ": ";
    const std::string d = Difference(BufferBytes(fast.pipeline().buffers().outBuffer),
                                     BufferBytes(reference.pipeline().buffers().outBuffer));
    if (!d.empty()) return where + "output " + d;
    if (fast.byteOrder != reference.byteOrder || fast.signedness != reference.signedness)
      return where + "byteOrder or signedness differ";
    if (fast.LastImageWrapped() != reference.LastImageWrapped())
      return where + std::to_string(fast.LastImageWrapped()) + " samples wrapped instead of " +
             std::to_string(reference.LastImageWrapped());
  }
  return "";
}

void ExpectSameAsReference(const Case& c, TransformKernels kernels) {
  for (const Variant& variant : VariantsOf(kernels)) {
    const std::string difference = Compare(c, variant);
    EXPECT_EQ(difference, "") << Describe(c);
    if (!difference.empty()) return;  // one report per case is enough
  }
}

std::string KernelName(const ::testing::TestParamInfo<TransformKernels>& info) {
  switch (info.param) {
    case TransformKernels::Scalar:
      return "Scalar";
    case TransformKernels::Avx2:
      return "Avx2";
    case TransformKernels::Avx512:
      return "Avx512";
    case TransformKernels::Fastest:
    case TransformKernels::Reference:
      break;
  }
  return "Fastest";
}

// Each test runs on one kernel set; a set this processor cannot run is
// reported as skipped, never as passed.
class FastPath : public ::testing::TestWithParam<TransformKernels> {
 protected:
  void SetUp() override {
    if (!KernelsAvailable(GetParam())) GTEST_SKIP() << "this processor cannot run these kernels";
  }
};

INSTANTIATE_TEST_SUITE_P(Kernels, FastPath,
                         ::testing::Values(TransformKernels::Scalar, TransformKernels::Avx2,
                                           TransformKernels::Avx512, TransformKernels::Fastest),
                         KernelName);

// The vector kernels smooth 16-bit samples in float lanes, which is exact
// only if one float rounding of sum * third always equals the double product
// rounded to float. Every sum three 16-bit samples can make is tried.
TEST(SampleArithmetic, ThirdOfAnyInt16SumIsTheSameInFloat) {
  const double third = double(0.33333334f);
  volatile float thirdInFloat = 0.33333334f;  // kept from being folded in double
  std::int64_t differing = 0;
  for (std::int32_t sum = 3 * -32768; sum <= 3 * 65535; ++sum) {
    differing += float(double(sum) * third) != float(sum) * thirdInFloat;
  }
  EXPECT_EQ(differing, 0);
}

TEST_P(FastPath, RandomCasesMatchReferenceInOutputAndBuffers) {
  for (std::uint32_t seed = 0; seed < 400; ++seed)
    ExpectSameAsReference(RandomCase(seed), GetParam());
}

// The table above, made by hand at the places where a schedule is most
// likely to slip: single rows and columns, the pass edges, the smallest
// vectors' tails, windows at and beyond the buffer's end.
TEST_P(FastPath, HandPickedShapes) {
  const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  std::vector<Case> cases;
  const auto add = [&](std::int32_t type, std::int32_t header, std::int32_t inX, std::int32_t inY,
                       std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       std::int32_t outX, std::int32_t outY, std::int32_t centreX,
                       std::int32_t centreY, float angle) {
    Case c;
    c.seed = std::uint32_t(1000 + cases.size());
    c.sampleType = type;
    c.headerLen = header;
    c.inX = inX;
    c.inY = inY;
    c.left = left;
    c.top = top;
    c.right = right;
    c.bottom = bottom;
    c.outX = outX;
    c.outY = outY;
    c.centreX = centreX;
    c.centreY = centreY;
    c.angle = angle;
    c.scale = 0.75f;
    const std::int64_t whole = WholeFile(c);
    c.fileBytes = {whole, whole / 2 + 1, whole};
    cases.push_back(c);
  };
  for (std::int32_t type : {0, 1}) {
    add(type, 0, 1, 1, 0, 0, 1, 1, 3, 3, 0, 0, 0.0f);                 // one sample enlarged
    add(type, 3, 1, 9, 0, 0, 1, 9, 1, 4, 0, 4, 0.0f);                 // one column, vertical pass
    add(type, 1, 9, 1, 0, 0, 9, 1, 4, 1, 4, 0, 0.0f);                 // one row, horizontal pass
    add(type, 0, 2, 2, 0, 0, 2, 2, 1, 1, 1, 1, 0.0f);                 // both passes, nothing inside
    add(type, 5, 17, 13, 0, 0, 17, 13, 8, 6, 8, 6, 30.0f);            // odd tails for every width
    add(type, 0, 33, 31, 0, 0, 33, 31, 33, 31, 16, 15, 0.0f);         // direct path, whole image
    add(type, 2, 20, 20, -20, -20, 40, 40, 60, 60, 10, 10, 0.0f);     // direct, beyond every edge
    add(type, 0, 16, 16, 0, 0, 16, 16, 16, 16, 8, 8, 180.0f);         // half turn to the far edge
    add(type, 0, 16, 16, 15, 15, -1, -1, 16, 16, 8, 8, 0.0f);         // mirrored both ways
    add(type, 0, 16, 16, 0, 0, 16, 16, 64, 64, kMax, -kMax, 90.0f);   // wrapped coordinates
    add(type, 7, 40, 30, 10, 5, 30, 25, 200, 200, 20, 15, -0.001f);   // tiny angle, upscaled
    add(type, 0, 64, 48, -64, -48, 128, 96, 40, 30, 32, 24, 123.0f);  // rows partly outside
    // Reduced by 3 and by 4 and turned a little: eight lanes reach 15 to 30
    // samples across and into the next row.
    add(type, 0, 120, 90, 0, 0, 120, 90, 40, 30, 60, 45, 2.0f);
    add(type, 3, 120, 90, 0, 0, 120, 90, 30, 22, 60, 45, -3.0f);
    // Reduced by 1.75 and by 5: four lanes reach 6 or 7 samples across, or 14
    // or 15, about as many as the loaded rows hold.
    add(type, 1, 120, 90, 0, 0, 119, 89, 68, 51, 60, 45, 1.0f);
    add(type, 0, 120, 90, 0, 0, 120, 90, 24, 18, 60, 45, -1.0f);
  }
  for (const Case& c : cases) ExpectSameAsReference(c, GetParam());
}

// The output samples of `job` that wrapped, for one image of `c` read from `file`.
std::int64_t WrappedIn(ProjectionJob& job, const Case& c, const Bytes& file) {
  PrepareLikeBatch(job, c);
  ReadInto(job, file);
  job.TransformImage();
  return job.LastImageWrapped();
}

// Float samples about the wrap bounds, in every lane and tail, direct and
// sampled; also those below zero alone, and those up to 32768 across alone,
// which must still set off an exact count. A direct window, also one row
// through the whole buffer and beyond, counts each sample of the image once.
TEST_P(FastPath, WrappedSamplesCountedAsReference) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float value;
    bool wraps;
  } limits[] = {{32767.99f, false}, {32768.0f, true},       {-32768.99f, false}, {-32769.0f, true},
                {65536.0f, true},   {-1e19f, true},         {3e38f, true},       {inf, true},
                {-inf, true},       {std::nanf(""), false}, {-0.0f, false},      {1.5f, false},
                {3e9f, true},       {-5e12f, true}};
  const struct {
    const char* name;
    bool (*takes)(float);
  } images[] = {{"all", [](float) { return true; }},
                {"below zero", [](float v) { return v < 0; }},
                {"up to 32768", [](float v) { return std::fabs(v) <= 32768.0f; }}};
  constexpr std::int32_t kX = 37, kY = 23, kN = kX * kY;
  Case base;
  base.sampleType = int(SampleType::Float32);
  base.inX = kX;
  base.inY = kY;
  base.centreX = kX / 2;
  base.centreY = kY / 2;
  const struct {
    std::int32_t left, top, right, bottom, outX, outY;
    float angle;  // 0: the direct path, which must count the image's samples
  } shapes[] = {{0, 0, kX, kY, kX, kY, 0.0f},
                {-2 * kN - 4, 0, 3 * kN + 4, 1, 5 * kN + 8, 1, 0.0f},
                {0, 0, kX, kY, 61, 45, 30.0f},
                {0, 0, kX, kY, 12, 9, -20.0f}};
  for (const auto& image : images) {
    std::vector<float> samples;
    std::int64_t wrapsInImage = 0;
    for (std::size_t k = 0; samples.size() < std::size_t(kN); ++k) {
      const auto& limit = limits[k % std::size(limits)];
      if (!image.takes(limit.value)) continue;
      samples.push_back(limit.value);
      wrapsInImage += limit.wraps ? 1 : 0;
    }
    const Bytes file = FloatBytes(samples);
    for (const auto& shape : shapes) {
      Case c = base;
      c.left = shape.left;
      c.top = shape.top;
      c.right = shape.right;
      c.bottom = shape.bottom;
      c.outX = shape.outX;
      c.outY = shape.outY;
      c.angle = shape.angle;
      const std::string what = std::string(image.name) + ", " + Describe(c);
      ProjectionJob reference;
      reference.batch.kernels = TransformKernels::Reference;
      const std::int64_t expected = WrappedIn(reference, c, file);
      if (shape.angle == 0.0f) {
        EXPECT_EQ(expected, wrapsInImage) << what;
      } else if (image.takes(-inf)) {
        EXPECT_GT(expected, 0) << what;  // infinities spread when sampled
      }
      for (const Variant& variant : VariantsOf(GetParam())) {
        ProjectionJob fast;
        fast.batch.kernels = variant.kernels;
        fast.batch.workerThreads = variant.threads;
        EXPECT_EQ(WrappedIn(fast, c, file), expected) << what << ", " << variant.name;
        EXPECT_EQ(BufferBytes(fast.pipeline().buffers().outBuffer),
                  BufferBytes(reference.pipeline().buffers().outBuffer))
            << what;
      }
    }
  }
}

// Images of working size, where rows are split among workers and the vector
// loops run long: reduced with both passes, enlarged, and cropped near edges.
TEST_P(FastPath, LargeImages) {
  std::vector<Case> cases;
  const auto add = [&](std::int32_t type, std::int32_t header, std::int32_t inX, std::int32_t inY,
                       std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       std::int32_t outX, std::int32_t outY, float angle) {
    Case c;
    c.seed = std::uint32_t(2000 + cases.size());
    c.sampleType = type;
    c.headerLen = header;
    c.byteOrder = type == 0 ? 1 : 0;
    c.signedness = std::int32_t(cases.size() % 2);
    c.inX = inX;
    c.inY = inY;
    c.left = left;
    c.top = top;
    c.right = right;
    c.bottom = bottom;
    c.outX = outX;
    c.outY = outY;
    c.centreX = inX / 2;
    c.centreY = inY / 2;
    c.angle = angle;
    c.scale = 1.25f;
    const std::int64_t whole = WholeFile(c);
    c.fileBytes = {whole, whole / 3, whole};
    cases.push_back(c);
  };
  add(0, 0, 700, 500, 0, 0, 700, 500, 350, 250, 3.7f);
  add(1, 6, 520, 480, 0, 0, 520, 480, 260, 240, -7.0f);
  add(0, 3, 400, 300, 50, 40, 350, 260, 900, 700, -12.5f);
  add(0, 0, 640, 480, 100, 100, 540, 380, 440, 280, 0.0f);
  add(1, 0, 300, 300, -150, -150, 450, 450, 600, 600, 31.0f);
  for (const Case& c : cases) ExpectSameAsReference(c, GetParam());
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
