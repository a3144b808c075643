#include "engine/internal/overwrite_guard.h"

#include <sys/stat.h>

#include "engine/sample_math.h"

namespace projconv {

namespace {

// How far past the inputs there are a followed scan is looked at before it
// starts: its files are yet to come. Later ones are caught as they are about
// to be written.
constexpr std::int64_t kFollowedInputsAhead = 100000;

// "d/raw.0001" as its folder "d/" and its last component "raw.0001".
std::pair<std::string, std::string> SplitName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {"./", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

}  // namespace

std::optional<OverwriteGuard::FileId> OverwriteGuard::IdOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileId{std::uint64_t(info.st_dev), std::uint64_t(info.st_ino)};
}

OverwriteGuard::OverwriteGuard(const ConversionParameters& job, const SequenceSpan& span,
                               const ImageSink& sink)
    : job_(job),
      span_(span),
      sink_(sink),
      inPattern_(NamePattern::Parse(job.inFormat)),
      outPattern_(NamePattern::Parse(job.outFormat)),
      firstIn_(std::int64_t{job.startNumber} + span.skip),
      firstOut_(span.outStart + span.skip) {
  if (!inPattern_ || !outPattern_) return;
  inFolderPart_ = inPattern_->FolderPart();
  if (inFolderPart_) inFolder_ = IdOf(JoinPath(job.inFolder, *inFolderPart_));
  LookFurther();
}

std::string OverwriteGuard::InputName(std::int64_t k) const {
  return JoinPath(job_.inFolder, inPattern_->Format(Wrap32(firstIn_ + k)));
}

std::string OverwriteGuard::OutputName(std::int64_t k) const {
  return JoinPath(job_.outFolder, outPattern_->Format(Wrap32(firstOut_ + k)));
}

void OverwriteGuard::LookFurther() {
  const std::int64_t limit = span_.limit;
  while (limit < 0 || known_ < limit) {
    const std::optional<FileId> id = IdOf(InputName(known_));
    if (!id) return;
    inputs_[*id] = known_++;  // a file under two numbers keeps the later one
  }
}

std::int64_t OverwriteGuard::Reach() const {
  // Without following, the batch reads the inputs there are and then the
  // first missing one, should an output create it.
  return span_.followSeconds >= 0 ? known_ + kFollowedInputsAhead : known_;
}

bool OverwriteGuard::ReadLater(std::int64_t j, std::int64_t k) const {
  const std::int64_t limit = span_.limit;
  return j > k && j <= Reach() && (limit < 0 || j < limit);
}

std::optional<std::int64_t> OverwriteGuard::IndexByName(const std::string& output,
                                                        const std::optional<FileId>& folder) const {
  std::optional<std::int32_t> number;
  if (inFolderPart_) {
    if (!inFolder_ || folder != inFolder_) return std::nullopt;
    number = inPattern_->NumberOf(*inFolderPart_ + SplitName(output).second);
  } else {
    // The number is in a folder's name: compared as spelled.
    const std::string start = JoinPath(job_.inFolder, "");
    if (!output.starts_with(start)) return std::nullopt;
    number = inPattern_->NumberOf(std::string_view(output).substr(start.size()));
  }
  if (!number) return std::nullopt;
  // The input counter runs in 64 bits and names carry its low 32.
  return std::int64_t(std::uint32_t(*number) - std::uint32_t(Wrap32(firstIn_)));
}

std::optional<std::int64_t> OverwriteGuard::LaterInputAt(std::int64_t k, const std::string& output,
                                                         const std::optional<FileId>& folder,
                                                         bool asFile) const {
  if (const auto j = IndexByName(output, folder); j && ReadLater(*j, k)) return j;
  if (!asFile) return std::nullopt;
  const std::optional<FileId> id = IdOf(output);
  if (!id) return std::nullopt;
  const auto it = inputs_.find(*id);
  if (it != inputs_.end() && ReadLater(it->second, k)) return it->second;
  return std::nullopt;
}

std::optional<Refusal> OverwriteGuard::FirstCollision() const {
  if (!inPattern_ || !outPattern_) return std::nullopt;
  if (!NamesOutputs()) {
    // One file for every image, made before or with the first: any input
    // the batch reads would be lost, even the first.
    const std::string file = sink_.OneFile();
    if (file.empty()) return std::nullopt;
    return Collision(file, LaterInputAt(-1, file, IdOf(SplitName(file).first), true));
  }
  const std::optional<std::string> outFolderPart = outPattern_->FolderPart();
  const std::optional<FileId> outFolder =
      outFolderPart ? IdOf(JoinPath(job_.outFolder, *outFolderPart)) : std::nullopt;
  std::int64_t end = Reach();
  if (span_.limit >= 0) end = std::min(end, span_.limit);
  for (std::int64_t k = 0; k < end; ++k) {
    const std::string output = OutputName(k);
    const std::optional<FileId> folder = outFolderPart ? outFolder : IdOf(SplitName(output).first);
    // Only an existing output can be a link to an input, and every output
    // past the inputs there are is one of the followed scan's, yet to come.
    if (auto refusal = Collision(output, LaterInputAt(k, output, folder, k < known_))) {
      return refusal;
    }
  }
  return std::nullopt;
}

std::optional<Refusal> OverwriteGuard::Collision(const std::string& output,
                                                 std::optional<std::int64_t> input) const {
  if (!input) return std::nullopt;
  return Refusal{RefusalKind::OutputReplacesInput,
                 "The output file " + output + " would replace the input file " +
                     InputName(*input) +
                     " before the batch reads it: choose another output folder, output name "
                     "format or first output number"};
}

bool OverwriteGuard::NamesOutputs() const {
  return sink_.WritesRawNames();
}

std::optional<std::string> OverwriteGuard::InputReplacedBy(std::int64_t k,
                                                           const std::string& output) {
  if (!inPattern_ || !NamesOutputs()) return std::nullopt;
  LookFurther();
  const auto j = LaterInputAt(k, output, IdOf(SplitName(output).first), true);
  if (!j) return std::nullopt;
  return InputName(*j);
}

}  // namespace projconv
