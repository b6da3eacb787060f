#include "platform/folder.h"
#include "platform/win32/windows_headers.h"

namespace platform {

bool ListFolder(std::u16string_view folder, std::vector<FolderEntry>* entries) {
  std::u16string pattern(folder);
  if (pattern.empty() || (pattern.back() != u'\\' && pattern.back() != u'/')) pattern += u'\\';
  pattern += u'*';
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(AsWide(pattern), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    const std::u16string name = FromWide(found.cFileName);
    if (name == u"." || name == u"..") continue;
    FolderEntry item;
    item.name = name;
    item.isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    item.isFolder = !item.isLink && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    item.lastWriteTime = (static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                         found.ftLastWriteTime.dwLowDateTime;
    entries->push_back(std::move(item));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

std::optional<FolderEntry> FindFirstMatch(std::u16string_view path) {
  const std::u16string text(path);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(AsWide(text), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  FolderEntry item;
  item.name = FromWide(found.cFileName);
  item.isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  item.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  item.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  return item;
}

bool CreateFolder(std::u16string_view folder) {
  const std::u16string path(folder);
  return CreateDirectoryW(AsWide(path), nullptr) != 0;
}

bool RemoveEmptyFolder(std::u16string_view folder) {
  const std::u16string path(folder);
  return RemoveDirectoryW(AsWide(path)) != 0;
}

}  // namespace platform
