#pragma once

#include <cstdint>
#include <string>

namespace projconv {

// The lines projconv-batch prints about a batch's progress and outcome.

// "1 file", "42 files": a count and its noun, singular for one only.
std::string Counted(std::int64_t count, const char* one, const char* many);

// "42 files written, 17.3 images/s, 8.9 MB/s read+written"
std::string ProgressText(std::int64_t filesWritten, double seconds, double bytesPerImage);

// "projconv-batch: 42 files written in 2.4 s (17.3 images/s) to /out", prefixed
// with "interrupted, " when the batch was stopped, and followed by
// "; 1200 samples wrapped to 16 bits" when any were and "; 7 existing files
// kept" when any were.
std::string SummaryText(std::int64_t filesWritten, double seconds, const std::string& destination,
                        bool interrupted, std::int64_t samplesWrapped = 0,
                        std::int64_t filesKept = 0);

// A message of the batch as printed: "Caption: text\n", made safe for a
// terminal. The engine puts the system's `reason` for an end at a file on a
// line of its own under the message; it is printed as "Caption: Reason: ..."
// so that every line starts with its caption and the reasons can be found
// by one search.
std::string MessageLines(const std::string& caption, const std::string& text,
                         const std::string& reason);

}  // namespace projconv
