// Throughput of ProjectionJob::TransformImage on three typical workloads, in
// megabytes of 16-bit input per second (1 MB = 10^6 bytes) of wall time, for
// each kernel choice and worker thread count.
//
// Each iteration converts one image. The input is copied into the read area
// before every iteration with the timer paused: decoding rewrites the samples
// in place, so the bytes must be restored, and the copy is not part of the
// transform. The buffers are obtained once per workload, and every image is
// made as a batch makes it.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/projection_job.h"
#include "engine/reference/reference_transform.h"

namespace projconv {

namespace {

struct Workload {
  std::int32_t inSizeX, inSizeY;
  std::int32_t cropLeft, cropTop, cropRight, cropBottom;
  std::int32_t outSizeX, outSizeY;
  std::int32_t rotCentreX, rotCentreY;
  float angle;
  bool direct;  // whether the transform should copy rather than resample
};

// A: the direct path, a centred window copied out unchanged.
constexpr Workload kDirect{2048, 2048, 256, 256, 1792, 1792, 1536, 1536, 1024, 1024, 0.0f, true};
// B: rotated and halved: both smoothing passes, then resampling.
constexpr Workload kHalved{2048, 2048, 0, 0, 2048, 2048, 1024, 1024, 1024, 1024, 3.7f, false};
// C: rotated and doubled: no smoothing, resampling onto a larger grid.
constexpr Workload kDoubled{1024, 1024, 100, 100, 900, 900, 1600, 1600, 512, 512, -12.5f, false};

// Signed 16-bit little-endian samples from a fixed seed, no header.
std::vector<unsigned char> RandomInput(const Workload& w) {
  std::mt19937 generator(20240611u);
  std::vector<unsigned char> bytes(2 * std::size_t(w.inSizeX) * std::size_t(w.inSizeY));
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const std::uint32_t word = generator();
    bytes[i] = static_cast<unsigned char>(word & 0xFF);
    bytes[i + 1] = static_cast<unsigned char>((word >> 8) & 0xFF);
  }
  return bytes;
}

void Configure(ProjectionJob& job, const Workload& w) {
  job.headerLen = 0;
  job.sampleType = SampleType::Integer16;
  job.byteOrder = ByteOrder::LittleEndian;
  job.signedness = Signedness::Signed;
  job.inSizeX = w.inSizeX;
  job.inSizeY = w.inSizeY;
  job.outSizeX = w.outSizeX;
  job.outSizeY = w.outSizeY;
  job.cropLeft = w.cropLeft;
  job.cropTop = w.cropTop;
  job.cropRight = w.cropRight;
  job.cropBottom = w.cropBottom;
  job.rotCentreX = w.rotCentreX;
  job.rotCentreY = w.rotCentreY;
  job.angle = w.angle;
  job.scale = 1.0f;
}

// Choice 1 is the sample-by-sample yardstick, for comparison.
constexpr TransformKernels kChoices[] = {TransformKernels::Fastest, TransformKernels::Reference,
                                         TransformKernels::Scalar, TransformKernels::Avx2,
                                         TransformKernels::Avx512};
const char* const kChoiceNames[] = {"fastest", "reference", "scalar", "avx2", "avx512"};

void TransformImage(benchmark::State& state, const Workload& w) {
  ProjectionJob job;
  Configure(job, w);
  const auto choice = static_cast<std::size_t>(state.range(0));
  job.batch.kernels = kChoices[choice];
  job.batch.workerThreads = static_cast<std::int32_t>(state.range(1));
  state.SetLabel(kChoiceNames[choice]);
  if (!KernelsAvailable(job.batch.kernels)) {
    state.SkipWithError("this processor lacks the instructions of these kernels");
    return;
  }
  if (job.TakesDirectPath() != w.direct) {
    state.SkipWithError("the workload does not take the path it is meant to measure");
    return;
  }
  // The buffers and pointers exactly as a batch sets them up before its
  // first image.
  if (job.Prepare(false)) {
    state.SkipWithError("cannot obtain the buffers");
    return;
  }
  const std::vector<unsigned char> input = RandomInput(w);

  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(job.intReadArea, input.data(), input.size());
    state.ResumeTiming();
    job.TransformImage();
    benchmark::DoNotOptimize(job.outImage[0]);
    benchmark::ClobberMemory();
  }

  const auto bytes = static_cast<std::int64_t>(input.size()) * state.iterations();
  state.SetBytesProcessed(bytes);
  state.counters["MB/s"] = benchmark::Counter(double(bytes) / 1e6, benchmark::Counter::kIsRate);
}

// Every kernel choice with 1 and 2 workers; the reference has no threads.
// Select with --benchmark_filter, e.g. 'kernels:0/' for the fastest only.
void Variants(benchmark::internal::Benchmark* b) {
  b->ArgNames({"kernels", "threads"});
  b->Args({1, 1});
  for (std::int64_t choice : {0, 2, 3, 4}) {
    for (std::int64_t threads : {1, 2}) b->Args({choice, threads});
  }
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

BENCHMARK_CAPTURE(TransformImage, A_direct_2048_to_1536, kDirect)->Apply(Variants);
BENCHMARK_CAPTURE(TransformImage, B_rotated_2048_to_1024, kHalved)->Apply(Variants);
BENCHMARK_CAPTURE(TransformImage, C_rotated_1024_to_1600, kDoubled)->Apply(Variants);

}  // namespace projconv

BENCHMARK_MAIN();
