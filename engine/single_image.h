#pragma once

// One image converted without a batch: what a batch that starts at a file
// writes first, made from the file's bytes in memory. Lets a front end show
// the output of a parameter set before a batch runs, and lets another
// program convert images it already holds.
//
// Nothing here is a second implementation of the batch: the checks and the
// buffers come from the batch's own start (ProjectionJob::Prepare), the bytes
// go where the batch's one read of the header and one image puts them, and
// the image is made by TransformImage.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/conversion_parameters.h"
#include "engine/refusal.h"

namespace projconv {

class ProjectionJob;
struct FlatField;

// The start of one input file as a batch reads it.
struct InputBytes {
  enum class Status {
    Read,       // `bytes` holds what the read delivered, 1 to readLength bytes
    Refused,    // the parameters give no read length; `message` says why
    NotOpened,  // the file cannot be opened; `error` says why
    NotAFile,   // a FIFO, device or folder: only regular files are read here
    NotRead,    // the read delivered no bytes: an empty file, or `error`
  };
  Status status = Status::Refused;
  std::vector<unsigned char> bytes;
  std::uint64_t readLength = 0;  // header plus one image: what the batch asks for
  int error = 0;                 // errno, when the system gave one
  std::string message;
};

// The full name of the first input file of a batch on `job`; nothing when the
// job's input name format is not one the batch accepts.
std::optional<std::string> FirstInputName(const ProjectionJob& job);

// Reads the file `name` as a batch on `job` reads each input: one read of up
// to the header plus one image, into memory. Only a regular file is read, and
// no more memory is taken than the file can fill, whatever the sizes say.
InputBytes ReadInputBytes(const ProjectionJob& job, const std::string& name);

// What a batch on `job` would refuse before it obtains anything: the
// parameter checks with the name formats, then the first output that would
// replace an input the batch reads later. Nothing when the batch would
// start; its buffers may still be refused (ConvertImage tells).
std::optional<Refusal> BatchStartRefusal(const ProjectionJob& job);

// Converts `bytes` (as ReadInputBytes delivered them; fewer than a whole
// input are refused, as a batch ends at them) as the first image of a batch
// on `job`: the batch prepares the job (its checks, the name formats
// included, and its buffers freshly obtained and zeroed), the bytes go where
// the batch's read puts them, and TransformImage runs. Nothing when
// converted, with job.outImage holding the outSizeX * outSizeY samples a
// batch writes first; otherwise why a batch would be refused. Writes no
// file, and gives the same image whatever the job's stop flag holds. `job`
// must not be running a batch.
std::optional<Refusal> ConvertFirstImage(ProjectionJob& job, std::span<const unsigned char> bytes);

// The memory-to-memory conversion: `file` holds the bytes of one input file,
// header included; one shorter than the header and one image is refused
// (ShortInput), as a batch ends at it, and bytes beyond them are ignored. Writes into `out` the
// outSizeX * outSizeY samples, row by row, that a batch on `parameters`
// writes for that file as its first output, bit for bit; the name formats
// and folders play no part. `threads` as BatchChoices::workerThreads (0 for
// one per processor). With `flat` (see engine/flat_field.h), the image is
// corrected with it as a batch with those flats and darks corrects it. Safe
// to call from several threads at once.
std::optional<Refusal> ConvertImage(const ConversionParameters& parameters,
                                    std::span<const unsigned char> file,
                                    std::span<std::int16_t> out, int threads = 0,
                                    const FlatField* flat = nullptr);

}  // namespace projconv
