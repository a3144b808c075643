#pragma once

#include <cstdint>
#include <string>

namespace projconv {

// How a batch ended; the boolean of RunBatch folds these into refused or not.
enum class BatchEnd {
  Refused,           // parameters or memory: nothing was read or written
  Stopped,           // the job's stop flag was set
  InputMissing,      // the next input could not be opened (ENOENT: the normal end)
  InputNotOpened,    // the next input exists but could not be opened
  InputNotRead,      // the input gave no bytes, or the read failed
  InputShort,        // the input held fewer bytes than the header and one image
  OutputNotWritten,  // the output could not be created, written or closed
  LimitReached       // the span's last input was done (a normal end)
};

// "refused", "stopped", "input_missing", "input_not_opened", "input_not_read",
// "input_short", "output_not_written", "limit_reached": how records and logs
// name an end.
const char* BatchEndName(BatchEnd end);

struct BatchResult {
  BatchEnd end = BatchEnd::Refused;
  std::int64_t filesWritten = 0;
  std::string fileName;  // the file the batch ended at, if any
  // Why that file failed, in the system's words ("Permission denied", "No
  // such folder"); empty when the end needs no reason.
  std::string reason = {};
  // Output samples of the images written whose truncated value lay outside
  // -32768 .. 32767 and so was kept to its low 16 bits.
  std::int64_t samplesWrapped = 0;
  std::int64_t filesKept = 0;  // outputs found whole and kept (SequenceSpan::keepExisting)
};

}  // namespace projconv
