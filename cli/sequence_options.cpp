#include "cli/sequence_options.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "form/number_text.h"

namespace projconv {

namespace {

std::optional<std::int32_t> Whole(const QString& text) {
  return TextToInt(text.toStdString(), Blanks::Refused);
}

// "I/N" with 0 <= I < N.
std::optional<Shard> ShardNamed(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('/'));
  if (parts.size() != 2) return std::nullopt;
  const auto index = Whole(parts[0]);
  const auto count = Whole(parts[1]);
  if (!index || !count || *count < 1 || *index < 0 || *index >= *count) return std::nullopt;
  return Shard{*index, *count};
}

// The task's place in its job array: Slurm numbers tasks from the array's
// lowest index, which need not be 0 (--array=1-8), and gives their count.
std::optional<QString> SlurmShard(const EnvironmentLookup& environment, Shard& shard) {
  const auto id = environment("SLURM_ARRAY_TASK_ID");
  const auto min = environment("SLURM_ARRAY_TASK_MIN");
  const auto count = environment("SLURM_ARRAY_TASK_COUNT");
  if (!id || !min || !count) {
    return QStringLiteral(
        "--shard slurm: this is not a task of a Slurm job array "
        "(SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_MIN or SLURM_ARRAY_TASK_COUNT is not set)");
  }
  const auto i = Whole(*id);
  const auto lowest = Whole(*min);
  const auto n = Whole(*count);
  if (!i || !lowest || !n || *n < 1 || *i < *lowest || *i - std::int64_t(*lowest) >= *n) {
    return QStringLiteral(
               "--shard slurm: the job array's task %1 (lowest %2, %3 tasks) is not one of "
               "contiguous tasks; give --array as a range with step 1")
        .arg(*id, *min, *count);
  }
  shard = Shard{*i - std::int64_t(*lowest), *n};
  return std::nullopt;
}

std::optional<QString> ReadShard(const QCommandLineParser& parser,
                                 const EnvironmentLookup& environment, SequenceChoice& choice) {
  if (!parser.isSet(QStringLiteral("shard"))) return std::nullopt;
  const QString value = parser.value(QStringLiteral("shard"));
  Shard shard;
  if (value == QLatin1String("slurm")) {
    if (auto problem = SlurmShard(environment, shard)) return problem;
  } else if (const auto named = ShardNamed(value)) {
    shard = *named;
  } else {
    return QStringLiteral("--shard: \"%1\" is neither I/N with 0 <= I < N nor slurm").arg(value);
  }
  choice.shard = shard;
  return std::nullopt;
}

// A number of seconds from 0 to a day, which bounds a typo: no scan pauses
// that long and still runs, nor takes that long to write one file.
std::optional<QString> ReadSeconds(const QCommandLineParser& parser, const char* option,
                                   double& seconds) {
  const QString name = QLatin1String(option);
  if (!parser.isSet(name)) return std::nullopt;
  const QString value = parser.value(name);
  const auto read = TextToFloat(value.toStdString(), Blanks::Refused);
  if (!read || !std::isfinite(*read) || *read < 0 || *read > 86400) {
    return QStringLiteral("--%1: \"%2\" is not a number of seconds from 0 to 86400")
        .arg(name, value);
  }
  seconds = *read;
  return std::nullopt;
}

std::optional<QString> ReadNumbers(const QCommandLineParser& parser, SequenceSpan& span) {
  if (parser.isSet(QStringLiteral("count"))) {
    const QString value = parser.value(QStringLiteral("count"));
    const auto count = Whole(value);
    if (!count || *count < 0) {
      return QStringLiteral("--count: \"%1\" is not a whole number from 0 to 2147483647")
          .arg(value);
    }
    span.limit = *count;
  }
  if (parser.isSet(QStringLiteral("out-start"))) {
    const QString value = parser.value(QStringLiteral("out-start"));
    const auto start = Whole(value);
    if (!start)
      return QStringLiteral("--out-start: \"%1\" is not a 32-bit whole number").arg(value);
    span.outStart = *start;
  }
  if (auto problem = ReadSeconds(parser, "follow", span.followSeconds)) return problem;
  if (auto problem = ReadSeconds(parser, "settle", span.settleSeconds)) return problem;
  span.keepExisting = parser.isSet(QStringLiteral("skip-existing"));
  return std::nullopt;
}

}  // namespace

std::optional<QString> ProcessEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return QString::fromLocal8Bit(value);
}

void DefineSequenceOptions(QCommandLineParser& parser) {
  parser.addOption({QStringLiteral("count"),
                    QStringLiteral("Convert at most N input files, then end normally."),
                    QStringLiteral("N")});
  parser.addOption({QStringLiteral("out-start"),
                    QStringLiteral("Number the output files from K instead of 0."),
                    QStringLiteral("K")});
  parser.addOption(
      {QStringLiteral("shard"),
       QStringLiteral("Convert the I-th of N contiguous ranges of the input files that follow one "
                      "another from the first number, numbering the outputs as one whole run "
                      "would. \"slurm\" takes I and N from the task's place in its Slurm job "
                      "array."),
       QStringLiteral("I/N|slurm")});
  parser.addOption({QStringLiteral("skip-existing"),
                    QStringLiteral("Keep an output file that already exists with exactly an "
                                   "output's size, so that a stopped run can be run again (raw "
                                   "output only).")});
  parser.addOption({QStringLiteral("follow"),
                    QStringLiteral("Convert while the scan is being written: wait for the next "
                                   "input to appear with its full length and settle (see "
                                   "--settle), and end normally when the sequence has not grown "
                                   "for SECONDS."),
                    QStringLiteral("SECONDS")});
  parser.addOption({QStringLiteral("settle"),
                    QStringLiteral("With --follow: read an input with its full length only once "
                                   "it was closed after writing, or has not changed for SECONDS "
                                   "(1 by default)."),
                    QStringLiteral("SECONDS")});
  parser.addOption({QStringLiteral("progress"),
                    QStringLiteral("\"json\": one JSON object per line on standard output for "
                                   "each file written and at the end."),
                    QStringLiteral("json")});
}

std::optional<QString> ReadSequenceOptions(const QCommandLineParser& parser,
                                           const EnvironmentLookup& environment,
                                           SequenceChoice& choice) {
  if (auto problem = ReadNumbers(parser, choice.span)) return problem;
  if (auto problem = ReadShard(parser, environment, choice)) return problem;
  if (choice.shard && choice.span.followSeconds >= 0) {
    // A shard is a share of the files there are; a growing sequence has no
    // such count.
    return QStringLiteral("--shard and --follow exclude each other");
  }
  if (parser.isSet(QStringLiteral("settle")) && choice.span.followSeconds < 0) {
    return QStringLiteral("--settle needs --follow");
  }
  if (parser.isSet(QStringLiteral("progress"))) {
    const QString value = parser.value(QStringLiteral("progress"));
    if (value != QLatin1String("json")) {
      return QStringLiteral("--progress: \"%1\" is not json").arg(value);
    }
    choice.jsonProgress = true;
  }
  return std::nullopt;
}

SequenceSpan ShardSpan(SequenceSpan span, const Shard& shard, std::int64_t files) {
  // The whole run converts no more than its count; the shards share out those.
  if (span.limit >= 0) files = std::min(files, span.limit);
  const std::int64_t first = shard.index * files / shard.count;
  const std::int64_t end = (shard.index + 1) * files / shard.count;
  span.skip = first;
  span.limit = end - first;
  return span;
}

}  // namespace projconv
