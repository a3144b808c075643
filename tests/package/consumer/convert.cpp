// Converts one numbered sequence of 16-bit little-endian signed projections
// with the installed engine, from parameters given one per argument.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/batch_reporter.h"
#include "engine/projection_job.h"

namespace {

// The engine's messages would otherwise be dropped; a failing test shows them.
class PrintingReporter : public projconv::BatchReporter {
 public:
  void ShowMessage(const std::string& text, const std::string& caption) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
  void PostProgress(std::int32_t) override {}
};

std::int32_t Int(const char* text) {
  return static_cast<std::int32_t>(std::strtol(text, nullptr, 10));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 17) {
    std::fprintf(stderr,
                 "usage: convert IN_FOLDER OUT_FOLDER IN_FORMAT OUT_FORMAT HEADER_LEN IN_W IN_H\n"
                 "               OUT_W OUT_H LEFT TOP RIGHT BOTTOM CENTRE_X CENTRE_Y ANGLE\n");
    return 64;
  }
  PrintingReporter reporter;
  projconv::ProjectionJob job;
  job.dialog = &reporter;
  job.inFolder = argv[1];
  job.outFolder = argv[2];
  job.inFormat = argv[3];
  job.outFormat = argv[4];
  job.startNumber = 0;
  job.headerLen = Int(argv[5]);
  job.sampleType = projconv::SampleType::Integer16;
  job.byteOrder = projconv::ByteOrder::LittleEndian;
  job.signedness = projconv::Signedness::Signed;
  job.inSizeX = Int(argv[6]);
  job.inSizeY = Int(argv[7]);
  job.outSizeX = Int(argv[8]);
  job.outSizeY = Int(argv[9]);
  job.cropLeft = Int(argv[10]);
  job.cropTop = Int(argv[11]);
  job.cropRight = Int(argv[12]);
  job.cropBottom = Int(argv[13]);
  job.rotCentreX = Int(argv[14]);
  job.rotCentreY = Int(argv[15]);
  job.angle = std::strtof(argv[16], nullptr);
  job.scale = 1.0f;
  return job.RunBatch() ? 0 : 1;
}
