#include "probe/layout_guess.h"

#include "probe/file_bytes.h"
#include "probe/layout_probe.h"

namespace projconv {

FileGuess GuessFileLayout(const std::string& path, const KnownLayout& known, std::size_t count) {
  FileGuess guess;
  FileBytes bytes;
  if (!bytes.Open(path)) {
    guess.problem = path + " cannot be probed: " + bytes.problem();
    return guess;
  }
  guess.fileBytes = bytes.Size();
  guess.layouts = ProbeLayouts(bytes, known, count);
  // A read that failed part way leaves the scores of half a file: none of
  // them is worth offering.
  if (!bytes.problem().empty()) {
    guess.layouts.clear();
    guess.problem = path + " cannot be read: " + bytes.problem();
  } else if (guess.layouts.empty()) {
    guess.problem = "No layout fits the " + std::to_string(bytes.Size()) + " bytes of " + path;
  }
  return guess;
}

std::string LayoutInWords(const RawLayout& layout) {
  std::string words;
  if (layout.sampleType == SampleType::Float32) {
    words = "Float 32 bits";
  } else {
    words = "Integer 16 bits";
    words += layout.signedness == Signedness::Unsigned ? ", unsigned" : ", signed";
    words += layout.byteOrder == ByteOrder::BigEndian ? ", big endian" : ", little endian";
  }
  return words + ", " + std::to_string(layout.width) + " \u00D7 " + std::to_string(layout.height) +
         ", header " + std::to_string(layout.headerLen) + " bytes";
}

}  // namespace projconv
