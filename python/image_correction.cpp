#include "python/image_correction.h"

#include "python/argument_values.h"
#include "python/correction_arguments.h"
#include "python/reference_frames.h"

namespace projconv {

namespace {

Argument Given(Argument argument) {
  if (argument && argument.value.is_none()) argument.value = py::object();
  return argument;
}

}  // namespace

ImageCorrection TakeImageCorrection(CallArguments& call) {
  ImageCorrection c;
  c.flat = Given(call.Take("flat"));
  c.dark = Given(call.Take("dark"));
  for (const char* name : {"combine", "correct", "correct_scale"}) {
    const Argument argument = call.Take(name);
    if (!argument) continue;
    SetCorrectionValue(c.parameters, *CorrectionKeywordNamed(name), argument);
    if (!c.flat && !argument.value.is_none()) {
      WrongValue(argument, "it together with flat", "no flat");
    }
  }
  if (c.dark && !c.flat) {
    // The engine's words for a dark without a flat.
    throw py::value_error("dark: A dark field needs a flat field to correct with");
  }
  return c;
}

std::optional<FlatField> CombinedField(const ImageCorrection& correction,
                                       const ConversionParameters& layout, int threads) {
  if (!correction.flat) return std::nullopt;
  const ReferenceFrames flats(correction.flat, layout, "flat");
  std::optional<ReferenceFrames> darks;
  if (correction.dark) darks.emplace(correction.dark, layout, "dark");
  // The frames come without their headers.
  ConversionParameters frameLayout = layout;
  frameLayout.headerLen = 0;
  FlatField field;
  std::optional<Refusal> refusal;
  {
    py::gil_scoped_release released;
    refusal = CombineFlatField(
        frameLayout, correction.parameters, flats.frames(),
        darks ? darks->frames() : std::span<const std::span<const unsigned char>>(), field,
        threads);
  }
  if (refusal) throw py::value_error(refusal->message);
  return field;
}

}  // namespace projconv
