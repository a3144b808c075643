#include "engine/batch_result.h"

namespace projconv {

const char* BatchEndName(BatchEnd end) {
  switch (end) {
    case BatchEnd::Refused:
      return "refused";
    case BatchEnd::Stopped:
      return "stopped";
    case BatchEnd::InputMissing:
      return "input_missing";
    case BatchEnd::InputNotOpened:
      return "input_not_opened";
    case BatchEnd::InputNotRead:
      return "input_not_read";
    case BatchEnd::InputShort:
      return "input_short";
    case BatchEnd::OutputNotWritten:
      return "output_not_written";
    case BatchEnd::LimitReached:
      return "limit_reached";
  }
  return "unknown";
}

}  // namespace projconv
