#pragma once

// The parameters as typed, read for the preview without saving them: the
// dialog's own exchange, with its parsers and ranges, run on a snapshot of
// the controls into a copy of the members.

#include <string>
#include <vector>

#include "form/converter_values.h"
#include "preview/control_texts.h"

namespace projconv {

// A field whose text the exchange refuses, and a short line saying which and
// why: "Angle: Please enter a number between -180 and 180."
struct FieldProblem {
  int controlId = 0;
  std::string text;
};

struct PreviewReading {
  // Every value as the exchange reads it; a refused field reads as 0, or as
  // an empty text.
  ConverterValues values;
  // The refused fields that change what a batch writes, in exchange order.
  std::vector<FieldProblem> problems;

  // The first problem with a field that decides which file is read and how
  // it is decoded; null when there is none.
  const FieldProblem* InputProblem() const;
  // The first problem with the crop window, the rotation or the output size.
  const FieldProblem* GeometryProblem() const;
  // The first problem of all.
  const FieldProblem* AnyProblem() const;
};

// Reads `texts` as a saving exchange would into `members`, leaving both as
// they are. Unlike the exchange it goes on past a refused field, so that
// every problem is found. Fields that do not change the images (the output
// folder, the progress, the hidden controls, and the scale factor for 16-bit
// input) are read but never reported.
PreviewReading ReadPreviewValues(ControlTexts texts, const ConverterValues& members);

// The short name the preview gives a field in its messages.
std::string FieldName(int controlId);

}  // namespace projconv
