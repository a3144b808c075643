#include "engine/internal/parallel_read.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace projconv {

namespace {

constexpr std::size_t kSmallestPiece = std::size_t(1) << 20;  // smaller ones gain nothing
constexpr std::size_t kMostPieces = 16;

}  // namespace

long long ReadInPieces(PosixFile& file, void* into, std::size_t count, WorkerPool* pool,
                       int workers) {
  if (pool != nullptr && workers <= 0) workers = pool->workers();
  const std::size_t pieces =
      pool == nullptr ? 1 : std::min({std::size_t(workers), count / kSmallestPiece, kMostPieces});
  if (pieces < 2 || !file.IsRegularFile()) return file.Read(into, count);

  auto* const bytes = static_cast<unsigned char*>(into);
  const auto begin = [&](std::size_t piece) { return count / pieces * piece; };
  const auto end = [&](std::size_t piece) {
    return piece + 1 == pieces ? count : begin(piece + 1);
  };
  std::array<long long, kMostPieces> got{};
  pool->ForEach(
      std::int64_t(pieces),
      [&](std::int64_t item, int) {
        const auto piece = std::size_t(item);
        got[piece] = file.ReadAt(bytes + begin(piece), end(piece) - begin(piece), begin(piece));
      },
      workers);

  // One read would have stopped where the file ends: at the first piece
  // that came back short, with nothing delivered after it.
  long long delivered = 0;
  for (std::size_t piece = 0; piece < pieces; ++piece) {
    if (got[piece] < 0) {
      file.NoteError(int(-got[piece]));
      return -1;
    }
    delivered += got[piece];
    if (std::size_t(got[piece]) < end(piece) - begin(piece)) break;
  }
  return delivered;
}

}  // namespace projconv
