#include "probe/layout_probe.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "tests/probe/synthetic_raw.h"

namespace projconv {

namespace {

RawLayout Layout(SampleType type, ByteOrder order, Signedness signedness) {
  return {type, order, signedness};
}

const RawLayout kEncodings[] = {
    Layout(SampleType::Integer16, ByteOrder::LittleEndian, Signedness::Signed),
    Layout(SampleType::Integer16, ByteOrder::LittleEndian, Signedness::Unsigned),
    Layout(SampleType::Integer16, ByteOrder::BigEndian, Signedness::Signed),
    Layout(SampleType::Integer16, ByteOrder::BigEndian, Signedness::Unsigned),
    Layout(SampleType::Float32, ByteOrder::LittleEndian, Signedness::Signed),
};

struct Size {
  int width, height;
};
const Size kSizes[] = {{256, 256}, {320, 240}, {200, 300}};

std::vector<ScoredLayout> Probe(const std::vector<unsigned char>& file, const KnownLayout& known) {
  return ProbeLayouts(MemoryBytes(file), known, 5);
}

RawLayout With(RawLayout encoding, Size size, int headerLen) {
  encoding.width = size.width, encoding.height = size.height, encoding.headerLen = headerLen;
  return encoding;
}

TEST(LayoutProbe, FindsTheLayoutAFileWasWrittenIn) {
  for (const RawLayout& encoding : kEncodings) {
    for (const Size size : kSizes) {
      // An odd header length is not guessed, so it is given.
      for (const int headerLen : {0, 256, 2048, 137}) {
        const RawLayout written = With(encoding, size, headerLen);
        SCOPED_TRACE(Describe(written));
        const KnownLayout known{.headerLen = headerLen == 137 ? std::optional(137) : std::nullopt};
        const auto found = Probe(RawFile(written, SmoothPicture(size.width, size.height)), known);
        ASSERT_FALSE(found.empty());
        EXPECT_EQ(Describe(found[0].layout), Describe(written));
        // A longer header would drop rows of the same smooth picture: it must
        // not come close.
        for (const ScoredLayout& other : found) {
          RawLayout shortened = other.layout;
          shortened.height = written.height, shortened.headerLen = written.headerLen;
          if (shortened == written && other.layout.headerLen > written.headerLen) {
            EXPECT_GT(other.score, 1.2 * found[0].score) << Describe(other.layout);
          }
        }
      }
    }
  }
}

bool Agrees(const RawLayout& layout, const KnownLayout& known) {
  const bool float32 = layout.sampleType == SampleType::Float32;
  return (!known.width || *known.width == layout.width) &&
         (!known.height || *known.height == layout.height) &&
         (!known.headerLen || *known.headerLen == layout.headerLen) &&
         (!known.sampleType || *known.sampleType == layout.sampleType) &&
         (!known.byteOrder || (!float32 && *known.byteOrder == layout.byteOrder)) &&
         (!known.signedness || (!float32 && *known.signedness == layout.signedness));
}

std::vector<double> Scaled(std::vector<double> picture, double factor) {
  for (double& value : picture) value *= factor;
  return picture;
}

const RawLayout kUnsignedLittle = kEncodings[1], kSignedBig = kEncodings[2], kFloat = kEncodings[4];

struct NarrowedCase {
  const char* name;
  std::vector<unsigned char> file;
  KnownLayout known;
  std::optional<RawLayout> best;  // none when any layout that agrees will do
  bool fits = true;
};

std::vector<NarrowedCase> NarrowedCases() {
  const auto file = [](const RawLayout& layout) {
    return RawFile(layout, SmoothPicture(layout.width, layout.height));
  };
  const RawLayout oddHeader = With(kUnsignedLittle, {200, 300}, 137);
  const RawLayout oddFloat = With(kFloat, {200, 300}, 137);
  const RawLayout square = With(kSignedBig, {256, 256}, 0);
  std::vector<unsigned char> longer = file(square);
  longer.resize(longer.size() + 1000, 0x5a);
  // Below the halfway point, signed and unsigned read the same picture.
  const RawLayout low = With(kUnsignedLittle, {320, 240}, 256);
  const std::vector<unsigned char> lowFile = RawFile(low, Scaled(SmoothPicture(320, 240), 0.3));
  RawLayout lowAsSigned = low;
  lowAsSigned.signedness = Signedness::Signed;
  return {
      {"SizeGivenFindsAnOddHeader", file(oddHeader), {.width = 200, .height = 300}, oddHeader},
      {"HeaderGivenFindsTheSize", file(oddFloat), {.headerLen = 137}, oddFloat},
      {"TypeGivenIsKept", file(square), {.sampleType = SampleType::Float32}, {}},
      {"ByteOrderGivenIsKept", file(square), {.byteOrder = ByteOrder::LittleEndian}, {}},
      {"SignednessUntoldReadsSigned", lowFile, {}, lowAsSigned},
      {"SignednessGivenIsKept", lowFile, {.signedness = Signedness::Unsigned}, low},
      {"EverythingGivenReadsAPrefix",
       longer,
       {.width = 256, .height = 256, .headerLen = 0},
       square},
      {"NothingFits", file(square), {.width = 1000, .height = 1000}, {}, false},
  };
}

TEST(LayoutProbe, KnownValuesNarrowTheSearch) {
  for (const NarrowedCase& c : NarrowedCases()) {
    SCOPED_TRACE(c.name);
    const auto found = Probe(c.file, c.known);
    EXPECT_EQ(!found.empty(), c.fits);
    for (const ScoredLayout& candidate : found) {
      EXPECT_TRUE(Agrees(candidate.layout, c.known)) << Describe(candidate.layout);
    }
    if (c.best && !found.empty()) {
      EXPECT_EQ(Describe(found[0].layout), Describe(*c.best));
    }
  }
}

}  // namespace

}  // namespace projconv
