#include "platform/folder.h"
#include "platform/win32/windows_headers.h"

namespace platform {

bool ListFolder(std::u16string_view folder, std::vector<FolderEntry>* entries) {
  std::u16string pattern(folder);
  if (pattern.empty() || (pattern.back() != u'\\' && pattern.back() != u'/')) pattern += u'\\';
  pattern += u'*';
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(SystemPath(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    const std::u16string name = FromWide(found.cFileName);
    if (name == u"." || name == u"..") continue;
    FolderEntry item;
    item.name = name;
    item.isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    item.isFolder = !item.isLink && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.leadsToFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    item.lastWriteTime = (static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                         found.ftLastWriteTime.dwLowDateTime;
    entries->push_back(std::move(item));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

std::optional<FolderEntry> FindFirstMatch(std::u16string_view path) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(SystemPath(path).c_str(), &found);
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
  return CreateDirectoryW(SystemPath(folder).c_str(), nullptr) != 0;
}

bool RemoveEmptyFolder(std::u16string_view folder) {
  return RemoveDirectoryW(SystemPath(folder).c_str()) != 0;
}

std::optional<std::string> FolderIdentity(std::u16string_view folder) {
  const HANDLE handle = CreateFileW(SystemPath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!ok) return std::nullopt;
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
         ":" + std::to_string(info.nFileIndexLow);
}

}  // namespace platform
