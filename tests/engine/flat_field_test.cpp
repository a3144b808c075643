// The flat-field correction against a plain per-sample version of its
// formulas: the corrected work image is computed here sample by sample, and
// its conversion (the float path with scale 1) is what the corrected
// conversion must write, on every kernel set.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/flat_field.h"
#include "engine/internal/frame_combining.h"
#include "engine/internal/transform_fast.h"
#include "engine/sample_math.h"
#include "engine/single_image.h"
#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace {

using engine_test::Bytes;

constexpr std::int32_t kX = 12, kY = 10, kHeader = 6;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Case {
  SampleType type;
  ByteOrder order;
  Signedness sign;
  int flats, darks;
  Combining combine;
  CorrectionMode mode;
  bool direct;
  float angle;
};

ConversionParameters Layout(const Case& c) {
  ConversionParameters p;
  p.headerLen = kHeader;
  p.sampleType = c.type;
  p.byteOrder = c.order;
  p.signedness = c.sign;
  p.inSizeX = kX;
  p.inSizeY = kY;
  p.scale = c.type == SampleType::Float32 ? 0.5f : 1.0f;
  // A window inside the image, so that no neighbour of it lies outside.
  p.cropLeft = 1, p.cropTop = 1, p.cropRight = 11, p.cropBottom = 9;
  p.outSizeX = c.direct ? 10 : 5;
  p.outSizeY = c.direct ? 8 : 4;
  p.rotCentreX = 6, p.rotCentreY = 5;
  p.angle = c.angle;
  return p;
}

// Raw values about `level`, different for every frame and position; one
// position of every flat equals the darks' (a zero denominator), and float
// frames hold a NaN and a negative value.
std::vector<double> Values(const Case& c, int frame, double level) {
  std::vector<double> v(kX * kY);
  for (int k = 0; k < kX * kY; ++k) v[std::size_t(k)] = level + (k * 37 + frame * 101) % 200;
  v[7] = 100.0;
  if (c.type == SampleType::Float32) v[20] = -3.25, v[31] = frame == 0 ? kNaN : 2.0;
  return v;
}

// The file of raw values `v` in the case's layout.
Bytes FileOf(const Case& c, const std::vector<double>& v) {
  Bytes file(kHeader, 0x5a);
  for (double value : v) {
    if (c.type == SampleType::Float32) {
      const float f = float(value * 2.0);  // read back times the scale 0.5
      const auto* b = reinterpret_cast<const unsigned char*>(&f);
      file.insert(file.end(), b, b + 4);
      continue;
    }
    std::uint16_t s = std::uint16_t(std::int32_t(value));
    if (c.sign == Signedness::Unsigned) s = std::uint16_t(s * 2 + 1);  // halved when read
    if (c.order == ByteOrder::BigEndian) s = std::uint16_t((s << 8) | (s >> 8));
    file.push_back(std::uint8_t(s & 0xff));
    file.push_back(std::uint8_t(s >> 8));
  }
  return file;
}

// The plain formulas, position by position.
double Combined(const Case& c, std::vector<float> values) {
  if (c.combine == Combining::Mean) {
    double sum = 0.0;
    for (float v : values) sum += double(v);
    return sum / double(values.size());
  }
  std::sort(values.begin(), values.end(),
            [](float a, float b) { return a < b || (!std::isnan(a) && std::isnan(b)); });
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (double(values[n / 2 - 1]) + double(values[n / 2])) / 2.0;
}

std::vector<float> ExpectedWork(const Case& c, const std::vector<std::vector<float>>& flats,
                                const std::vector<std::vector<float>>& darks,
                                const std::vector<float>& input, double s) {
  std::vector<float> work(input.size());
  for (std::size_t k = 0; k < input.size(); ++k) {
    std::vector<float> f, d;
    for (const auto& frame : flats) f.push_back(frame[k]);
    for (const auto& frame : darks) d.push_back(frame[k]);
    const double dark = darks.empty() ? 0.0 : Combined(c, d);
    double den = Combined(c, f) - dark;
    if (den < 1e-6) den = 1e-6;
    double t = (double(input[k]) - dark) / den;
    if (c.mode == CorrectionMode::Attenuation && t < 1e-6) t = 1e-6;
    const double w = c.mode == CorrectionMode::Attenuation ? -std::log(t) * s : t * s;
    work[k] = float(w);
  }
  return work;
}

