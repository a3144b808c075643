#include "exit_codes.h"

int ExitCodeFor(BatchEnd end) {
  switch (end) {
    case BatchEnd::InputMissing:
      return kExitConverted;
    case BatchEnd::InputNotOpened:
    case BatchEnd::InputNotRead:
    case BatchEnd::OutputNotWritten:
      return kExitFileFailed;
    case BatchEnd::Stopped:
      return kExitInterrupted;
    case BatchEnd::Refused:
      break;
  }
  return kExitRefused;
}
