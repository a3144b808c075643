// projconv-sample DIR: writes a synthetic projection sequence and a settings
// file that converts it, then prints the settings file's path.
//
// The sequence: 36 parallel-beam projections, one every 10 degrees, of a
// phantom of six ellipsoids (a body of unit density with an air pocket, a
// dense ball, a rod, a plate and a bright bead) turning about the vertical
// axis through column 256. Each file is a 256-byte text header followed by
// 512 x 512 signed 16-bit little-endian samples: 32 counts per pixel of path
// times the density, at most about 16200. The detector is rolled 2.5 degrees
// clockwise; sample.ini turns it back by 2.5 degrees about (256, 256), crops
// (64, 64)-(448, 448) and halves it to 192 x 192 into DIR/out.

#include <cstring>
#include <iostream>

#include "sample/write_sample.h"

namespace projconv {

namespace {

constexpr int kUsageError = 64;

void PrintUsage(std::ostream& out) {
  out << "usage: projconv-sample DIR\n"
         "Writes a synthetic projection sequence (raw.0000 ... raw.0035) and sample.ini\n"
         "into DIR, which must be new or empty, and prints the path of sample.ini.\n";
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage(std::cout);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
    PrintUsage(std::cerr);
    return kUsageError;
  }
  const sample::SampleResult result = sample::WriteSample(argv[1]);
  if (!result.ok) {
    std::cerr << "projconv-sample: " << result.error << "\n";
    return 1;
  }
  std::cout << result.settingsFile.string() << "\n";
  return 0;
}
