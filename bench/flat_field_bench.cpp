// What the flat-field correction costs: combining the flats and darks once
// per batch (median and mean of 50 flats of 2048 x 2048), and converting one
// image of workload B (2048 x 2048 turned by 3.7 degrees onto 1024 x 1024)
// with and without the correction by 20 flats and 10 darks, from memory so
// that only the engine is timed. Prints seconds; the medians of several
// runs. Usage: flat_field_bench FOLDER (a tmpfs folder for the frames).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/flat_field.h"
#include "engine/internal/image_pipeline.h"
#include "engine/projection_job.h"

namespace {

using projconv::ConversionParameters;
using Clock = std::chrono::steady_clock;

constexpr int kSide = 2048;

std::vector<unsigned char> Frame(std::uint32_t seed, int level) {
  std::vector<unsigned char> bytes(std::size_t(2) * kSide * kSide);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t k = 0; k < bytes.size(); k += 2) {
    state = state * 1664525u + 1013904223u;
    const auto v = std::uint16_t(level + (state >> 22));
    bytes[k] = std::uint8_t(v & 0xff);
    bytes[k + 1] = std::uint8_t(v >> 8);
  }
  return bytes;
}

void WriteFrames(const std::string& folder, const char* kind, int count, int level) {
  for (int f = 0; f < count; ++f) {
    const std::vector<unsigned char> bytes = Frame(std::uint32_t(f + level), level);
    std::ofstream(folder + "/" + kind + "_" + std::to_string(f) + ".raw", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
}

template <class Body>
double MedianSeconds(int runs, const Body& body) {
  std::vector<double> seconds;
  for (int r = 0; r < runs; ++r) {
    const auto start = Clock::now();
    body();
    seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

ConversionParameters WorkloadB(const std::string& folder) {
  ConversionParameters p;
  p.inFolder = folder;
  p.inSizeX = p.inSizeY = kSide;
  p.outSizeX = p.outSizeY = 1024;
  p.cropRight = p.cropBottom = kSide;
  p.rotCentreX = p.rotCentreY = 1024;
  p.angle = 3.7f;
  return p;
}

projconv::CorrectionParameters Correction(projconv::Combining combine, int flats, int darks) {
  projconv::CorrectionParameters c;
  c.flat = {"flat_%d.raw", 0, flats};
  if (darks > 0) c.dark = {"dark_%d.raw", 0, darks};
  c.combine = combine;
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: flat_field_bench FOLDER\n");
    return 64;
  }
  const std::string folder = argv[1];
  WriteFrames(folder, "flat", 50, 3000);
  WriteFrames(folder, "dark", 10, 100);
  const ConversionParameters b = WorkloadB(folder);

  projconv::FlatField field;
  for (const auto combine : {projconv::Combining::Median, projconv::Combining::Mean}) {
    const double s = MedianSeconds(3, [&] {
      if (auto refusal = projconv::LoadFlatField(b, Correction(combine, 50, 0), field))
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
    });
    std::printf("%-6s of 50 flats 2048x2048: %.3f s\n", projconv::CombiningName(combine), s);
  }

  if (projconv::LoadFlatField(b, Correction(projconv::Combining::Mean, 20, 10), field)) return 1;
  const std::vector<unsigned char> input = Frame(77, 1500);
  // One image as a batch makes it: read into the prepared buffers, converted.
  const auto convert = [&](const projconv::FlatField* flat) {
    projconv::ProjectionJob job;
    job.SetParameters(b);
    job.UseFlatField(flat);
    if (job.Prepare(false)) std::fprintf(stderr, "the conversion was refused\n");
    const auto area = job.pipeline().buffers().ReadArea(b.sampleType);
    return MedianSeconds(15, [&] {
      std::copy(input.begin(), input.end(), area.begin());
      job.TransformImage();
    });
  };
  for (const auto mode :
       {projconv::CorrectionMode::Transmission, projconv::CorrectionMode::Attenuation}) {
    field.mode = mode;
    const double plain = convert(nullptr);
    const double corrected = convert(&field);
    std::printf("B, one image: %.4f s plain, %.4f s corrected (%s): %.2fx\n", plain, corrected,
                projconv::CorrectionModeName(mode), corrected / plain);
  }
  return 0;
}
