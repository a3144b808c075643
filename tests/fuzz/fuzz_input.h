#pragma once

// How the fuzzer's bytes become one batch: a fixed 48-byte header of
// parameters, then an optional raw name pattern or two, then up to three
// input files. Missing bytes read as 0, so every byte string is a case.
//
//  offset  bytes  what
//   0       1     inSizeX     size byte: 0..0xEF -> value % 65, 0xF0..0xFF -> kOddSizes
//   1       1     inSizeY     size byte
//   2       1     outSizeX    size byte
//   3       1     outSizeY    size byte
//   4       1     headerLen   0..0xEF -> value % 65, 0xF0..0xFF -> kOddHeaders
//   5       1     sampleType  choice byte: 0..0x7F -> value & 1, else kOddChoices[value & 3]
//   6       1     byteOrder   choice byte
//   7       1     signedness  choice byte
//   8       1     patterns    bits 0-2 input pattern, 3-5 output pattern (kPatterns);
//                             bit 6 / bit 7: a raw input / output pattern follows the header
//   9       1     files       bits 0-1 number of input files; bit 2 a folder stands where the
//                             next input would be; bit 3 output folder = input folder;
//                             bit 4 run the batch again on the reference transform;
//                             bit 5 call RunBatch, not RunBatchWithResult
//  10       1     stop        % 6: 0 = stop requested before the batch, else stop after that
//                             many files (this also ends loops where outputs feed inputs)
//  11       1     transform   bits 0-3: worker threads, (value % 10) - 1 (0 = one per
//                             processor, -1 an out-of-range count); bits 4-7: the
//                             kernels, value % 5 as TransformKernels (Fastest first)
//  12       4     startNumber coordinate
//  16..28   4 x 4 cropLeft, cropTop, cropRight, cropBottom: coordinates
//  32, 36   4 x 2 rotCentreX, rotCentreY: coordinates
//  40       4     angle       float bits, NaN and infinities included
//  44       4     scale       float bits
//
// A coordinate is a little-endian 32-bit word w: if its top byte is 0x7F or
// 0x80 the value is w itself (the ends of the 32-bit range), else if bit 16 is
// set the value is the low 16 bits as a signed number, else the low 8 bits as
// a signed number.
//
// After the header: each raw pattern as one length byte and that many bytes
// ('/' becomes '_', so that no name leaves the scratch folder); then each input
// file as a little-endian 16-bit length L and its bytes. With bit 15 of L set,
// the next (L & 0xFF) bytes are repeated to the batch's full read length
// (zeros when there are none), so whole images are cheap to express.
//
// A size of kHuge pulls its partner (inSizeY for inSizeX, and so on) to kHuge
// as well: two huge sizes must be refused without a memory request, while a
// huge size beside a small one only measures the machine's memory and time
// (a buffer of gigabytes, or 2^31 empty rows to walk).

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "engine/transform_kernels.h"

namespace projconv {

namespace fuzz {

inline constexpr std::size_t kHeaderBytes = 48;
inline constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();
inline constexpr int kMaxFiles = 3;

struct FuzzCase {
  std::int32_t inSizeX = 0, inSizeY = 0, outSizeX = 0, outSizeY = 0;
  std::int32_t headerLen = 0;
  // Choice numbers as decoded, odd ones included.
  std::int32_t sampleType = 0, byteOrder = 0, signedness = 0;
  std::string inFormat, outFormat;
  int fileCount = 0;
  bool folderAfterFiles = false;
  bool sameFolder = false;
  bool againOnReference = false;
  bool callRunBatch = false;
  int stopAfter = 0;  // 0: stop requested before the batch starts
  int threads = 0;
  TransformKernels kernels = TransformKernels::Fastest;
  std::int32_t startNumber = 0;
  std::int32_t cropLeft = 0, cropTop = 0, cropRight = 0, cropBottom = 0;
  std::int32_t rotCentreX = 0, rotCentreY = 0;
  float angle = 0.0f;
  float scale = 0.0f;
  std::vector<std::vector<std::uint8_t>> files;  // fileCount contents
};

// Bytes a batch with these parameters reads from each file at most, or 0 when
// the parameters are refused anyway (negative sizes); capped at `cap`.
std::size_t ReadLength(const FuzzCase& c, std::size_t cap);

FuzzCase Decode(std::span<const std::uint8_t> bytes);

}  // namespace fuzz

}  // namespace projconv
