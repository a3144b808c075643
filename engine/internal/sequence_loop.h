#pragma once

// The loop over the numbered files of one prepared batch: which input comes
// next, waiting for it while a scan is written, keeping outputs a stopped run
// finished, reading, converting and putting each image, and every way the
// batch can end. The job's parameters, buffers and transform stay the job's;
// this holds only what lives from the first file to the last.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/internal/input_follower.h"
#include "engine/internal/overwrite_guard.h"
#include "engine/name_pattern.h"
#include "engine/projection_job.h"

namespace projconv {

class PosixFile;
class WorkerPool;

class SequenceLoop {
 public:
  SequenceLoop(ProjectionJob& job, BatchResult& result);

  // Converts files until the batch ends, and leaves in the result how.
  void Run();

 private:
  // The next file of the span, its numbers moved on past it.
  FileDone NextFile();
  // Ends the batch before `file` is opened when the span is done or a
  // followed scan has ended short of it; false to go on with it.
  bool EndsBefore(const FileDone& file);
  // Reads, converts and puts one file; false when the batch ended at it.
  bool Convert(const FileDone& file);
  // Reads the window of `input` straight into the output image and puts it
  // in the file, for a batch that copies (see window_copy.h).
  bool CopyWindow(const FileDone& file, PosixFile& input);
  // Closes the input read last and lets the kernel start on the next one.
  void InputRead(PosixFile& input);
  // Ends the batch at an input that holds `bytes`, fewer than a whole one.
  void EndShort(const std::string& input, long long bytes);
  // Ends the batch before `file`'s output is opened when that output is an
  // input the batch has yet to read; false to go on.
  bool ReplacesLaterInput(const FileDone& file);
  // Counts a file done and tells whoever watches, once it is stored.
  void Done(const FileDone& file);
  // Tells whoever watches that `file`, output image `index`, is done.
  void Tell(const FileDone& file, std::int64_t index);
  // Tells of the image put last, unless fewer than all `stored` images put
  // were stored.
  void TellStored(std::int64_t stored);

  // Ends the batch `end` at `file` with the message `ending` and the
  // system's `reason`, unless the sink still holds an image it cannot store,
  // which is the end to tell.
  void EndAt(BatchEnd end, const std::string& file, const std::string& ending,
             const std::string& reason = {});
  void EndAtOutput(const SinkFailure& failure);
  // Waits for the sink to store what it took; false, with the batch ended at
  // the failed image, when it could not.
  bool SinkSettled();

  ProjectionJob& job_;
  ImageSink& sink_;
  BatchResult& result_;
  NamePattern inPattern_, outPattern_;
  std::size_t readBytes_;
  std::uint64_t outBytes_;
  void* readArea_;
  WorkerPool* readers_ = nullptr;
  int readWorkers_ = 1;
  // Counters run in 64 bits; names and progress carry their 32-bit values.
  std::int64_t inNumber_, outNumber_;
  std::optional<InputFollower> follower_;
  std::unique_ptr<OverwriteGuard> guard_;
  bool keeping_;
  bool copiesWindows_ = false;
  // What the image counted last added to samplesWrapped: a sink that tells
  // of a failure one image late takes that image off the counts again.
  std::int64_t countedWrapped_ = 0;
  // The output samples of the image put last that wrapped.
  std::int64_t lastWrapped_ = 0;
  // The image put in the sink last, which it may not have stored yet.
  std::optional<FileDone> unconfirmed_;
};

}  // namespace projconv
