#include "cli/probe_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/terminal_text.h"
#include "probe/file_bytes.h"
#include "probe/layout_probe.h"
#include "settings/name_text.h"

namespace projconv {

namespace {

// A few, so that the runners-up show how clear the first one is.
constexpr std::size_t kLayoutsPrinted = 5;

std::string Printed(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

int Refuse(int status, const std::string& text) {
  std::fprintf(stderr, "Error: %s\n", TerminalText(text).c_str());
  return status;
}

// The options projconv-batch takes for `layout`, in the order of its help.
std::string LayoutOptions(const RawLayout& layout) {
  std::string options;
  if (layout.sampleType == SampleType::Float32) {
    options = "--type float32";
  } else {
    options = "--type int16";
    options +=
        layout.byteOrder == ByteOrder::BigEndian ? " --byte-order big" : " --byte-order little";
    options += layout.signedness == Signedness::Unsigned ? " --unsigned" : " --signed";
  }
  return options + " --in-size " + std::to_string(layout.width) + "x" +
         std::to_string(layout.height) + " --header-len " + std::to_string(layout.headerLen);
}

// A guess that reads noise would only send the user off converting it.
// `layouts` come best first.
void DropNoise(std::vector<ScoredLayout>& layouts) {
  layouts.erase(
      std::find_if(layouts.begin(), layouts.end(),
                   [](const ScoredLayout& scored) { return scored.score >= kNoiseScore; }),
      layouts.end());
}

// On standard error, so that standard output holds nothing but options.
void TellScores(const std::string& path, const std::vector<ScoredLayout>& layouts) {
  std::string scores;
  for (const ScoredLayout& scored : layouts) scores += Printed(" %.5f", scored.score);
  std::fprintf(stderr,
               "projconv-batch: %s: the layouts, best first, score%s (lower is smoother; noise "
               "scores about 1)\n",
               TerminalText(path).c_str(), scores.c_str());
}

// The layouts as options, one per line on standard output.
int PrintOptions(const std::vector<ScoredLayout>& layouts) {
  for (const ScoredLayout& scored : layouts) {
    std::printf("%s\n", LayoutOptions(scored.layout).c_str());
  }
  // A full disk must not pass for a guess made; a reader that has taken what
  // it wanted and gone (| head -n 1) is no failure.
  if ((std::fflush(stdout) != 0 || std::ferror(stdout) != 0) && errno != EPIPE) {
    return Refuse(kExitFileFailed,
                  std::string("the layouts could not be written: ") + std::strerror(errno));
  }
  return kExitConverted;
}

}  // namespace

int RunProbe(const ProbeRequest& request) {
  const std::string path = NameOfText(request.file);
  FileBytes bytes;
  if (!bytes.Open(path)) {
    return Refuse(kExitFileFailed, path + " cannot be probed: " + bytes.problem());
  }
  auto layouts = ProbeLayouts(bytes, request.known, kLayoutsPrinted);
  if (!bytes.problem().empty()) {
    return Refuse(kExitFileFailed, path + " cannot be read: " + bytes.problem());
  }
  if (layouts.empty()) {
    // As a batch refuses parameters that cannot describe its input.
    return Refuse(kExitRefused, "no layout fits the " + std::to_string(bytes.Size()) +
                                    " bytes of " + path + " and the options given");
  }
  const double best = layouts.front().score;
  DropNoise(layouts);
  if (layouts.empty()) {
    return Refuse(kExitFileFailed, path + " reads as noise in every layout: the best scores " +
                                       Printed("%.5f", best) + ", and a picture scores below " +
                                       Printed("%.1f", kNoiseScore));
  }
  TellScores(path, layouts);
  return PrintOptions(layouts);
}

}  // namespace projconv
