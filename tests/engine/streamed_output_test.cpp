// Pieces of an output put from several threads at once, in any order, must
// leave the file exactly as one write of the whole image does, however many
// of them one writing thread takes over from the others, the first of them
// while it creates the file.

#include "engine/internal/streamed_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

}  // namespace
}  // namespace engine_test

}  // namespace projconv
