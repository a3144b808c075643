#pragma once

// The preview of one parameter set: the first input file as it lies on disk,
// and the image a batch on the same parameters writes first, converted by the
// engine from the bytes read into a vector of the preview's own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/projection_job.h"
#include "engine/single_image.h"
#include "preview/pane_image.h"

namespace projconv {

// Why a part has no picture.
enum class PreviewFault {
  None,
  Parameters,  // the batch would be refused, or the name format is unusable
  File,        // the input file cannot be opened or gives no bytes
  Memory,      // there is no room for the image
};

struct PreviewPicture {
  std::string inputName;  // the first input file, when its name can be formed

  std::optional<PaneImage> input;
  PreviewFault inputFault = PreviewFault::None;
  std::string inputReason;  // one line, when there is no input picture
  std::string inputNote;    // one line about a picture that is there: a short file

  std::optional<PaneImage> output;
  PreviewFault outputFault = PreviewFault::None;
  std::string outputReason;
  // Exactly the samples a batch writes to its first output file, row by row.
  std::vector<std::int16_t> outputSamples;
};

class PreviewRenderer {
 public:
  // Pictures are reduced to at most maxSide pixels a side; 0 keeps every
  // sample.
  explicit PreviewRenderer(int maxSide);

  // The batch whose first output is shown. Fill it as a batch's job is
  // filled; the renderer only reads its parameters and never runs it.
  ProjectionJob& job() { return job_; }

  // Reads the first input file and, with `withOutput`, converts it. The bytes
  // read and their picture are kept while neither the file nor the fields
  // that decide how it is read and decoded change. With job().correction
  // naming flats or darks, both parts show the corrected image; the flats
  // and darks are combined once and kept while neither the correction nor
  // the layout they are read with changes.
  PreviewPicture Render(bool withOutput);

 private:
  // The file as last read, and the fields that decide how much of it.
  struct FileKey {
    std::string name;
    std::int32_t headerLen = 0;
    SampleType sampleType{};
    std::int32_t inSizeX = 0, inSizeY = 0;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedSeconds = 0, modifiedNanoseconds = 0;
    bool operator==(const FileKey&) const = default;
  };
  // The fields that decide how the bytes read are decoded.
  struct DecodeKey {
    std::int32_t headerLen = 0;
    SampleType sampleType{};
    ByteOrder byteOrder{};
    Signedness signedness{};
    std::int32_t inSizeX = 0, inSizeY = 0;
    std::uint64_t flatGeneration = 0;  // the flat field it is corrected with; 0 for none
    double scale = 0.0;                // the float samples' factor, when corrected
    bool operator==(const DecodeKey&) const = default;
  };
  // What the combined flats and darks depend on.
  struct FlatKey {
    CorrectionParameters correction;
    std::string inFolder;
    DecodeKey layout;
    double scale = 0.0;
    bool operator==(const FlatKey&) const = default;
  };

  bool ReadFirstInput(PreviewPicture& picture);
  // The flats and darks the job's correction names, combined, or null
  // without a correction; `refusal` says why there are none.
  const FlatField* FlatFieldOf(std::optional<Refusal>& refusal);
  void RenderInput(PreviewPicture& picture, const FlatField* flat);
  // `flatRefusal`: why the flats and darks could not be combined.
  void RenderOutput(PreviewPicture& picture, const FlatField* flat,
                    std::optional<Refusal> flatRefusal);
  // The output part says why a batch would write no first output.
  void RefuseOutput(PreviewPicture& picture, Refusal refusal) const;

  int maxSide_;
  ProjectionJob job_;
  std::optional<FileKey> fileKey_;
  InputBytes bytes_;
  std::optional<DecodeKey> decodeKey_;
  std::optional<PaneImage> inputImage_;
  std::optional<FlatKey> flatKey_;
  FlatField flat_;
  std::uint64_t flatGeneration_ = 0;
};

}  // namespace projconv
