#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file.h"
#include "platform/text.h"

namespace platform {

FileHandle CreateFileForWriting(std::u16string_view path) {
  const std::string bytes = WideToFileNameBytes(path);
  int fd;
  do {
    fd = open(bytes.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? kNoFile : fd;
}

FileHandle OpenFileForReading(std::u16string_view path, std::uint64_t* size) {
  const std::string bytes = WideToFileNameBytes(path);
  int fd;
  do {
    fd = open(bytes.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return kNoFile;
  struct stat info {};
  // A folder opens for reading here, unlike on Windows; it is no file.
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return kNoFile;
  }
  *size = static_cast<std::uint64_t>(info.st_size);
  return fd;
}

long long ReadFromFile(FileHandle file, void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = read(static_cast<int>(file), buffer, size);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

bool WriteToFile(FileHandle file, const void* data, std::size_t length) {
  const char* next = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t written = write(static_cast<int>(file), next, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CloseFile(FileHandle file) { return file != kNoFile && close(static_cast<int>(file)) == 0; }

bool ReplaceFile(std::u16string_view from, std::u16string_view to) {
  return rename(WideToFileNameBytes(from).c_str(), WideToFileNameBytes(to).c_str()) == 0;
}

bool MoveWithoutReplacing(std::u16string_view from, std::u16string_view to) {
  const std::string source = WideToFileNameBytes(from), target = WideToFileNameBytes(to);
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: test first, as well as one can.
  struct stat info {};
  if (lstat(target.c_str(), &info) == 0) return false;
  return rename(source.c_str(), target.c_str()) == 0;
}

bool RemoveFile(std::u16string_view path) { return unlink(WideToFileNameBytes(path).c_str()) == 0; }

bool PathExists(std::u16string_view path) {
  struct stat info {};
  return lstat(WideToFileNameBytes(path).c_str(), &info) == 0;
}

}  // namespace platform

namespace platform {

void FoldPathCase(std::u16string&) {}

bool IsReservedFileName(std::u16string_view) { return false; }

}  // namespace platform
