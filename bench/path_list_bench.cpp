// Prints how the received-path list scales: time and memory to record N
// upload paths, and to test N files against them as a commit does.
// Nothing is deleted: every file tested is one that was recorded.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/process.h"
#include "storage/path_list.h"

namespace {

std::u16string PathOf(int i) {
  const std::string text = "/home/reader/Documents/Vellumine/tablet-7f3a/Books/author" +
                           std::to_string(i % 997) + "/series" + std::to_string(i % 13) +
                           "/title number " + std::to_string(i) + ".epub";
  return std::u16string(text.begin(), text.end());
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
  std::printf("%10s %14s %16s %12s\n", "paths", "adds/s", "keep tests/s", "memory MiB");
  for (const int count : {10000, 100000, 1000000}) {
    std::vector<std::u16string> paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i) paths.push_back(PathOf(i));
    const long long before = platform::ResidentMemoryBytes();
    CPathList list;
    auto start = std::chrono::steady_clock::now();
    for (const auto& path : paths) list.Add(path);
    const double addSeconds = Seconds(start);
    const long long after = platform::ResidentMemoryBytes();
    start = std::chrono::steady_clock::now();
    int kept = 0;
    for (const auto& path : paths) kept += list.KeepOrDelete(path) == 0;
    const double keepSeconds = Seconds(start);
    if (kept != count) std::printf("unexpected: %d of %d kept\n", kept, count);
    std::printf("%10d %14.0f %16.0f %12.1f\n", count, count / addSeconds, count / keepSeconds,
                (after - before) / 1048576.0);
  }
  return 0;
}
