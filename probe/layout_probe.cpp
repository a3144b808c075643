#include "probe/layout_probe.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <utility>

#include "probe/layout_candidates.h"
#include "probe/layout_score.h"
#include "probe/reading_profile.h"
#include "probe/row_continuity.h"

namespace projconv {

namespace {

// Geometries looked at closely after the quick look; enough for the right
// one, its neighbours by a row of header, and the pictures twice as wide.
constexpr std::size_t kCloseLooks = 32;

// The reading profiles of each sample size and byte phase, made once.
class Profiles {
 public:
  Profiles(const ByteSource& bytes, const KnownLayout& known) : bytes_(bytes), known_(known) {}

  const std::vector<ReadingProfile>* For(const SampleGeometry& geometry) {
    const auto key =
        std::pair(geometry.sampleBytes, int(geometry.headerLen % geometry.sampleBytes));
    auto kept = made_.find(key);
    if (kept == made_.end()) {
      kept =
          made_
              .emplace(key, ProfileReadings(bytes_, key.second, ReadingsAllowed(key.first, known_)))
              .first;
    }
    return kept->second ? &*kept->second : nullptr;
  }

 private:
  const ByteSource& bytes_;
  const KnownLayout& known_;
  std::map<std::pair<int, int>, std::optional<std::vector<ReadingProfile>>> made_;
};

// Every reading of `geometry` that `known` allows, scored; none when the
// source fails.
std::optional<std::vector<ScoredLayout>> ScoreReadings(const ByteSource& bytes,
                                                       const SampleGeometry& geometry,
                                                       Profiles& profiles,
                                                       const SamplingPlan& plan) {
  const std::vector<ReadingProfile>* profile = profiles.For(geometry);
  if (!profile) return std::nullopt;
  std::vector<SampleReading> readings;
  for (const ReadingProfile& one : *profile) readings.push_back(one.reading);
  const auto continuity = MeasureRowContinuity(bytes, geometry, readings, plan);
  if (!continuity) return std::nullopt;
  std::vector<ScoredLayout> scored;
  for (std::size_t r = 0; r < readings.size(); ++r) {
    const RawLayout layout{readings[r].sampleType,        readings[r].byteOrder,
                           readings[r].signedness,        std::int32_t(geometry.width),
                           std::int32_t(geometry.height), std::int32_t(geometry.headerLen)};
    scored.push_back({layout, LayoutScore(layout, (*profile)[r], (*continuity)[r])});
  }
  return scored;
}

double BestScore(const std::vector<ScoredLayout>& layouts) {
  double best = std::numeric_limits<double>::infinity();
  for (const ScoredLayout& layout : layouts) best = std::min(best, layout.score);
  return best;
}

// Stable, so that equal scores keep the order the candidates were made in.
void SortByScore(auto& items, auto scoreOf) {
  std::stable_sort(items.begin(), items.end(),
                   [&](const auto& a, const auto& b) { return scoreOf(a) < scoreOf(b); });
}

}  // namespace

std::vector<ScoredLayout> ProbeLayouts(const ByteSource& bytes, const KnownLayout& known,
                                       std::size_t count) {
  Profiles profiles(bytes, known);
  struct Glance {
    SampleGeometry geometry;
    double best;
  };
  std::vector<Glance> glances;
  for (const SampleGeometry& geometry : CandidateGeometries(bytes.Size(), known)) {
    const auto scored = ScoreReadings(bytes, geometry, profiles, kQuickLook);
    if (!scored) return {};
    glances.push_back({geometry, BestScore(*scored)});
  }
  SortByScore(glances, [](const Glance& glance) { return glance.best; });
  if (glances.size() > kCloseLooks) glances.resize(kCloseLooks);

  std::vector<ScoredLayout> layouts;
  for (const Glance& glance : glances) {
    const auto scored = ScoreReadings(bytes, glance.geometry, profiles, kCloseLook);
    if (!scored) return {};
    layouts.insert(layouts.end(), scored->begin(), scored->end());
  }
  SortByScore(layouts, [](const ScoredLayout& layout) { return layout.score; });
  if (layouts.size() > count) layouts.resize(count);
  return layouts;
}

}  // namespace projconv
