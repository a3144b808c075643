#pragma once

// A named pipe in place of one input, to hold a batch inside that image while
// a picture of the window is taken.

#include <string>
#include <vector>

namespace projconv {

// Makes a named pipe at `path` and opens its writing end, which stays open so
// that the batch's open finds a writer and its read waits for the bytes.
// The descriptor, or -1 on failure.
int HoldWithPipe(const std::string& path);

// Writes `bytes` to the held pipe `fd` and closes it: the batch goes on.
void LetThrough(int fd, const std::vector<char>& bytes);

}  // namespace projconv
