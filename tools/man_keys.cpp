// Copies a manual page's source and puts the settings keys, with what they
// hold and their first-run values, in place of its line ".\" settings keys",
// so that the pages list the keys the parameter table has. Keys that follow
// one another in the file and share a label share one entry. A line
// ".\" output types", where a page has one, becomes the output formats' names
// in parentheses, "(raw, tiff or hdf5),", within the sentence around it.
//   projconv_man_keys SOURCE OUTPUT

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "containers/output_formats.h"
#include "engine/parameter_table.h"

namespace projconv {

namespace {

constexpr const char* kMarker = ".\\\" settings keys";
constexpr const char* kTypesMarker = ".\\\" output types";

// roff takes a backslash as the start of an escape.
std::string Roff(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '\\' ? std::string("\\e") : std::string(1, c);
  return out;
}

std::string Entry(const ParameterDescriptor* const* first, std::size_t count) {
  std::string keys = count == 1 ? ".B " : ".BR ";
  std::string values;
  for (std::size_t i = 0; i < count; ++i) {
    keys += (i ? " \", \" " : "") + std::string(first[i]->key);
    values += (i ? ", " : "") + std::string(first[i]->firstRun);
  }
  if (first[0]->form == StoredForm::Text) {
    values = "default \\fB" + Roff(first[0]->firstRun) + "\\fR";
  }
  return ".TP\n" + keys + "\n" + first[0]->label + " (" + values + ")\n";
}

std::string KeyEntries() {
  const auto rows = ParametersInFileOrder();
  std::string text;
  for (std::size_t start = 0; start < rows.size();) {
    std::size_t end = start + 1;
    while (end < rows.size() && std::strcmp(rows[end]->label, rows[start]->label) == 0) ++end;
    text += Entry(&rows[start], end - start);
    start = end;
  }
  return text;
}

// Built by appending: g++ 12's release build takes a literal joined to a
// temporary for an overlapping copy.
std::string TypeNames() {
  std::vector<std::string> names;
  for (const OutputFormat& format : OutputFormats()) {
    std::string name = "\\fB";
    name.append(format.name).append("\\fR");
    names.push_back(std::move(name));
  }
  std::string text = "(";
  text.append(Listed(names, ", ", " or ")).append("),\n");
  return text;
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: projconv_man_keys SOURCE OUTPUT\n";
    return 2;
  }
  std::ifstream source(argv[1]);
  std::string page;
  int markers = 0;
  for (std::string line; std::getline(source, line);) {
    if (line == projconv::kMarker) {
      page += projconv::KeyEntries();
      ++markers;
    } else if (line == projconv::kTypesMarker) {
      page += projconv::TypeNames();
    } else {
      page += line + "\n";
    }
  }
  if (!source.eof() || markers != 1) {
    std::cerr << argv[1] << ": not read, or not one line \"" << projconv::kMarker << "\"\n";
    return 1;
  }
  std::ofstream output(argv[2], std::ios::binary);
  output << page;
  return output.flush() ? 0 : 1;
}
