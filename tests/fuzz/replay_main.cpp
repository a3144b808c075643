// Runs fuzz inputs through the same entry as the fuzzer. With paths alone it
// replays them (every file of a folder, in name order), so each test run
// covers the seed corpus; with --seconds it goes on mutating them blindly, for
// machines without libFuzzer.
//
//   fuzz_replay [--verbose] PATH...
//   fuzz_replay --seconds S [--seed N] [--save FILE] PATH...
//
// --verbose tells each replayed case and how its batch ended.
// --save writes each mutated input to FILE before it runs, so the input that
// broke a guarantee is there to replay; the file is removed after a clean run.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_run.h"
#include "tests/fuzz/mutator.h"

namespace projconv {

namespace {

namespace fs = std::filesystem;

struct Options {
  double seconds = 0.0;
  std::uint32_t seed = 1;
  std::string save;
  bool verbose = false;
  std::vector<fs::path> files;
};

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr,
               "fuzz_replay: %s\nusage: fuzz_replay [--verbose] [--seconds S] [--seed N] "
               "[--save FILE] PATH...\n",
               problem.c_str());
  std::exit(2);
}

void AddPath(const fs::path& path, std::vector<fs::path>& files) {
  std::error_code error;
  if (!fs::is_directory(path, error)) {
    if (!fs::is_regular_file(path, error)) Usage("no such file: " + path.string());
    files.push_back(path);
    return;
  }
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(path, error)) {
    if (entry.is_regular_file()) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
}

Options Parse(int argc, char** argv) {
  Options options;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    const bool hasValue = k + 1 < argc;
    if (arg == "--seconds" && hasValue) {
      options.seconds = std::atof(argv[++k]);
    } else if (arg == "--seed" && hasValue) {
      options.seed = std::uint32_t(std::strtoul(argv[++k], nullptr, 10));
    } else if (arg == "--save" && hasValue) {
      options.save = argv[++k];
    } else if (arg == "--verbose") {
      options.verbose = true;
    } else if (arg.starts_with("--")) {
      Usage("unknown option " + arg);
    } else {
      AddPath(arg, options.files);
    }
  }
  if (options.files.empty()) Usage("no inputs");
  return options;
}

fuzz::Input ReadInput(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return fuzz::Input(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Save(const std::string& path, const fuzz::Input& input) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
}

// Mutates inputs of the pool until the time is up; returns the count of runs.
std::uint64_t Mutate(const Options& options, std::vector<fuzz::Input> pool,
                     const fuzz::ScratchFolder& scratch) {
  using Clock = std::chrono::steady_clock;
  constexpr std::size_t kMaxPool = 1000;
  const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(options.seconds));
  fuzz::Mutator mutator(options.seed);
  std::uint64_t runs = 0;
  while (Clock::now() < end) {
    const fuzz::Input& base = pool[runs % pool.size()];
    const fuzz::Input& other = pool[(runs * 7 + 3) % pool.size()];
    fuzz::Input input = mutator.Mutate(base, other);
    if (!options.save.empty()) Save(options.save, input);
    fuzz::RunCase(input, scratch);
    // Keep some variants as new starting points: a blind walk, not coverage.
    if (runs % 16 == 0 && pool.size() < kMaxPool) pool.push_back(std::move(input));
    ++runs;
  }
  if (!options.save.empty()) fs::remove(options.save);
  return runs;
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  const Options options = Parse(argc, argv);
  const fuzz::ScratchFolder scratch;
  std::vector<fuzz::Input> pool;
  for (const fs::path& file : options.files) {
    // Named before it runs: a broken guarantee aborts without a word about it.
    std::fprintf(stderr, "replay %s\n", file.string().c_str());
    pool.push_back(ReadInput(file));
    const std::string outcome = fuzz::RunCase(pool.back(), scratch);
    if (options.verbose) std::fprintf(stderr, "  %s\n", outcome.c_str());
  }
  std::printf("replayed %zu inputs\n", pool.size());
  if (options.seconds > 0.0) {
    const std::uint64_t runs = Mutate(options, std::move(pool), scratch);
    std::printf("mutated %llu inputs (seed %u)\n", static_cast<unsigned long long>(runs),
                options.seed);
  }
  return 0;
}
