#pragma once

// A TIFF file is a chain: the header points to the first page's directory,
// and each directory ends with the offset of the next, 0 after the last. A
// page that failed midway can leave the last whole page pointing at a
// directory that was never written whole, and readers then warn or refuse
// the file. This walks the chain and ends it at the last whole directory.

#include <string>

namespace projconv {

// Ends the chain of the classic or BigTIFF file at `path` after its last
// whole directory. False when the file cannot be opened or written or is no
// TIFF at all.
bool EndTiffAfterWholePages(const std::string& path);

}  // namespace projconv
