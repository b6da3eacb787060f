#include "platform/file.h"
#include "platform/win32/windows_headers.h"

namespace platform {

FileHandle CreateFileForWriting(std::u16string_view path) {
  const HANDLE file = CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

FileHandle OpenFileForReading(std::u16string_view path, std::uint64_t* size) {
  const HANDLE file = CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kNoFile;
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file, &length)) {
    CloseHandle(file);
    return kNoFile;
  }
  *size = static_cast<std::uint64_t>(length.QuadPart);
  return reinterpret_cast<FileHandle>(file);
}

long long ReadFromFile(FileHandle file, void* buffer, std::size_t size) {
  const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  DWORD read = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, chunk, &read, nullptr)) return -1;
  return read;
}

bool WriteToFile(FileHandle file, const void* data, std::size_t length) {
  const char* next = static_cast<const char*>(data);
  while (length > 0) {
    const DWORD chunk = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(file), next, chunk, &written, nullptr) || written == 0)
      return false;
    next += written;
    length -= written;
  }
  return true;
}

bool CloseFile(FileHandle file) {
  return file != kNoFile && CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}

bool ReplaceFile(std::u16string_view from, std::u16string_view to) {
  return MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(), MOVEFILE_REPLACE_EXISTING) !=
         0;
}

bool MoveWithoutReplacing(std::u16string_view from, std::u16string_view to) {
  return MoveFileW(SystemPath(from).c_str(), SystemPath(to).c_str()) != 0;
}

bool RemoveFile(std::u16string_view path) {
  const std::wstring name = SystemPath(path);
  if (DeleteFileW(name.c_str())) return true;
  // A link to a folder (symbolic link or junction) is removed as a folder;
  // that takes away the link only, never what it points to.
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && RemoveDirectoryW(name.c_str()) != 0;
}

bool PathExists(std::u16string_view path) {
  return GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace platform

namespace platform {

void FoldPathCase(std::u16string& path) {
  if (!path.empty())
    CharUpperBuffW(reinterpret_cast<wchar_t*>(path.data()), static_cast<DWORD>(path.size()));
}

bool IsReservedFileName(std::u16string_view name) {
  if (!name.empty() && (name.back() == u'.' || name.back() == u' ')) return true;
  // The device name is what comes before the first dot, trailing spaces aside.
  std::u16string stem(name.substr(0, name.find(u'.')));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  FoldPathCase(stem);
  for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.compare(0, 3, u"COM") == 0 || stem.compare(0, 3, u"LPT") == 0) &&
         stem[3] >= u'1' && stem[3] <= u'9';
}

}  // namespace platform