// What the engine decodes from `v` as written by FileOf.
std::vector<float> Decoded(const Case& c, const std::vector<double>& v) {
  std::vector<float> out;
  for (double value : v) {
    out.push_back(c.type == SampleType::Float32 ? float(double(float(value * 2.0)) * 0.5)
                                                : float(std::int16_t(std::int32_t(value))));
  }
  return out;
}

std::vector<std::int16_t> Convert(const ConversionParameters& p, const Bytes& file,
                                  TransformKernels kernels, const FlatField* flat) {
  ProjectionJob job;
  job.SetParameters(p);
  job.batch.kernels = kernels;
  job.UseFlatField(flat);
  EXPECT_FALSE(job.Prepare(false).has_value());
  std::memcpy(job.pipeline().buffers().ReadArea(p.sampleType).data(), file.data(), file.size());
  job.TransformImage();
  return {job.outImage, job.outImage + p.outSizeX * p.outSizeY};
}

std::string Describe(const Case& c) {
  return std::string(c.type == SampleType::Float32 ? "float" : "int16") + " " +
         CombiningName(c.combine) + " " + CorrectionModeName(c.mode) + " flats " +
         std::to_string(c.flats) + " darks " + std::to_string(c.darks) +
         (c.direct ? " direct" : " resampled");
}

}  // namespace

TEST(FlatField, CorrectedConversionFollowsTheFormulas) {
  using enum SampleType;
  const ByteOrder le = ByteOrder::LittleEndian, be = ByteOrder::BigEndian;
  const Signedness sg = Signedness::Signed, us = Signedness::Unsigned;
  const Combining mean = Combining::Mean, median = Combining::Median;
  const CorrectionMode tr = CorrectionMode::Transmission, at = CorrectionMode::Attenuation;
  const Case cases[] = {
      {Integer16, le, sg, 3, 2, mean, tr, true, 0.0f},
      {Integer16, be, us, 4, 1, median, at, true, 0.0f},
      {Integer16, le, sg, 5, 0, median, tr, false, 2.0f},
      {Integer16, be, sg, 2, 3, mean, at, false, 0.0f},
      {Float32, le, sg, 3, 2, median, tr, true, 0.0f},
      {Float32, le, sg, 4, 0, mean, at, false, -1.5f},
      {Float32, le, sg, 1, 1, median, at, true, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Describe(c));
    const ConversionParameters p = Layout(c);
    std::vector<Bytes> flatFiles, darkFiles;
    std::vector<std::vector<float>> flats, darks;
    for (int f = 0; f < c.flats; ++f) {
      flatFiles.push_back(FileOf(c, Values(c, f, 2000.0)));
      flats.push_back(Decoded(c, Values(c, f, 2000.0)));
    }
    for (int f = 0; f < c.darks; ++f) {
      darkFiles.push_back(FileOf(c, Values(c, f + 7, 100.0)));
      darks.push_back(Decoded(c, Values(c, f + 7, 100.0)));
    }
    std::vector<double> raw = Values(c, 3, 700.0);
    raw[7] = 150.0;  // over a zero denominator: far beyond 16 bits
    const Bytes input = FileOf(c, raw);

    CorrectionParameters correction;
    correction.combine = c.combine;
    correction.mode = c.mode;
    std::vector<std::span<const unsigned char>> flatSpans(flatFiles.begin(), flatFiles.end());
    std::vector<std::span<const unsigned char>> darkSpans(darkFiles.begin(), darkFiles.end());
    FlatField field;
    ASSERT_FALSE(CombineFlatField(p, correction, flatSpans, darkSpans, field).has_value());

    // The corrected work image, converted on the float path with scale 1.
    const std::vector<float> work =
        ExpectedWork(c, flats, darks, Decoded(c, raw), CorrectionScale(correction));
    ConversionParameters floats = p;
    floats.sampleType = Float32, floats.headerLen = 0, floats.scale = 1.0f;
    const Bytes workFile = engine_test::FloatBytes(work);
    const auto expected = Convert(floats, workFile, TransformKernels::Reference, nullptr);
    for (TransformKernels k : {TransformKernels::Reference, TransformKernels::Scalar,
                               TransformKernels::Avx2, TransformKernels::Avx512}) {
      if (!KernelsAvailable(k)) continue;
      SCOPED_TRACE(int(k));
      EXPECT_EQ(Convert(p, input, k, &field), expected);
    }
  }
}

