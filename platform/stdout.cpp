// Portable: standard output is the same stream on every platform.
#include <cstdio>
#include <mutex>

#include "platform/process.h"

namespace platform {

void WriteStdout(std::string_view text) {
  static std::mutex lock;
  const std::lock_guard<std::mutex> hold(lock);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace platform
