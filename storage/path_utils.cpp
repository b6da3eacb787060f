#include "storage/path_utils.h"

#include "platform/file.h"
#include "platform/folder.h"
#include "storage/limits.h"

namespace {

constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000LL;
constexpr std::int64_t kFileTimeUnitsPerSecond = 10000000LL;

// Where the part of a path that can be created begins: past the
// \\server\share\ head of a Windows network path, which cannot be made and
// is taken as present.
std::size_t CreatableStart(std::u16string_view path) {
  if (platform::kSeparator != u'\\' || path.size() < 2 || !IsSeparator(path[0]) ||
      !IsSeparator(path[1]))
    return 0;
  int separators = 0;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (IsSeparator(path[i]) && ++separators == 4) return i + 1;
  return path.size();
}

}  // namespace

std::int64_t FileTimeToUnixSeconds(std::uint64_t fileTime) {
  return (static_cast<std::int64_t>(fileTime) - kUnixEpochAsFileTime) / kFileTimeUnitsPerSecond;
}

std::size_t FileNamePart(std::u16string_view path) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1])) return i;
  return 0;
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (path.empty() || !IsSeparator(path.back())) path += platform::kSeparator;
  path += name;
  return path;
}

std::size_t TruncateToFolder(std::u16string& path) {
  path.resize(FileNamePart(path));
  return path.size();
}

int FileExistsWithSize(std::u16string_view path, std::uint32_t* sizeLow, std::uint32_t* sizeHigh) {
  const std::optional<platform::FolderEntry> found = platform::FindFirstMatch(path);
  if (!found) return 0;
  if (sizeLow != nullptr) *sizeLow = static_cast<std::uint32_t>(found->size);
  if (sizeHigh != nullptr) *sizeHigh = static_cast<std::uint32_t>(found->size >> 32);
  return found->isFolder ? 0 : 1;
}

int CreateFolderPath(std::u16string_view path) {
  if (path.size() > static_cast<std::size_t>(kMaxPath)) return 0;
  for (std::size_t i = CreatableStart(path); i < path.size(); ++i) {
    if (!IsSeparator(path[i])) continue;
    const std::u16string_view prefix = path.substr(0, i + 1);
    if (platform::PathExists(prefix)) continue;
    // Another session may have made it in the meantime; that is success too.
    if (!platform::CreateFolder(prefix) && !platform::PathExists(prefix)) return 0;
  }
  return 1;
}