// Outside the image a corrected conversion reads 0, whatever the buffers
// hold there: every kernel set agrees with the reference on windows that
// reach beyond the image.
TEST(FlatField, OutsideTheImageEveryScheduleAgrees) {
  const Case c{SampleType::Float32,
               ByteOrder::LittleEndian,
               Signedness::Signed,
               2,
               1,
               Combining::Mean,
               CorrectionMode::Transmission,
               false,
               30.0f};
  ConversionParameters p = Layout(c);
  p.cropLeft = -3, p.cropTop = -2, p.cropRight = 14, p.cropBottom = 13;
  p.outSizeX = 17, p.outSizeY = 15;
  const Bytes flats[] = {FileOf(c, Values(c, 0, 2000.0)), FileOf(c, Values(c, 1, 2000.0))};
  const Bytes dark = FileOf(c, Values(c, 5, 100.0));
  const std::span<const unsigned char> flatSpans[] = {flats[0], flats[1]};
  const std::span<const unsigned char> darkSpans[] = {dark};
  FlatField field;
  ASSERT_FALSE(CombineFlatField(p, {}, flatSpans, darkSpans, field).has_value());
  const Bytes input = FileOf(c, Values(c, 2, 900.0));
  const auto reference = Convert(p, input, TransformKernels::Reference, &field);
  EXPECT_EQ(Convert(p, input, TransformKernels::Fastest, &field), reference);
  EXPECT_EQ(Convert(p, input, TransformKernels::Scalar, &field), reference);
}

// A 16-bit input is corrected inside the smoothing, a band of rows at a
// time: rows on either side of a band's edge come out as the reference's.
TEST(FlatField, CorrectedBandsMeetAsTheReferenceSays) {
  ConversionParameters p;
  p.inSizeX = 4100, p.inSizeY = 23;  // a few rows a band
  p.cropRight = 4100, p.cropBottom = 23, p.outSizeX = 1000, p.outSizeY = 7;
  p.rotCentreX = 2050, p.rotCentreY = 11, p.angle = 0.5f;
  const std::int64_t n = std::int64_t{p.inSizeX} * p.inSizeY;
  const Bytes flats[] = {engine_test::LittleEndian16(engine_test::ScrambledImage(n, 1)),
                         engine_test::LittleEndian16(engine_test::ScrambledImage(n, 2))};
  const std::span<const unsigned char> flatSpans[] = {flats[0], flats[1]};
  for (const CorrectionMode mode : {CorrectionMode::Transmission, CorrectionMode::Attenuation}) {
    CorrectionParameters c;
    c.mode = mode;
    FlatField field;
    ASSERT_FALSE(CombineFlatField(p, c, flatSpans, {}, field).has_value());
    const Bytes input = engine_test::LittleEndian16(engine_test::ScrambledImage(n, 3));
    EXPECT_EQ(Convert(p, input, TransformKernels::Fastest, &field),
              Convert(p, input, TransformKernels::Reference, &field));
  }
}

// The vector kernels' sorting network gives the plain median, to the bit,
// for every count of frames it takes.
TEST(FlatField, MedianNetworkMatchesThePlainMedian) {
  constexpr std::int64_t kPositions = 40;
  for (const int n : {1, 2, 3, 4, 7, 16, 33, 50, 64, 101, 128}) {
    std::vector<float> frames(std::size_t(n) * kPositions);
    std::uint32_t state = std::uint32_t(n);
    for (float& v : frames) {
      state = state * 1664525u + 1013904223u;
      const std::uint32_t pick = state >> 24;
      v = pick < 8 ? kNaN : pick < 16 ? -0.0f : pick < 24 ? 0.0f : float(int(state >> 12) - 524288);
    }
    const auto steps = median_network::StepsFor(n);
    for (TransformKernels k : {TransformKernels::Avx2, TransformKernels::Avx512}) {
      if (!KernelsAvailable(k)) continue;
      std::vector<double> network(kPositions, -1.0);
      const std::int64_t done = KernelsFor(k)->medianAcross(frames.data(), kPositions, n, steps,
                                                            kPositions, network.data());
      for (std::int64_t c = 0; c < done; ++c) {
        std::vector<std::int32_t> keys;
        for (int f = 0; f < n; ++f)
          keys.push_back(median_network::KeyOf(frames[f * kPositions + c]));
        const double plain = MedianOfKeys(keys.data(), n);
        EXPECT_EQ(std::memcmp(&plain, &network[std::size_t(c)], 8), 0)
            << n << " frames, position " << c << ": " << network[std::size_t(c)] << " not "
            << plain;
      }
    }
  }
}

