// Pieces of an output put from several threads at once, in any order, must
// leave the file exactly as one write of the whole image does, however many
// of them one writing thread takes over from the others, the first of them
// while it creates the file.

#include "engine/internal/streamed_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace projconv {

namespace engine_test {
namespace {

TEST(StreamedOutput, PiecesFromManyThreadsMakeTheWholeFile) {
  TempFolder folder;
  constexpr std::size_t kPiece = 4096, kPieces = 300;  // more than are ever left waiting
  Bytes image(kPiece * kPieces);
  std::mt19937 random(5);
  for (auto& byte : image) byte = std::uint8_t(random());
  for (int threads : {1, 4}) {
    PosixFile file;
    const std::string path = folder.PathOf("out");
    StreamedOutput output(file, path, image.data(), image.size());
    std::vector<std::size_t> order(kPieces);
    for (std::size_t k = 0; k < kPieces; ++k) order[k] = k;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<std::thread> putters;
    for (int t = 0; t < threads; ++t) {
      putters.emplace_back([&, t] {
        for (std::size_t k = std::size_t(t); k < kPieces; k += std::size_t(threads))
          output.Put(order[k] * kPiece, kPiece);
      });
    }
    for (std::thread& putter : putters) putter.join();
    EXPECT_TRUE(output.Open() && output.Streams());
    EXPECT_TRUE(output.Finish());
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(folder.ReadFile("out") == image) << threads << " threads";
  }
}

// An earlier output is written over in place, so the file must reach the
// image's full length only with its last byte: a run stopped before then
// leaves a file that a resumed run does not take for whole.
TEST(StreamedOutput, WritesOverAnEarlierFileAndIsWholeOnlyWhenFinished) {
  TempFolder folder;
  constexpr std::size_t kPiece = 1000, kPieces = 5;
  Bytes image(kPiece * kPieces);
  for (std::size_t k = 0; k < image.size(); ++k) image[k] = std::uint8_t(k % 251);
  const std::size_t kNoFile = ~std::size_t{0};
  for (std::size_t earlier : {kNoFile, std::size_t{0}, image.size() / 2, image.size() - 1,
                              image.size(), 3 * image.size()}) {
    const std::string path = folder.PathOf("out");
    std::remove(path.c_str());
    if (earlier != kNoFile) folder.WriteFile("out", Bytes(earlier, 0xAA));
    PosixFile file;
    StreamedOutput output(file, path, image.data(), image.size());
    for (std::size_t k : {kPieces - 1, std::size_t{0}, std::size_t{3}, std::size_t{1}}) {
      output.Put(k * kPiece, kPiece);
      EXPECT_LT(file.RegularSize(), static_cast<long long>(image.size())) << earlier;
    }
    EXPECT_TRUE(output.Finish());  // piece 2 was never put: written here
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(folder.ReadFile("out") == image) << "earlier file of " << earlier << " bytes";
  }
}

}  // namespace
}  // namespace engine_test

}  // namespace projconv
