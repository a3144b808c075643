#pragma once

// Combining flat or dark frames sample by sample, a band of samples at a
// time: the band of every frame is read and decoded, then each sample
// position is combined across the frames. Only the bands are held, never
// every frame at once, so fifty 2048 x 2048 flats take a few tens of MiB.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"

namespace projconv {

class WorkerPool;

// The frames to combine, read by sample range.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual std::int64_t frames() const = 0;
  // Copies the raw bytes of samples first .. first + count - 1 of frame
  // `frame` (the header not counted) to `to`. False when the read failed;
  // FailedFrame then names the frame and Reason says why.
  virtual bool Read(std::int64_t frame, std::int64_t first, std::int64_t count,
                    unsigned char* to) = 0;
  virtual std::string Reason() const { return {}; }
};

// The sample of each position combined across the frames of `source`
// decoded as inputs of `layout` are; false (after the source's failure)
// when a read failed. `combined` gets inSizeX * inSizeY values.
bool CombineFrames(const ConversionParameters& layout, Combining combining, FrameSource& source,
                   WorkerPool& pool, int workers, std::vector<double>& combined);

// The middle value of `keys` (median_network::KeyOf of each value) sorted
// ascending, or the two middle values added and halved in double for an
// even count. Reorders `keys`.
double MedianOfKeys(std::int32_t* keys, std::int64_t count);

}  // namespace projconv
