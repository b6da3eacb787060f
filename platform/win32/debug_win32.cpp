#include "platform/debug.h"
#include "platform/win32/windows_headers.h"

namespace platform {

void DebugTrace(std::u16string_view text) {
  const std::u16string line(text);
  OutputDebugStringW(AsWide(line));
}

}  // namespace platform
