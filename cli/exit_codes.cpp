#include "cli/exit_codes.h"

namespace projconv {

int ExitCodeFor(BatchEnd end, std::int64_t filesWritten) {
  switch (end) {
    case BatchEnd::InputMissing:
      // A script must be able to tell a mistyped folder from a finished scan.
      return filesWritten > 0 ? kExitConverted : kExitNoInput;
    case BatchEnd::InputNotOpened:
    case BatchEnd::InputNotRead:
    case BatchEnd::InputShort:
    case BatchEnd::OutputNotWritten:
      return kExitFileFailed;
    case BatchEnd::LimitReached:
      return kExitConverted;
    case BatchEnd::Stopped:
      return kExitInterrupted;
    case BatchEnd::Refused:
      break;
  }
  return kExitRefused;
}

}  // namespace projconv
