// Diagnostic traces for developers, apart from the log that users see. On
// Windows they go to the debugger (OutputDebugStringW); on POSIX to standard
// error, and only while the environment variable VLSYNC_DEBUG is set.
#pragma once

#include <string_view>

namespace platform {

void DebugTrace(std::u16string_view text);

}  // namespace platform
