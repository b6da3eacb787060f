#include <cstdio>
#include <cstdlib>

#include "platform/debug.h"
#include "platform/text.h"

namespace platform {

void DebugTrace(std::u16string_view text) {
  static const bool enabled = [] {
    const char* value = std::getenv("VLSYNC_DEBUG");
    return value != nullptr && *value != '\0';
  }();
  if (!enabled) return;
  const std::string bytes = WideToUtf8(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
}

}  // namespace platform
