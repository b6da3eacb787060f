#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/folder.h"
#include "platform/text.h"

namespace platform {
namespace {

// Seconds and nanoseconds since 1970 to the Windows count since 1601.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

}  // namespace

bool ListFolder(std::u16string_view folder, std::vector<FolderEntry>* entries) {
  const std::string path = WideToFileNameBytes(folder);
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return false;
  const int dirFd = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    FolderEntry item;
    item.name = FileNameBytesToWide(entry->d_name);
    struct stat info {};
    if (fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
      item.isLink = S_ISLNK(info.st_mode);
      item.isFolder = S_ISDIR(info.st_mode);
      item.leadsToFolder = item.isFolder;
      // A link shows what it leads to, as a Windows search shows a link.
      struct stat target {};
      if (item.isLink && fstatat(dirFd, entry->d_name, &target, 0) == 0) {
        item.leadsToFolder = S_ISDIR(target.st_mode);
        if (S_ISREG(target.st_mode)) info = target;
      }
      item.size = item.isFolder ? 0 : static_cast<std::uint64_t>(info.st_size);
      const std::int64_t ticks =
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 10000000 + info.st_mtim.tv_nsec / 100;
      item.lastWriteTime = static_cast<std::uint64_t>(ticks) + kUnixEpochAsFileTime;
    }
    entries->push_back(std::move(item));
  }
  closedir(dir);
  return true;
}

std::optional<FolderEntry> FindFirstMatch(std::u16string_view path) {
  const std::string bytes = WideToFileNameBytes(path);
  struct stat info {};
  if (stat(bytes.c_str(), &info) != 0 && lstat(bytes.c_str(), &info) != 0) return std::nullopt;
  FolderEntry item;
  item.isLink = S_ISLNK(info.st_mode);
  item.isFolder = S_ISDIR(info.st_mode);
  item.size = static_cast<std::uint64_t>(info.st_size);
  return item;
}

std::optional<std::string> FolderIdentity(std::u16string_view folder) {
  struct stat info {};
  if (stat(WideToFileNameBytes(folder).c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    return std::nullopt;
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

bool CreateFolder(std::u16string_view folder) {
  return mkdir(WideToFileNameBytes(folder).c_str(), 0777) == 0;
}

bool RemoveEmptyFolder(std::u16string_view folder) {
  return rmdir(WideToFileNameBytes(folder).c_str()) == 0;
}

}  // namespace platform
