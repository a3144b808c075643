#pragma once

// Keeps a batch from writing an output over an input it has yet to read.
//
// Output k of a batch (k = 0 for the first file of its span) is written
// after input k is read and before input k + 1 is. So an output that is its
// own input (the same number) is harmless: that input is read whole first.
// An output that is a later input is not: the later input is lost, and in a
// folder where outputs are named like the inputs they follow, every output
// becomes the next input and the batch never ends by itself.
//
// Files are compared as the system sees them, not as they are spelled: a
// name is its folder's device and inode plus its last component, and a file
// that exists is its device and inode, which also catches a link from an
// output to an input. The patterns decide which numbers meet: an output's
// name is turned back into the input number that would give it.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "engine/conversion_parameters.h"
#include "engine/image_sink.h"
#include "engine/name_pattern.h"
#include "engine/refusal.h"
#include "engine/sequence_span.h"

namespace projconv {

class OverwriteGuard {
 public:
  // Looks at the inputs of a batch of `job` over `span` into `sink` that
  // exist now, from the first of the span until the first missing one.
  // Nothing is guarded when the name formats are not usable (the batch
  // refuses them first). Keeps references to all three.
  OverwriteGuard(const ConversionParameters& job, const SequenceSpan& span, const ImageSink& sink);

  // Before anything is read: the first output of the batch that would
  // replace an input it reads later, as a refusal naming both. An image
  // sink's one file must be none of the inputs.
  std::optional<Refusal> FirstCollision() const;

  // Just before output `k` (named `output`) is opened: the name of the input
  // it would replace, when the batch has yet to read that input. Inputs that
  // appeared since the last call are taken in first.
  std::optional<std::string> InputReplacedBy(std::int64_t k, const std::string& output);

 private:
  struct FileId {
    std::uint64_t device = 0, inode = 0;
    bool operator==(const FileId&) const = default;
  };
  struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
      return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
    }
  };
  static std::optional<FileId> IdOf(const std::string& path);

  std::string InputName(std::int64_t k) const;
  // Whether outputs are files named by the output pattern.
  bool NamesOutputs() const;
  // The refusal for `output` replacing `input`, when there is one.
  std::optional<Refusal> Collision(const std::string& output,
                                   std::optional<std::int64_t> input) const;
  std::string OutputName(std::int64_t k) const;
  // Takes in the inputs that exist from the first one not yet known on.
  void LookFurther();
  // The last input index the batch may read, as far as can be told now.
  std::int64_t Reach() const;
  // Whether input `j` comes after output `k` and the batch may read it.
  bool ReadLater(std::int64_t j, std::int64_t k) const;
  // The span index of the input that `output`, in the folder `folder`,
  // would be by its name.
  std::optional<std::int64_t> IndexByName(const std::string& output,
                                          const std::optional<FileId>& folder) const;
  // The later input that output `k` would replace, by its name, or (with
  // `asFile`) as the file it is now.
  std::optional<std::int64_t> LaterInputAt(std::int64_t k, const std::string& output,
                                           const std::optional<FileId>& folder, bool asFile) const;

  const ConversionParameters& job_;
  const SequenceSpan& span_;
  const ImageSink& sink_;
  std::optional<NamePattern> inPattern_, outPattern_;
  std::int64_t firstIn_, firstOut_;
  // The folder every input lies in, when the number is in the last part of
  // their names: its identity and what the pattern adds to the folder.
  std::optional<std::string> inFolderPart_;
  std::optional<FileId> inFolder_;
  // Inputs 0 .. known_ - 1 exist, and here is what each of them is.
  std::int64_t known_ = 0;
  std::unordered_map<FileId, std::int64_t, FileIdHash> inputs_;
};

}  // namespace projconv
