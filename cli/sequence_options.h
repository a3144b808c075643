#pragma once

// The options that convert part of a sequence, or a sequence still being
// written: --count, --out-start, --shard, --skip-existing, --follow, --settle,
// and --progress json for the pipelines that watch such runs.

#include <QCommandLineParser>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/sequence_span.h"

namespace projconv {

// The I-th of N contiguous ranges of the sequence (0 <= index < count).
struct Shard {
  std::int64_t index = 0;
  std::int64_t count = 1;
  bool operator==(const Shard&) const = default;
};

struct SequenceChoice {
  SequenceSpan span;           // skip and limit are set once the shard's range is known
  std::optional<Shard> shard;  // none: the whole sequence
  bool jsonProgress = false;
  bool operator==(const SequenceChoice&) const = default;
};

// A variable of the environment, or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<QString>(const char* name)>;
std::optional<QString> ProcessEnvironment(const char* name);

void DefineSequenceOptions(QCommandLineParser& parser);

// The choice, or what is wrong with it. `--shard slurm` takes the task's
// place in its job array from `environment`.
std::optional<QString> ReadSequenceOptions(const QCommandLineParser& parser,
                                           const EnvironmentLookup& environment,
                                           SequenceChoice& choice);

// The inputs shard `shard` takes of a sequence of `files`: it skips the
// shards before it and takes its own share of what the whole run would
// convert (no more than the span's limit), the shares differing by at most
// one file.
SequenceSpan ShardSpan(SequenceSpan span, const Shard& shard, std::int64_t files);

}  // namespace projconv
