#include "tests/fuzz/fuzz_input.h"

#include <algorithm>
#include <array>
#include <bit>
#include <iterator>

#include "engine/conversion_parameters.h"

namespace projconv {

namespace fuzz {
namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();

// Sizes around the edges that matter: signs, one past the usual range, the
// smallest images, and the top of the 32-bit range.
constexpr std::array<std::int32_t, 16> kOddSizes{-1,  -2,  -64, kMin32, 65, 100, 127,   128,
                                                 200, 255, 256, 1,      2,  3,   kHuge, kHuge};

// Header lengths that misalign the samples or exceed any file.
constexpr std::array<std::int32_t, 16> kOddHeaders{-1,   -2,   -64,  kMin32, 65,    127, 255, 256,
                                                   1000, 4095, 4097, 65535,  65537, 1,   3,   7};

constexpr std::array<std::int32_t, 4> kOddChoices{2, -1, kMin32, kHuge};

// Accepted patterns, and a few that must be refused before anything is read.
constexpr std::array<const char*, 8> kPatterns{"raw.%04i", "%d",   "p%+05d.raw", "%-6i_",
                                               "x%%%d",    "%.0d", "%s",         "%d%n"};

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t Byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }

  std::uint32_t Word() {
    std::uint32_t word = 0;
    for (int shift = 0; shift < 32; shift += 8) word |= std::uint32_t{Byte()} << shift;
    return word;
  }

  std::vector<std::uint8_t> Take(std::size_t count) {
    const std::size_t n = std::min(count, bytes_.size() - at_);
    std::vector<std::uint8_t> taken(bytes_.begin() + std::ptrdiff_t(at_),
                                    bytes_.begin() + std::ptrdiff_t(at_ + n));
    at_ += n;
    return taken;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

std::int32_t SizeOf(std::uint8_t b, const std::array<std::int32_t, 16>& odd) {
  return b < 0xF0 ? b % 65 : odd[b - 0xF0];
}

std::int32_t ChoiceOf(std::uint8_t b) {
  return b < 0x80 ? b & 1 : kOddChoices[b & 3];
}

std::int32_t CoordinateOf(std::uint32_t w) {
  const std::uint32_t top = w >> 24;
  if (top == 0x7F || top == 0x80) return std::bit_cast<std::int32_t>(w);
  if (w & 0x10000) return static_cast<std::int16_t>(w & 0xFFFF);
  return static_cast<std::int8_t>(w & 0xFF);
}

void PairHugeSizes(std::int32_t& a, std::int32_t& b) {
  if (a == kHuge || b == kHuge) a = b = kHuge;
}

std::string RawPattern(ByteReader& reader) {
  const std::vector<std::uint8_t> bytes = reader.Take(reader.Byte());
  std::string pattern(bytes.begin(), bytes.end());
  std::replace(pattern.begin(), pattern.end(), '/', '_');
  return pattern;
}

std::vector<std::uint8_t> FileContents(ByteReader& reader, std::size_t readLength) {
  const std::uint32_t length = reader.Byte() | (std::uint32_t{reader.Byte()} << 8);
  if ((length & 0x8000) == 0) return reader.Take(length);
  const std::vector<std::uint8_t> chunk = reader.Take(length & 0xFF);
  std::vector<std::uint8_t> file(readLength, 0);
  if (!chunk.empty()) {
    for (std::size_t k = 0; k < file.size(); ++k) file[k] = chunk[k % chunk.size()];
  }
  return file;
}

}  // namespace

std::size_t ReadLength(const FuzzCase& c, std::size_t cap) {
  if (c.inSizeX < 0 || c.inSizeY < 0 || c.headerLen < 0) return 0;
  const std::uint64_t sampleBytes = SampleType(c.sampleType) == SampleType::Float32 ? 4 : 2;
  const std::uint64_t n = std::uint64_t(c.inSizeX) * std::uint64_t(c.inSizeY);
  if (n > cap) return cap;
  return std::size_t(std::min<std::uint64_t>(std::uint64_t(c.headerLen) + sampleBytes * n, cap));
}

FuzzCase Decode(std::span<const std::uint8_t> bytes) {
  ByteReader reader(bytes);
  FuzzCase c;
  c.inSizeX = SizeOf(reader.Byte(), kOddSizes);
  c.inSizeY = SizeOf(reader.Byte(), kOddSizes);
  c.outSizeX = SizeOf(reader.Byte(), kOddSizes);
  c.outSizeY = SizeOf(reader.Byte(), kOddSizes);
  PairHugeSizes(c.inSizeX, c.inSizeY);
  PairHugeSizes(c.outSizeX, c.outSizeY);
  c.headerLen = SizeOf(reader.Byte(), kOddHeaders);
  c.sampleType = ChoiceOf(reader.Byte());
  c.byteOrder = ChoiceOf(reader.Byte());
  c.signedness = ChoiceOf(reader.Byte());

  const std::uint8_t patterns = reader.Byte();
  c.inFormat = kPatterns[patterns & 7];
  c.outFormat = kPatterns[(patterns >> 3) & 7];
  const std::uint8_t files = reader.Byte();
  c.fileCount = files & 3;
  c.folderAfterFiles = (files & 0x04) != 0;
  c.sameFolder = (files & 0x08) != 0;
  c.againOnReference = (files & 0x10) != 0;
  c.callRunBatch = (files & 0x20) != 0;
  c.stopAfter = reader.Byte() % 6;
  const std::uint8_t transform = reader.Byte();
  c.threads = (transform & 0x0F) % 10 - 1;
  c.kernels = static_cast<TransformKernels>((transform >> 4) % 5);

  c.startNumber = CoordinateOf(reader.Word());
  for (std::int32_t* field :
       {&c.cropLeft, &c.cropTop, &c.cropRight, &c.cropBottom, &c.rotCentreX, &c.rotCentreY}) {
    *field = CoordinateOf(reader.Word());
  }
  c.angle = std::bit_cast<float>(reader.Word());
  c.scale = std::bit_cast<float>(reader.Word());

  if (patterns & 0x40) c.inFormat = RawPattern(reader);
  if (patterns & 0x80) c.outFormat = RawPattern(reader);
  // Whole images only up to a size that keeps every case fast.
  const std::size_t readLength = ReadLength(c, std::size_t{1} << 20);
  for (int k = 0; k < c.fileCount; ++k) c.files.push_back(FileContents(reader, readLength));
  return c;
}

}  // namespace fuzz

}  // namespace projconv
