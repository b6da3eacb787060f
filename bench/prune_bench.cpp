// Prints how a commit's prune scales with the size of a backup set: a set of
// N small files in nested folders is pruned once with every path received
// (nothing deleted) and once with half of them (the other half deleted).
// Usage: vl_bench_prune [folder]   (default: a fresh folder under /tmp)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/text.h"
#include "storage/path_list.h"

namespace {

namespace fs = std::filesystem;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::u16string Wide(const fs::path& path) { return platform::FileNameBytesToWide(path.string()); }

// 100 files a folder, ten folders in each author's folder.
std::vector<fs::path> MakeSet(const fs::path& books, int count) {
  std::vector<fs::path> files;
  files.reserve(count);
  for (int i = 0; i < count; ++i) {
    const fs::path folder =
        books / ("author" + std::to_string(i / 1000)) / ("series" + std::to_string(i / 100 % 10));
    if (i % 100 == 0) fs::create_directories(folder);
    files.push_back(folder / ("title " + std::to_string(i) + ".epub"));
    std::ofstream(files.back(), std::ios::binary) << "book " << i;
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path root =
      argc > 1 ? fs::path(argv[1])
               : fs::temp_directory_path() /
                     ("vl-prune-bench-" +
                      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::printf("%9s %12s %16s %16s\n", "files", "build s", "keep all files/s", "drop half files/s");
  for (const int count : {10000, 100000}) {
    const fs::path books = root / "Books";
    fs::remove_all(root);
    auto start = std::chrono::steady_clock::now();
    const std::vector<fs::path> files = MakeSet(books, count);
    const double buildSeconds = Seconds(start);

    CPathList received;
    for (const fs::path& file : files) received.Add(Wide(file));
    start = std::chrono::steady_clock::now();
    received.Prune(Wide(books));
    const double keepSeconds = Seconds(start);

    received.Clear();
    for (std::size_t i = 0; i < files.size(); i += 2) received.Add(Wide(files[i]));
    start = std::chrono::steady_clock::now();
    received.Prune(Wide(books));
    const double halfSeconds = Seconds(start);

    std::size_t left = 0;
    for (const fs::path& file : files) left += fs::exists(file) ? 1 : 0;
    std::printf("%9d %12.2f %16.0f %16.0f   (%zu files left)\n", count, buildSeconds,
                count / keepSeconds, count / halfSeconds, left);
  }
  fs::remove_all(root);
  return 0;
}
