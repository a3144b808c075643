#include "tests/preview/preview_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "engine/batch_reporter.h"
#include "engine/projection_job.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace preview_test {

Bytes ScrambledBytes(std::size_t count, std::uint32_t seed) {
  Bytes bytes(count);
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<unsigned char>(seed >> 24);
  }
  return bytes;
}

Bytes ScrambledFloatBytes(std::size_t count, std::uint32_t seed, float limit) {
  Bytes bytes;
  for (std::size_t k = 0; k < count; ++k) {
    seed = seed * 1664525u + 1013904223u;
    float value = (float(seed >> 8) / float(1u << 24) * 2.0f - 1.0f) * limit;
    if (k % 97 == 13) value = std::numeric_limits<float>::quiet_NaN();
    if (k % 211 == 7) value = std::numeric_limits<float>::infinity();
    unsigned char raw[4];
    std::memcpy(raw, &value, 4);
    bytes.insert(bytes.end(), raw, raw + 4);
  }
  return bytes;
}

Bytes LittleEndian(const std::vector<std::int16_t>& samples) {
  Bytes bytes;
  for (const std::int16_t s : samples) {
    const auto u = static_cast<std::uint16_t>(s);
    bytes.push_back(static_cast<unsigned char>(u & 0xFF));
    bytes.push_back(static_cast<unsigned char>(u >> 8));
  }
  return bytes;
}

ConverterValues PlainValues(const TempFolder& folder, std::int32_t width, std::int32_t height) {
  folder.MakeFolder("in");
  folder.MakeFolder("out");
  ConverterValues v;
  test_support::FillRawBatch(v, folder.PathOf("in"), folder.PathOf("out"), width, height);
  v.inFormat = "raw.%04i";
  v.outFormat = "out.%04i";
  v.rotCentreX = width / 2;
  v.rotCentreY = height / 2;
  return v;
}

namespace {

class FirstMessage : public BatchReporter {
 public:
  void ShowMessage(const std::string& text, const std::string&) override {
    if (first.empty()) first = text;
  }
  void PostProgress(std::int32_t) override {}
  std::string first;
};

}  // namespace

BatchOutcome RunBatchOn(const ConverterValues& values) {
  ProjectionJob job;
  job.SetParameters(values);
  FirstMessage reporter;
  job.dialog = &reporter;
  BatchOutcome outcome;
  const BatchResult result = job.RunBatchWithResult();
  outcome.refused = result.end == BatchEnd::Refused;
  outcome.firstMessage = reporter.first;
  if (result.filesWritten > 0) {
    std::ifstream file(values.outFolder + "/" + "out.0000", std::ios::binary);
    outcome.firstOutput =
        Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  return outcome;
}

}  // namespace preview_test

}  // namespace projconv