// A batch reads its flats and darks from files as they are held in memory,
// and refuses before converting anything when one is wrong.
class FlatFieldBatch : public engine_test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Shape(kX, kY, 5, 4);
    for (int f = 0; f < 3; ++f) {
      flats.push_back(engine_test::LittleEndian16(engine_test::ScrambledImage(kX * kY, f + 1)));
      folder.WriteFile("in/flat_" + std::to_string(f) + ".raw", flats.back());
    }
    dark = engine_test::LittleEndian16(engine_test::ScrambledImage(kX * kY, 9));
    folder.WriteFile("dark.raw", dark);
    job.correction.flat = {"flat_%d.raw", 0, -1};
    job.correction.dark = {folder.PathOf("dark.raw"), 0, -1};
    job.correction.combine = Combining::Median;
  }
  std::vector<Bytes> flats;
  Bytes dark;
};

TEST_F(FlatFieldBatch, FilesCombineAsInMemory) {
  const Bytes input = engine_test::LittleEndian16(engine_test::ScrambledImage(kX * kY, 4));
  WriteInput(0, input);
  const std::span<const unsigned char> flatSpans[] = {flats[0], flats[1], flats[2]};
  const std::span<const unsigned char> darkSpans[] = {dark};
  for (const bool withDark : {true, false}) {
    SCOPED_TRACE(withDark);
    if (!withDark) job.correction.dark = {};
    ASSERT_TRUE(job.RunBatch());
    FlatField field;
    ASSERT_FALSE(CombineFlatField(job.parameters(), job.correction, flatSpans,
                                  std::span(darkSpans).first(withDark ? 1 : 0), field)
                     .has_value());
    EXPECT_EQ(field.flats, 3);
    std::vector<std::int16_t> out(20);
    ASSERT_FALSE(ConvertImage(job.parameters(), input, out, 0, &field).has_value());
    EXPECT_EQ(ReadOutput(0), engine_test::LittleEndian16(out));
  }
}

TEST_F(FlatFieldBatch, RefusedBeforeAnythingIsConverted) {
  WriteInput(0, engine_test::LittleEndian16(engine_test::ScrambledImage(kX * kY, 4)));
  folder.WriteFile("in/short.raw", Bytes(kX * kY * 2 - 1));
  const struct {
    std::function<void(CorrectionParameters&)> change;
    std::string message;
  } refusals[] = {
      {[](auto& c) { c.flat.pattern.clear(); }, "A dark field needs a flat field to correct with"},
      {[](auto& c) { c.flat.count = 0; }, "The flat file count must be at least 1"},
      {[](auto& c) { c.flat.count = 4; }, "flat_3.raw can not be opened (No such file"},
      {[](auto& c) {
         c.flat = {"short.raw", 0, -1};
       },
       "short.raw holds 239 bytes, a whole input needs 240"},
      {[](auto& c) {
         c.dark = {"dark_%s", 0, -1};
       },
       "The name dark_%s is neither a plain file name nor a pattern with one integer field"},
      {[](auto& c) { c.scale = std::numeric_limits<double>::infinity(); },
       "The correction scale must be a finite number"},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.message);
    CorrectionParameters changed = job.correction;
    r.change(changed);
    std::swap(job.correction, changed);
    reporter.messages.clear();
    EXPECT_FALSE(job.RunBatch());
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].text.find(r.message), std::string::npos)
        << reporter.messages[0].text;
    EXPECT_FALSE(OutputExists(0));
    std::swap(job.correction, changed);
  }
}

}  // namespace projconv
