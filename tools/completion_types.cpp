// Copies projconv-batch's bash completion and puts the output formats' names,
// "raw tiff ...", in place of its word @OUTPUT_TYPES@, so that --out-type
// completes to the names the program takes.
//   projconv_completion_types SOURCE OUTPUT

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "containers/output_formats.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: projconv_completion_types SOURCE OUTPUT\n";
    return 2;
  }
  constexpr std::string_view kWord = "@OUTPUT_TYPES@";
  std::ifstream source(argv[1]);
  std::stringstream read;
  read << source.rdbuf();
  std::string script = read.str();
  const std::string names = projconv::ListedNames(" ", " ");
  int words = 0;
  for (auto at = script.find(kWord); at != std::string::npos; at = script.find(kWord, at)) {
    script.replace(at, kWord.size(), names);
    at += names.size();
    ++words;
  }
  if (!source || words == 0) {
    std::cerr << argv[1] << ": not read, or no " << kWord << " in it\n";
    return 1;
  }
  std::ofstream output(argv[2], std::ios::binary);
  output << script;
  return output.flush() ? 0 : 1;
}
