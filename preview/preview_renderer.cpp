#include "preview/preview_renderer.h"

#include <sys/stat.h>

#include <cerrno>
#include <new>
#include <utility>

#include "engine/posix_file.h"
#include "preview/corrected_samples.h"
#include "preview/raw_samples.h"

namespace projconv {

namespace {

// Beyond any image the dialog accepts (10000 x 10000); a picture of more
// would take longer to make than anyone waits for a preview.
constexpr std::uint64_t kMostPreviewSamples = std::uint64_t(1) << 31;

constexpr char kNoMemory[] = "Not enough memory for the preview";

// The most the buffers of the preview's conversion may take. The batch's
// buffers follow the typed sizes, not the file: without a cap, a typo of a
// size would have the preview take gigabytes for a file of kilobytes.
constexpr std::uint64_t kMostPreviewBufferBytes = std::uint64_t(768) << 20;

// The buffers a batch takes for these sizes, and so the conversion of one
// image: H + 5N 16-bit and as many float elements, and the output image.
std::uint64_t BufferBytes(const ProjectionJob& job) {
  constexpr std::uint64_t kBeyondAnyCap = std::uint64_t(1) << 50;  // keeps the sums exact
  const std::uint64_t n = std::uint64_t(job.inSizeX) * std::uint64_t(job.inSizeY);
  const std::uint64_t out = std::uint64_t(job.outSizeX) * std::uint64_t(job.outSizeY);
  if (n > kBeyondAnyCap || out > kBeyondAnyCap) return kBeyondAnyCap;
  return 6 * (std::uint64_t(job.headerLen) + 5 * n) + 2 * out;
}

std::string Sized(std::uint64_t bytes) {
  return std::to_string(bytes) + " bytes";
}

std::string NotOpenedReason(const std::string& name, int error) {
  if (error == ENOENT || error == ENOTDIR) return "No input file " + name;
  return name + " cannot be opened: " + DescribeError(error);
}

std::string NotReadReason(const std::string& name, int error) {
  if (error == 0) return name + " is empty";
  return name + " cannot be read: " + DescribeError(error);
}

// Why a batch would read nothing of any input: the fields that make header
// plus image 0 bytes long. Nothing when it reads something.
std::optional<std::string> NothingToRead(const ProjectionJob& job) {
  if (InputReadLength(job).value_or(1) != 0) return std::nullopt;
  const std::string zero = job.inSizeX == 0 && job.inSizeY == 0 ? "Input width and height are 0"
                           : job.inSizeX == 0                   ? "Input width is 0"
                                                                : "Input height is 0";
  return zero + " and there is no file header: a batch reads nothing of the input";
}

}  // namespace

PreviewRenderer::PreviewRenderer(int maxSide) : maxSide_(maxSide) {}

PreviewPicture PreviewRenderer::Render(bool withOutput) {
  PreviewPicture picture;
  try {
    if (ReadFirstInput(picture)) {
      std::optional<Refusal> flatRefusal;
      const FlatField* const flat = FlatFieldOf(flatRefusal);
      RenderInput(picture, flat);
      if (flatRefusal && picture.inputNote.empty())
        picture.inputNote = "Uncorrected: " + flatRefusal->message;
      if (withOutput) RenderOutput(picture, flat, std::move(flatRefusal));
    } else {
      // A batch would end at this file before it writes anything.
      picture.outputFault = picture.inputFault;
      picture.outputReason = picture.inputReason;
    }
  } catch (const std::bad_alloc&) {
    fileKey_.reset();
    bytes_ = InputBytes();
    decodeKey_.reset();
    inputImage_.reset();
    flatKey_.reset();
    flat_ = FlatField();
    if (!picture.input) {
      picture.inputFault = PreviewFault::Memory;
      picture.inputReason = kNoMemory;
    }
    picture.output.reset();
    picture.outputSamples.clear();
    picture.outputFault = PreviewFault::Memory;
    picture.outputReason = kNoMemory;
  }
  return picture;
}

bool PreviewRenderer::ReadFirstInput(PreviewPicture& picture) {
  const std::optional<std::string> name = FirstInputName(job_);
  if (!name) {
    picture.inputFault = PreviewFault::Parameters;
    picture.inputReason =
        "Input name format \"" + job_.inFormat + "\" needs exactly one integer field, such as %04i";
    return false;
  }
  picture.inputName = *name;
  if (std::optional<std::string> why = NothingToRead(job_)) {
    picture.inputFault = PreviewFault::Parameters;
    picture.inputReason = std::move(*why);
    return false;
  }

  FileKey key{*name, job_.headerLen, job_.sampleType, job_.inSizeX, job_.inSizeY};
  struct stat info {};
  const bool known = ::stat(name->c_str(), &info) == 0;
  if (known) {
    key.device = std::uint64_t(info.st_dev);
    key.inode = std::uint64_t(info.st_ino);
    key.size = std::uint64_t(info.st_size);
    key.modifiedSeconds = info.st_mtim.tv_sec;
    key.modifiedNanoseconds = info.st_mtim.tv_nsec;
  }
  if (!known || fileKey_ != key) {
    fileKey_.reset();
    decodeKey_.reset();
    inputImage_.reset();
    bytes_ = ReadInputBytes(job_, *name);
    if (known && bytes_.status == InputBytes::Status::Read) fileKey_ = key;
  }

  switch (bytes_.status) {
    case InputBytes::Status::Read:
      break;
    case InputBytes::Status::Refused:
      picture.inputFault = PreviewFault::Parameters;
      picture.inputReason = bytes_.message;
      return false;
    case InputBytes::Status::NotOpened:
      picture.inputFault = PreviewFault::File;
      picture.inputReason = NotOpenedReason(*name, bytes_.error);
      return false;
    case InputBytes::Status::NotAFile:
      picture.inputFault = PreviewFault::File;
      picture.inputReason = *name + " is not a regular file; the preview reads only files";
      return false;
    case InputBytes::Status::NotRead:
      picture.inputFault = PreviewFault::File;
      picture.inputReason = NotReadReason(*name, bytes_.error);
      return false;
  }
  if (bytes_.bytes.size() < bytes_.readLength) {
    picture.inputNote = "Short file: " + Sized(bytes_.bytes.size()) + " of the " +
                        Sized(bytes_.readLength) +
                        " of header and image; the rest is drawn as zeros";
  }
  return true;
}

const FlatField* PreviewRenderer::FlatFieldOf(std::optional<Refusal>& refusal) {
  const CorrectionParameters& correction = job_.correction;
  if (correction.flat.pattern.empty() && correction.dark.pattern.empty()) return nullptr;
  const FlatKey key{correction, job_.inFolder,
                    DecodeKey{job_.headerLen, job_.sampleType, job_.byteOrder, job_.signedness,
                              job_.inSizeX, job_.inSizeY},
                    job_.scale};
  if (flatKey_ == key) return &flat_;
  flatKey_.reset();
  flat_ = FlatField();
  // A combined dark and flat take two doubles a sample.
  if (16 * std::uint64_t(job_.inSizeX) * std::uint64_t(job_.inSizeY) > kMostPreviewBufferBytes) {
    refusal = Refusal{RefusalKind::Memory, "The flat field of images this large is not previewed"};
    return nullptr;
  }
  // A refusal is not kept: the missing file may be there on the next look.
  refusal = LoadFlatField(job_.parameters(), correction, flat_, job_.batch.workerThreads);
  if (refusal) return nullptr;
  flatKey_ = key;
  ++flatGeneration_;
  return &flat_;
}

void PreviewRenderer::RenderInput(PreviewPicture& picture, const FlatField* flat) {
  const DecodeKey key{job_.headerLen,
                      job_.sampleType,
                      job_.byteOrder,
                      job_.signedness,
                      job_.inSizeX,
                      job_.inSizeY,
                      flat != nullptr ? flatGeneration_ : 0,
                      flat != nullptr ? job_.scale : 0.0};
  if (decodeKey_ != key || !inputImage_) {
    inputImage_.reset();
    decodeKey_.reset();
    if (std::uint64_t(job_.inSizeX) * std::uint64_t(job_.inSizeY) > kMostPreviewSamples) {
      picture.inputFault = PreviewFault::Memory;
      picture.inputReason = "The input image is too large to preview";
      return;
    }
    const RawSamples samples(bytes_.bytes, job_.headerLen, job_.sampleType, job_.byteOrder,
                             job_.signedness);
    if (flat != nullptr) {
      const CorrectedSamples corrected(samples, job_.sampleType, job_.scale, *flat);
      inputImage_ = MakePaneImage(job_.inSizeX, job_.inSizeY, corrected, maxSide_);
    } else {
      inputImage_ = MakePaneImage(job_.inSizeX, job_.inSizeY, samples, maxSide_);
    }
    decodeKey_ = key;
  }
  picture.input = inputImage_;
}

void PreviewRenderer::RenderOutput(PreviewPicture& picture, const FlatField* flat,
                                   std::optional<Refusal> flatRefusal) {
  if (job_.inSizeX >= 0 && job_.inSizeY >= 0 && job_.headerLen >= 0 && job_.outSizeX >= 0 &&
      job_.outSizeY >= 0 && BufferBytes(job_) > kMostPreviewBufferBytes) {
    picture.outputFault = PreviewFault::Memory;
    picture.outputReason = "The conversion of images this large would take " +
                           std::to_string(BufferBytes(job_) >> 20) +
                           " MiB; the preview converts up to " +
                           std::to_string(kMostPreviewBufferBytes >> 20) + " MiB";
    return;
  }
  // The batch's own checks first, in its order: the image converted in
  // memory has no names, but the batch it stands for has.
  if (std::optional<Refusal> refusal = BatchStartRefusal(job_)) {
    RefuseOutput(picture, std::move(*refusal));
    return;
  }
  // Then the flats and darks, as a batch reads them once its checks pass.
  if (flatRefusal) {
    RefuseOutput(picture, std::move(*flatRefusal));
    return;
  }
  const std::uint64_t count = std::uint64_t(job_.outSizeX) * std::uint64_t(job_.outSizeY);
  if (count > kMostPreviewSamples) {
    picture.outputFault = PreviewFault::Memory;
    picture.outputReason = "The output image is too large to preview";
    return;
  }
  picture.outputSamples.resize(std::size_t(count));
  if (std::optional<Refusal> refusal = ConvertImage(
          job_.parameters(), bytes_.bytes, picture.outputSamples, job_.batch.workerThreads, flat)) {
    picture.outputSamples.clear();
    RefuseOutput(picture, std::move(*refusal));
    return;
  }
  const std::vector<std::int16_t>& samples = picture.outputSamples;
  picture.output = MakePaneImage(
      job_.outSizeX, job_.outSizeY, [&samples](std::uint64_t k) { return samples[k]; }, maxSide_);
}

void PreviewRenderer::RefuseOutput(PreviewPicture& picture, Refusal refusal) const {
  const bool memory = refusal.kind == RefusalKind::Memory;
  const bool file = refusal.kind == RefusalKind::ShortInput;
  picture.outputFault = memory ? PreviewFault::Memory
                        : file ? PreviewFault::File
                               : PreviewFault::Parameters;
  picture.outputReason = file ? "A batch ends at this file without an output: it holds " +
                                    Sized(bytes_.bytes.size()) + ", a whole input needs " +
                                    Sized(bytes_.readLength)
                              : std::move(refusal.message);
}

}  // namespace projconv
