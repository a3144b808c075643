#include "cli/preview_picture.h"

#include <QBuffer>
#include <QImage>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/exit_codes.h"
#include "cli/terminal_text.h"
#include "engine/projection_job.h"
#include "engine/single_image.h"
#include "preview/crop_overlay.h"
#include "preview/pane_image.h"
#include "preview/preview_renderer.h"
#include "preview/side_by_side.h"
#include "settings/name_text.h"

namespace projconv {

namespace {

int Refuse(int status, const std::string& text) {
  std::fprintf(stderr, "Error: %s\n", TerminalText(text).c_str());
  return status;
}

int StatusFor(PreviewFault fault) {
  return fault == PreviewFault::File ? kExitFileFailed : kExitRefused;
}

std::string Size(const PaneImage& pane) {
  return std::to_string(pane.sampleWidth) + " x " + std::to_string(pane.sampleHeight);
}

// Made in memory and written by its bytes: Qt would open the file by a name
// it has made UTF-8, which is another file when the name is not.
bool SavePng(const QImage& image, const std::string& path) {
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written =
      std::fwrite(png.constData(), 1, std::size_t(png.size()), file) == std::size_t(png.size());
  return std::fclose(file) == 0 && written;
}

struct Failure {
  int status;
  std::string text;
};

// The renderer converts without flats, so the first output of a corrected
// batch is made again here, from the same file, with the flat field that
// batch would combine.
std::optional<Failure> CorrectOutput(const ProjectionJob& job, const std::string& inputName,
                                     const CorrectionParameters& correction,
                                     PreviewPicture& picture) {
  FlatField field;
  if (auto refusal = LoadFlatField(job.parameters(), correction, field, job.batch.workerThreads))
    return Failure{kExitRefused, refusal->message};
  const InputBytes bytes = ReadInputBytes(job, inputName);
  if (bytes.status != InputBytes::Status::Read) {
    return Failure{kExitFileFailed, inputName + " can not be read again"};
  }
  std::vector<std::int16_t>& samples = picture.outputSamples;
  if (auto refusal =
          ConvertImage(job.parameters(), bytes.bytes, samples, job.batch.workerThreads, &field)) {
    const bool file = refusal->kind == RefusalKind::ShortInput;
    return Failure{file ? kExitFileFailed : kExitRefused, refusal->message};
  }
  picture.output = MakePaneImage(
      job.outSizeX, job.outSizeY, [&samples](std::uint64_t k) { return samples[k]; }, 0);
  return std::nullopt;
}

}  // namespace

int WritePreviewPicture(const ConversionParameters& settings, const SequenceSpan& span,
                        const QString& file, bool quiet, const CorrectionParameters& correction) {
  PreviewRenderer renderer(0);  // every sample, at its own pixel
  renderer.job().SetParameters(settings);
  renderer.job().batch.span = span;
  const CropOverlay overlay = OverlayOf(renderer.job());
  PreviewPicture picture = renderer.Render(true);
  if (!picture.input) return Refuse(StatusFor(picture.inputFault), picture.inputReason);
  if (!picture.output) return Refuse(StatusFor(picture.outputFault), picture.outputReason);
  const bool corrected = correction.Enabled() || !correction.dark.pattern.empty();
  if (corrected) {
    if (auto failure = CorrectOutput(renderer.job(), picture.inputName, correction, picture))
      return Refuse(failure->status, failure->text);
  }

  const RgbImage image = SideBySide(*picture.input, overlay, *picture.output);
  const QImage view(image.bytes.data(), image.width, image.height, 3 * image.width,
                    QImage::Format_RGB888);
  const std::string path = NameOfText(file);
  if (!SavePng(view, path)) {
    return Refuse(kExitFileFailed, "the picture cannot be written to " + path);
  }
  if (quiet) return kExitConverted;
  if (!picture.inputNote.empty()) {
    std::fprintf(stderr, "Note: %s\n", TerminalText(picture.inputNote).c_str());
  }
  const std::string summary = "projconv-batch: " + picture.inputName + " (" + Size(*picture.input) +
                              ") and its " + (corrected ? "corrected " : "") + "output (" +
                              Size(*picture.output) + ") drawn to " + path;
  std::fprintf(stderr, "%s\n", TerminalText(summary).c_str());
  return kExitConverted;
}

}  // namespace projconv
