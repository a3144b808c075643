// The proof that lets a sampling row skip per-sample bounds checks: whenever
// it says a row's neighbours are inside, every one of them must be, as the
// reference computes them; and for ordinary rows with room to spare it must
// say so, or the fast kernels would never run. The same bound limits what a
// batch keeps of its scratch images, so it must never fall short either.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/internal/sampling_bounds.h"
#include "engine/sample_math.h"

namespace projconv {

namespace {

struct Neighbourhood {
  std::int64_t lowest, highest;  // element indices from the work image's first sample
};

// The neighbours' indices over the whole row, as the reference forms them.
Neighbourhood Actual(const SamplingRow& row, std::int64_t columns) {
  const auto& g = row.geometry;
  Neighbourhood n{std::numeric_limits<std::int64_t>::max(),
                  std::numeric_limits<std::int64_t>::min()};
  for (std::int64_t j = 0; j < columns; ++j) {
    const double dx = (double(j) * g.stepX + g.left) - g.centreX;
    const double xs = (g.cos * dx - g.a) + g.centreX;
    const double ys = (g.sin * dx + g.b) + g.centreY;
    const std::int64_t k = std::int64_t{TruncToInt32Bits(ys)} * row.width + TruncToInt32Bits(xs);
    n.lowest = std::min(n.lowest, k);
    n.highest = std::max(n.highest, k + row.width + 1);
  }
  return n;
}

// An extent whose buffer starts `lowSlack` bytes before the lowest neighbour
// and ends `highSlack` bytes after the highest (negative: cuts into them).
WorkExtent Around(const Neighbourhood& n, std::int64_t lowSlack, std::int64_t highSlack) {
  const std::int64_t first = -4 * n.lowest + lowSlack;
  return {first, first + 4 * n.highest + 4 + highSlack};
}

// A row with the per-column terms the schedule would give it.
struct TestRow {
  SamplingRow row{};
  std::vector<double> terms;

  void Fill(std::int64_t columns) {
    terms.assign(std::size_t(2 * columns), 0.0);
    const auto& g = row.geometry;
    for (std::int64_t j = 0; j < columns; ++j) {
      const double dx = (double(j) * g.stepX + g.left) - g.centreX;
      terms[std::size_t(j)] = g.cos * dx;
      terms[std::size_t(columns + j)] = g.sin * dx;
    }
    row.cosDx = terms.data();
    row.sinDx = terms.data() + columns;
  }
};

class RowMaker {
 public:
  explicit RowMaker(std::uint32_t seed) : state_(seed | 1u) {}
  double Uniform(double low, double high) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return low + (high - low) * double(state_ >> 11) / double(1ull << 53);
  }
  TestRow Row(bool ordinary, std::int64_t columns) {
    // Half the rows run along the image's axes, where the box the proof draws
    // around a row is tight and an off-by-one in it would show.
    const double axes[] = {0.0, 90.0, 180.0, -90.0};
    const double degrees =
        Uniform(0.0, 1.0) < 0.5 ? axes[int(Uniform(0.0, 4.0))] : Uniform(-180.0, 180.0);
    const double theta = degrees * 0.017453292519943295;
    const double dy = Uniform(-300.0, 300.0);
    const double range = ordinary ? 400.0 : 3e9;
    TestRow made;
    SamplingRow& row = made.row;
    row.geometry.cos = std::cos(theta);
    row.geometry.sin = std::sin(theta);
    row.geometry.stepX = Uniform(-3.0, 3.0);
    row.geometry.left = std::trunc(Uniform(-range, range));
    row.geometry.centreX = std::trunc(Uniform(-range, range));
    row.geometry.centreY = std::trunc(Uniform(-range, range));
    row.geometry.a = dy * row.geometry.sin;
    row.geometry.b = dy * row.geometry.cos;
    row.width = std::int32_t(Uniform(1.0, 400.0));
    made.Fill(columns);
    return made;
  }

 private:
  std::uint64_t state_;
};

TEST(SamplingBounds, NeverClaimsANeighbourInsideThatIsNot) {
  RowMaker maker(7);
  int claimed = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    const auto columns = std::int64_t(maker.Uniform(1.0, 300.0));
    const TestRow made = maker.Row(trial % 4 != 0, columns);
    const SamplingRow& row = made.row;
    const Neighbourhood n = Actual(row, columns);
    ASSERT_GE(HighestNeighbour(row, columns), n.highest) << "trial " << trial;
    // Around the proof's own margin of one row and one sample, and far off.
    const std::int64_t margin = 4 * (std::int64_t{row.width} + 1);
    const std::int64_t slacks[] = {-4, -1, 0, 1, margin - 4, margin - 1, margin, 1000000};
    for (std::int64_t low : slacks) {
      for (std::int64_t high : slacks) {
        if (!NeighboursInside(row, columns, Around(n, low, high))) continue;
        ++claimed;
        ASSERT_TRUE(low >= 0 && high >= 0)
            << "trial " << trial << " claims inside with slack " << low << ", " << high;
      }
    }
  }
  EXPECT_GT(claimed, 3000);  // the proof is not simply refusing everything
}

TEST(SamplingBounds, AcceptsOrdinaryRowsWithRoomAround) {
  RowMaker maker(11);
  for (int trial = 0; trial < 1000; ++trial) {
    const auto columns = std::int64_t(maker.Uniform(1.0, 300.0));
    const TestRow made = maker.Row(true, columns);
    const SamplingRow& row = made.row;
    // The proof bounds the row by the box its two ends span, widened by one
    // sample each way: room for that box leaves no excuse.
    const auto& g = row.geometry;
    const double reachX = std::fabs(g.cos * g.stepX) * double(columns) + 3.0;
    const double reachY = std::fabs(g.sin * g.stepX) * double(columns) + 3.0;
    const auto room = std::int64_t(4 * (reachY * row.width + reachX));
    EXPECT_TRUE(NeighboursInside(row, columns, Around(Actual(row, columns), room, room)))
        << "trial " << trial;
  }
}

TEST(SamplingBounds, RefusesPositionsBeyondThe32BitRange) {
  TestRow made;
  made.row.geometry = {1.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  made.row.width = 10;
  made.Fill(5);
  const WorkExtent everything{std::int64_t{1} << 40, std::int64_t{1} << 42};
  EXPECT_TRUE(NeighboursInside(made.row, 5, everything));
  made.row.geometry.centreX = 3e9;  // xs near 3e9 wraps in 32 bits
  made.row.geometry.left = 3e9;
  made.Fill(5);
  EXPECT_FALSE(NeighboursInside(made.row, 5, everything));
  made.row.geometry.centreX = std::numeric_limits<double>::quiet_NaN();
  made.Fill(5);
  EXPECT_FALSE(NeighboursInside(made.row, 5, everything));
}

}  // namespace

}  // namespace projconv
