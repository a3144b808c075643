#include "containers/output_sink.h"

#include "containers/output_formats.h"

namespace projconv {

std::unique_ptr<ImageSink> MakeOutputSink(const OutputChoice& choice,
                                          const ConversionParameters& parameters,
                                          std::uint64_t expectedBytes, const std::string& version,
                                          std::int64_t firstOutputNumber,
                                          const CorrectionParameters& correction) {
  return FormatOf(choice.type)
      .makeSink({choice, parameters, expectedBytes, version, firstOutputNumber, correction});
}

}  // namespace projconv
