#include "cli/probe_run.h"

#include <cstdio>
#include <string>

#include "cli/exit_codes.h"
#include "cli/terminal_text.h"
#include "probe/file_bytes.h"
#include "probe/layout_probe.h"
#include "settings/name_text.h"

namespace projconv {

namespace {

// A few, so that the runners-up show how clear the first one is.
constexpr std::size_t kLayoutsPrinted = 5;

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

}  // namespace

int RunProbe(const ProbeRequest& request) {
  const std::string path = NameOfText(request.file);
  FileBytes bytes;
  if (!bytes.Open(path)) {
    return Refuse(kExitFileFailed, path + " cannot be probed: " + bytes.problem());
  }
  const auto layouts = ProbeLayouts(bytes, request.known, kLayoutsPrinted);
  if (!bytes.problem().empty()) {
    return Refuse(kExitFileFailed, path + " cannot be read: " + bytes.problem());
  }
  if (layouts.empty()) {
    // As a batch refuses parameters that cannot describe its input.
    return Refuse(kExitRefused, "no layout fits the " + std::to_string(bytes.Size()) +
                                    " bytes of " + path + " and the options given");
  }
  for (const ScoredLayout& scored : layouts) {
    std::printf("%s  score %.5f\n", LayoutOptions(scored.layout).c_str(), scored.score);
  }
  return kExitConverted;
}

}  // namespace projconv
