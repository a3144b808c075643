// How raw 16-bit and float samples are decoded before they are used, at every
// byte alignment a header length can give them.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

struct DecodeCase {
  const char* name;
  std::int32_t byteOrder;
  std::int32_t signedness;
  std::uint8_t first, second;  // the sample's two bytes in file order
  std::uint16_t expected;      // the output sample's bit pattern
};

const DecodeCase kDecodeCases[] = {
    {"LittleEndianSigned", 0, 0, 0x34, 0x12, 0x1234},
    {"BigEndianSigned", 1, 0, 0x12, 0x34, 0x1234},
    {"BigEndianNegative", 1, 0, 0xFE, 0xDC, 0xFEDC},
    {"SignedMinusOneStays", 0, 0, 0xFF, 0xFF, 0xFFFF},
    {"UnsignedMaximumHalves", 0, 1, 0xFF, 0xFF, 32767},
    {"UnsignedHalvingRoundsDown", 0, 1, 0x01, 0x80, 0x4000},
    // Swapped first, halved second: the other order would give 0xC001.
    {"BigEndianUnsignedSwapsThenHalves", 1, 1, 0x80, 0x03, 0x4001},
};

class DecodeTest : public EngineTest,
                   public ::testing::WithParamInterface<std::tuple<DecodeCase, int>> {};

TEST_P(DecodeTest, DirectPathOutputsDecodedSample) {
  const auto& [c, headerLen] = GetParam();
  Shape(2, 2, 2, 2);
  job.headerLen = headerLen;
  job.byteOrder = ByteOrder(c.byteOrder);
  job.signedness = Signedness(c.signedness);
  // A header of 0xC3 bytes shows up in the output if samples are read misaligned.
  Bytes file(std::size_t(headerLen), 0xC3);
  for (int k = 0; k < 4; ++k) file = Concat(file, {c.first, c.second});

  EXPECT_EQ(ConvertOne(file), std::vector<std::uint16_t>(4, c.expected));
}

INSTANTIATE_TEST_SUITE_P(AllAlignments, DecodeTest,
                         ::testing::Combine(::testing::ValuesIn(kDecodeCases),
                                            ::testing::Values(0, 1, 2, 3, 5)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_Header" +
                                  std::to_string(std::get<1>(info.param));
                         });

// Float files are little-endian whatever the byte order and signedness say;
// the job's two fields are set back to little-endian and signed so that they
// say so.
TEST_F(EngineTest, FloatInputIgnoresByteOrderAndSignednessAndClearsThem) {
  for (int headerLen : {0, 3}) {
    Shape(2, 2, 2, 2);
    job.sampleType = SampleType::Float32;
    job.headerLen = headerLen;
    job.byteOrder = ByteOrder::BigEndian;
    job.signedness = Signedness::Unsigned;
    const Bytes file =
        Concat(Bytes(std::size_t(headerLen), 0x7F), FloatBytes({1234.0f, -2.0f, 0.5f, 40000.0f}));

    EXPECT_EQ(ConvertOne(file), (std::vector<std::uint16_t>{1234, 0xFFFE, 0, 40000}))
        << "header " << headerLen;
    EXPECT_EQ(job.byteOrder, ByteOrder::LittleEndian);
    EXPECT_EQ(job.signedness, Signedness::Signed);
  }
}

// The resampling path starts from the decoded values, not the raw bytes.
TEST_F(EngineTest, ResamplingWorksOnDecodedValues) {
  // 2x2 to 4x4 over the whole image: output (2i, 2j) lands exactly on input (i, j).
  Shape(2, 2, 4, 4);
  job.byteOrder = ByteOrder::BigEndian;
  job.signedness = Signedness::Unsigned;
  const Bytes file = {0xFF, 0xFF, 0x00, 0x02, 0x80, 0x00, 0x00, 0x00};
  const std::vector<std::uint16_t> out = ConvertOne(file);
  ASSERT_EQ(out.size(), 16u);
  EXPECT_EQ(out[0], 32767);   // unsigned 0xFFFF halved
  EXPECT_EQ(out[2], 1);       // 0x0002 halved
  EXPECT_EQ(out[8], 0x4000);  // 0x8000 halved
  EXPECT_EQ(out[10], 0);
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
