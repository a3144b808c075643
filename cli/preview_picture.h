#pragma once

#include <QString>

#include "engine/conversion_parameters.h"
#include "engine/flat_field.h"
#include "engine/sequence_span.h"

namespace projconv {

// --preview FILE.png: writes the first input file of the sequence the
// settings describe, with the crop window and the centre of rotation drawn
// over it, beside the image a batch writes first for it, as one PNG picture.
// Converts nothing and writes no output file. Returns the program's exit
// status; problems are told on standard error, and unless `quiet` a line
// says what was drawn. The first output is numbered as `span` numbers it,
// and a batch over `span` that would be refused (an output replacing an
// input it reads later, say) is told as the batch would tell it. With a
// flat field in `correction`, the output is the corrected one, and flats or
// darks the batch would refuse are told as it would tell them.
int WritePreviewPicture(const ConversionParameters& settings, const SequenceSpan& span,
                        const QString& file, bool quiet,
                        const CorrectionParameters& correction = {});

}  // namespace projconv
