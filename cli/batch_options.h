#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <variant>
#include <vector>

#include "cli/correction_options.h"
#include "cli/output_options.h"
#include "cli/probe_options.h"
#include "cli/sequence_options.h"
#include "engine/conversion_parameters.h"

namespace projconv {

// Where the parameters start from before single options override them.
enum class SettingsSource {
  DesktopFile,  // the desktop program's settings file, or the defaults if it does not exist
  NamedFile,    // --settings FILE
  Defaults,     // --defaults
};

using SettingsOverride = std::function<void(ConversionParameters&)>;

// A command line that asks for a conversion.
struct BatchOptions {
  SettingsSource source = SettingsSource::DesktopFile;
  QString settingsFile;  // with SettingsSource::NamedFile
  bool quiet = false;
  QString previewFile;  // --preview FILE: draw the first image instead of converting
  int threads = 0;      // --threads N: workers per image; 0 = every processor we may use
  OutputChoice output;  // --out-type, --out-file, --sidecar
  // --count, --out-start, --shard, --skip-existing, --follow, --progress
  SequenceChoice sequence;
  ProbeRequest probe;           // --probe FILE: print the layouts that read it best instead
  CorrectionChoice correction;  // --flat, --dark and the rest, over [Correction]
  std::vector<SettingsOverride> overrides;

  void ApplyOverrides(ConversionParameters& settings) const;
};

enum class InfoRequest { Help, Version };

// A command line that cannot be run; the message names the option at fault.
struct UsageError {
  QString message;
};

using ParsedArguments = std::variant<BatchOptions, InfoRequest, UsageError>;

// Reads a command line (program name first) without touching any file;
// `--shard slurm` reads the task's place from `environment`.
ParsedArguments ParseBatchArguments(const QStringList& arguments,
                                    const EnvironmentLookup& environment = ProcessEnvironment);

// The text --help prints.
QString BatchHelpText();

}  // namespace projconv
