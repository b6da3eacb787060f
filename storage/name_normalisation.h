// Before an upload, items stored earlier under a name as the reader sent it
// (decomposed, or with characters the stored form maps to others) are renamed
// to the stored form, so that the upload replaces them instead of leaving
// them for the next commit to delete.
#pragma once

#include <cstddef>
#include <string_view>

// Walks `rawPath` (the target folder, a separator and the name as sent) from
// its first component below the first `keptLength` units to its last, and
// renames every existing folder, and finally the file, whose name differs
// from its stored form; the first `keptLength` units (the configured folders)
// are never renamed. A rename that fails (nothing there, the name taken) is
// passed over and the walk goes on under the stored name. 0 without any
// rename for a path over 2600 units, else 1. Traces go to platform::DebugTrace.
int NormaliseExistingPath(std::u16string_view rawPath, std::size_t keptLength);
