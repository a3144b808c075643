#include "engine/internal/sequence_loop.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/internal/batch_messages.h"
#include "engine/internal/file_identity.h"
#include "engine/internal/image_pipeline.h"
#include "engine/internal/parallel_read.h"
#include "engine/internal/transform_fast.h"
#include "engine/internal/window_copy.h"
#include "engine/posix_file.h"
#include "engine/sample_math.h"

namespace projconv {

namespace {

// Asks the kernel to start reading the next input while this image is
// converted. Only a hint: nothing is read into the job, a missing file is
// no matter, and the file is read for real only when its turn comes. Only a
// regular file is opened for it: opening a pipe would release a writer
// waiting on it, and opening a device may act on the device.
void HintNextInput(const std::string& name, std::size_t bytes) {
  struct stat info;
  if (::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
  ::close(fd);
}

// Whether the folder that holds `path` exists: a missing input there is
// a mistyped folder, not the end of the sequence.
bool FolderExists(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  struct stat info {};
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

SequenceLoop::SequenceLoop(ProjectionJob& job, BatchResult& result)
    : job_(job),
      sink_(job.Sink()),
      result_(result),
      inPattern_(*NamePattern::Parse(job.inFormat)),
      outPattern_(*NamePattern::Parse(job.outFormat)),
      readBytes_(std::size_t(job.headerLen) + (job.sampleType == SampleType::Integer16 ? 2 : 4) *
                                                  std::size_t(job.inSizeX) *
                                                  std::size_t(job.inSizeY)),
      outBytes_(2 * std::uint64_t(job.outSizeX) * std::uint64_t(job.outSizeY)),
      readArea_(job.pipeline().buffers().ReadArea(job.sampleType).data()),
      inNumber_(std::int64_t{job.startNumber} + job.batch.span.skip),
      outNumber_(job.batch.span.outStart + job.batch.span.skip),
      guard_(job.guard_ ? std::move(job.guard_)
                        : std::make_unique<OverwriteGuard>(job, job.batch.span, sink_)),
      keeping_(job.batch.span.keepExisting) {
  // The transform's threads, made now rather than at the first image, also
  // share the reading of each input.
  if (FastTransform* const fast = job.pipeline().Schedule(job.batch.workerThreads)) {
    readers_ = &fast->pool();
    readWorkers_ = fast->workers();
    // Not while following: a followed input is checked once read, before
    // any of its output is written.
    copiesWindows_ = sink_.StreamsRows() && job.batch.kernels != TransformKernels::Reference &&
                     job.ActiveFlat() == nullptr &&
                     CopiesWindowsFromFiles(job, job.pipeline().buffers()) &&
                     job.batch.span.followSeconds < 0;
  }
  if (job.batch.span.followSeconds >= 0) {
    follower_.emplace(job.inFolder, job.batch.span.followSeconds, job.batch.span.settleSeconds);
  }
}

void SequenceLoop::Run() {
  SinkFailure failure;
  if (!sink_.Begin(failure)) {
    EndAtOutput(failure);
    return;
  }
  while (job_.stopFlag().load() == 0) {
    const FileDone file = NextFile();
    if (EndsBefore(file) || !Convert(file)) return;
  }
  EndAt(BatchEnd::Stopped, {}, {});
}

FileDone SequenceLoop::NextFile() {
  FileDone file;
  file.inputNumber = inNumber_;
  file.outputNumber = outNumber_;
  file.inputName = JoinPath(job_.inFolder, inPattern_.Format(Wrap32(inNumber_)));
  file.outputName = JoinPath(job_.outFolder, outPattern_.Format(Wrap32(outNumber_)));
  ++inNumber_;
  ++outNumber_;
  return file;
}

bool SequenceLoop::EndsBefore(const FileDone& file) {
  const std::int64_t limit = job_.batch.span.limit;
  if (limit >= 0 && result_.filesWritten + result_.filesKept >= limit) {
    EndAt(BatchEnd::LimitReached, {}, {});
    return true;
  }
  if (!follower_) return false;
  // The next file of a followed scan may be long in coming: the image put
  // last is told of as soon as it is stored.
  SinkFailure failure;
  if (unconfirmed_ && sink_.ReleaseSamples(failure)) {
    Tell(*unconfirmed_, result_.filesWritten - 1);
    unconfirmed_.reset();
  }
  switch (follower_->WaitFor(file.inputName, readBytes_, job_.stopFlag())) {
    case InputFollower::Outcome::Stopped:
      EndAt(BatchEnd::Stopped, {}, {});
      return true;
    case InputFollower::Outcome::Short:
      // Never half a projection: a file that stopped growing short of a
      // whole one ends the batch as any short input does.
      EndShort(file.inputName, IdentityOf(file.inputName).value_or(FileIdentity{}).size);
      return true;
    case InputFollower::Outcome::Unsteady:
      EndAt(BatchEnd::InputNotRead, file.inputName, "can not be read",
            "It changed or was replaced during each of " + std::to_string(InputFollower::kReads) +
                " reads");
      return true;
    case InputFollower::Outcome::Missing:  // the scan has ended: the normal end follows
    case InputFollower::Outcome::Whole:
      break;
  }
  return false;
}

bool SequenceLoop::Convert(const FileDone& file) {
  result_.fileName = file.inputName;
  PosixFile input;
  if (!input.OpenForReading(file.inputName)) {
    const int error = input.error();
    if (error == ENOENT || error == ENOTDIR) {
      // The normal end needs no reason, unless the folder itself is missing.
      EndAt(BatchEnd::InputMissing, file.inputName, "can not be opened",
            FolderExists(file.inputName) ? std::string() : "No such folder");
    } else {
      EndAt(BatchEnd::InputNotOpened, file.inputName, "can not be opened",
            FileFailureReason(error, false));
    }
    return false;
  }
  if (keeping_ && sink_.HoldsWhole(file.outputName, outBytes_)) {
    ++result_.filesKept;
    FileDone kept = file;
    kept.kept = true;
    if (job_.dialog != nullptr) job_.dialog->ReportFileDone(kept);
    return true;
  }
  if (ReplacesLaterInput(file)) return false;
  if (copiesWindows_ && input.RegularSize() >= static_cast<long long>(readBytes_) &&
      !input.SameFileAs(file.outputName)) {
    return CopyWindow(file, input);
  }
  const long long got = ReadInPieces(input, readArea_, readBytes_, readers_, readWorkers_);
  // Never converted from a mixture: a followed file that changed while it was
  // read is waited for and read again.
  if (follower_ && got >= 0 && !follower_->ReadAsSettled(input, file.inputName, got, readBytes_)) {
    return !EndsBefore(file) && Convert(file);
  }
  if (got <= 0) {
    // The file is closed after the message, as it goes out of scope.
    EndAt(BatchEnd::InputNotRead, file.inputName, "can not be read",
          FileFailureReason(got < 0 ? input.error() : 0, false));
    return false;
  }
  if (std::uint64_t(got) < readBytes_) {
    // Never half a projection: the rest of the image would be whatever the
    // buffers hold, and a rerun, a shard or a follower starting here would
    // write another output than this run.
    EndShort(file.inputName, got);
    return false;
  }
  InputRead(input);

  if (std::optional<SinkFailure> failure =
          job_.PutOutput(sink_, result_.filesWritten, file.outputName)) {
    // The sink settles what it still holds; a failure of an earlier image
    // is the one to tell.
    SinkFailure earlier;
    earlier.image = failure->image;
    if (!sink_.Finish(earlier) && earlier.image < failure->image) {
      failure = earlier;
    }
    EndAtOutput(*failure);
    return false;
  }
  lastWrapped_ = job_.LastImageWrapped();
  Done(file);
  return true;
}

// A raw output is opened as the first rows arrive, before the input is read
// whole. It is another file (an output that is its own input is read the
// usual way), and if it cannot be created, the input is still read whole
// before the batch ends at the output. Only a read failing midway, rare for
// a file that opened at its full length, shows the order: the output is
// then left short of a whole one.
bool SequenceLoop::CopyWindow(const FileDone& file, PosixFile& input) {
  const std::span<std::int16_t> image = job_.pipeline().buffers().Output();
  RowStream* const rows = sink_.StreamRows(result_.filesWritten, file.outputName, image);
  const int failed = CopyWindowFromFile(job_, image.data(), input, *readers_, readWorkers_, *rows);
  if (failed == kCutShort) {
    // Shortened while it was read: it ends the batch as if it had been
    // short when opened.
    EndShort(file.inputName, std::max(input.RegularSize(), 0LL));
    return false;
  }
  if (failed != 0) {
    EndAt(BatchEnd::InputNotRead, file.inputName, "can not be read",
          FileFailureReason(failed, false));
    return false;
  }
  InputRead(input);
  lastWrapped_ = 0;  // copied 16-bit samples never wrap
  SinkFailure failure{file.outputName, 0, {}, result_.filesWritten};
  if (!sink_.Put(result_.filesWritten, file.outputName, job_.outSizeX, job_.outSizeY, image,
                 failure)) {
    EndAtOutput(failure);
    return false;
  }
  Done(file);
  return true;
}

void SequenceLoop::InputRead(PosixFile& input) {
  input.Close();
  HintNextInput(JoinPath(job_.inFolder, inPattern_.Format(Wrap32(inNumber_))), readBytes_);
}

bool SequenceLoop::ReplacesLaterInput(const FileDone& file) {
  const std::optional<std::string> input = guard_->InputReplacedBy(
      file.inputNumber - (std::int64_t{job_.startNumber} + job_.batch.span.skip), file.outputName);
  if (!input) return false;
  EndAt(BatchEnd::OutputNotWritten, file.outputName, "can not be wrote",
        "It is the input " + *input + ", which the batch has yet to read");
  return true;
}

void SequenceLoop::EndShort(const std::string& input, long long bytes) {
  EndAt(BatchEnd::InputShort, input,
        "holds " + std::to_string(bytes) + " bytes, a whole input needs " +
            std::to_string(readBytes_));
}

void SequenceLoop::Done(const FileDone& file) {
  const std::int64_t index = result_.filesWritten++;
  result_.samplesWrapped += lastWrapped_;
  countedWrapped_ = lastWrapped_;
  if (sink_.StoresInPut()) {
    Tell(file, index);
    return;
  }
  // A sink may store an image after Put returned: it is told of once the
  // next Put or the end shows it stored.
  if (unconfirmed_) Tell(*unconfirmed_, index - 1);
  unconfirmed_ = file;
  unconfirmed_->container = sink_.OneFile();
  if (!unconfirmed_->container.empty()) unconfirmed_->containerIndex = index;
}

void SequenceLoop::Tell(const FileDone& file, std::int64_t index) {
  if (job_.dialog == nullptr) return;
  job_.dialog->PostProgress(Wrap32(index));
  job_.dialog->ReportFileDone(file);
}

void SequenceLoop::TellStored(std::int64_t stored) {
  if (unconfirmed_ && stored >= result_.filesWritten) Tell(*unconfirmed_, result_.filesWritten - 1);
  unconfirmed_.reset();
}

void SequenceLoop::EndAt(BatchEnd end, const std::string& file, const std::string& ending,
                         const std::string& reason) {
  if (!SinkSettled()) return;
  result_.end = end;
  result_.fileName = file;
  result_.reason = reason;
  if (!ending.empty()) job_.Report(FileMessage(file, ending, reason), kInfoCaption);
}

void SequenceLoop::EndAtOutput(const SinkFailure& failure) {
  TellStored(failure.image);
  if (failure.image < result_.filesWritten) {
    result_.filesWritten = failure.image;
    result_.samplesWrapped -= countedWrapped_;
  }
  result_.fileName = failure.file;
  result_.end = BatchEnd::OutputNotWritten;
  result_.reason = failure.reason.empty() ? FileFailureReason(failure.error, true) : failure.reason;
  job_.Report(FileMessage(failure.file, "can not be wrote", result_.reason), kInfoCaption);
}

bool SequenceLoop::SinkSettled() {
  SinkFailure failure;
  failure.image = result_.filesWritten;
  if (sink_.Finish(failure)) {
    TellStored(result_.filesWritten);
    return true;
  }
  EndAtOutput(failure);
  return false;
}

}  // namespace projconv
