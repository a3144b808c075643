#pragma once

// One input file converted as the first image of a batch on the same job, with
// the result kept in memory instead of written: what a batch that starts at
// that file writes first. Lets a front end show the output of a parameter set
// before a batch runs, on a job of its own.
//
// Nothing here is a second implementation of the batch: the checks and the
// buffers come from the batch's own start (PrepareBatch), the read is the batch's one
// read of the header and one image, and the image is made by TransformImage.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class ProjectionJob;

// The start of one input file as a batch reads it.
struct InputBytes {
  enum class Status {
    Read,       // `bytes` holds what the read delivered, 1 to readLength bytes
    Refused,    // the parameters give no read length; `message` says why
    NotOpened,  // the file cannot be opened; `error` says why
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
// to the header plus one image, into memory.
InputBytes ReadInputBytes(const ProjectionJob& job, const std::string& name);

// Converts `bytes` (as ReadInputBytes delivered them) as the first image of a
// batch on `job`: the batch prepares the job (its checks, its buffers freshly
// obtained and zeroed), the bytes go where the batch's read puts them, and
// TransformImage runs. Nothing when converted, with job.outImage holding the
// outSizeX * outSizeY samples a batch writes first; otherwise the message with
// which a batch would be refused. Writes no file, and gives the same image
// whatever cancelRequested holds. `job` must not be running a batch.
std::optional<std::string> ConvertFirstImage(ProjectionJob& job,
                                             std::span<const unsigned char> bytes);
