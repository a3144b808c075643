#include "cli/exit_status_table.h"

#include <cctype>
#include <sstream>

#include "cli/exit_codes.h"

namespace projconv {

namespace {

constexpr ExitStatusMeaning kMeanings[] = {
    {kExitConverted,
     "the sequence ended at the first missing input file after at least one was converted (or "
     "kept), or the share that --count or --shard gave was done, even an empty one; --preview "
     "wrote its picture, or --probe printed the layouts"},
    {kExitNoInput,
     "the very first input file is missing: nothing was converted (a mistyped folder or "
     "pattern)"},
    {kExitFileFailed,
     "an input file could not be opened or read or was shorter than a whole input, or an output "
     "file could not be written (the --out-file, the sidecar and the --preview picture among "
     "them); or the --probe FILE could not be read, or reads as noise in every layout"},
    {kExitRefused,
     "the batch was refused: its parameters (such as an angle beyond -180 to 180, or outputs "
     "that would replace inputs it reads later), memory, a settings file that cannot be read, or "
     "a flat or dark file that is missing, not a file, unreadable or shorter than a whole input; "
     "or no layout fits the --probe FILE and the options given"},
    {kExitUsage,
     "the command line is malformed: an unknown option, or a value the option cannot read "
     "(letters or nan where a number belongs, a size not written WxH, a --flat-count of 0), or "
     "options that need what is not there (--dark or --correct without a flat field, "
     "--flat-first with a plain file name); the message names the option"},
    {kExitInterrupted, "interrupted (SIGINT or SIGTERM); the image in progress was finished first"},
};

// The help's columns: "  130  meaning...".
constexpr std::size_t kTagWidth = 7;
constexpr std::size_t kLineWidth = 79;

// `text` in lines of at most `width` characters, broken between words.
std::string Wrapped(const std::string& text, std::size_t width, const std::string& indent) {
  std::istringstream words(text);
  std::string lines, line, word;
  while (words >> word) {
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines += line + "\n" + indent;
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return lines + line + "\n";
}

// "--count" as `--count`, and "--probe's" as `--probe`'s.
std::string OptionsAsCode(const std::string& text) {
  std::string marked;
  for (std::size_t k = 0; k < text.size();) {
    if (text.compare(k, 2, "--") != 0) {
      marked += text[k++];
      continue;
    }
    std::size_t end = k + 2;
    while (end < text.size() &&
           (std::islower(static_cast<unsigned char>(text[end])) || text[end] == '-')) {
      ++end;
    }
    marked += '`';
    marked.append(text, k, end - k);
    marked += '`';
    k = end;
  }
  return marked;
}

}  // namespace

std::span<const ExitStatusMeaning> ExitStatusMeanings() {
  return kMeanings;
}

std::string ExitStatusHelpTable() {
  std::string table;
  for (const ExitStatusMeaning& row : kMeanings) {
    std::string tag = "  " + std::to_string(row.status);
    tag.resize(kTagWidth, ' ');
    table += tag + Wrapped(row.meaning, kLineWidth - kTagWidth, std::string(kTagWidth, ' '));
  }
  return table;
}

std::string ExitStatusMarkdownTable() {
  std::string table = "| exit status | meaning |\n|---|---|\n";
  for (const ExitStatusMeaning& row : kMeanings) {
    table += "| " + std::to_string(row.status) + " | " + OptionsAsCode(row.meaning) + " |\n";
  }
  return table;
}

}  // namespace projconv
