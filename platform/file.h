// File primitives over wide paths. On POSIX the path is turned into bytes
// losslessly (see text.h), so a name read from disk names the same file again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// The separator of paths that the program builds itself.
#ifdef _WIN32
inline constexpr char16_t kSeparator = u'\\';
#else
inline constexpr char16_t kSeparator = u'/';
#endif

// Creates the file, or empties an existing one, for writing.
FileHandle CreateFileForWriting(std::u16string_view path);
// Opens an existing file (not a folder) for reading, others may read it too,
// and gives its size. kNoFile when it cannot.
FileHandle OpenFileForReading(std::u16string_view path, std::uint64_t* size);
// One read: the count of bytes read, 0 at the end of the file, -1 on failure.
long long ReadFromFile(FileHandle file, void* buffer, std::size_t size);
// Writes every byte or reports failure.
bool WriteToFile(FileHandle file, const void* data, std::size_t length);
// Closing reports failure too: on some file systems a failed flush only
// shows there.
bool CloseFile(FileHandle file);
// Moves `from` over `to` in one step, replacing an existing `to`.
bool ReplaceFile(std::u16string_view from, std::u16string_view to);
// Renames a file or folder; fails when `to` exists.
bool MoveWithoutReplacing(std::u16string_view from, std::u16string_view to);
bool RemoveFile(std::u16string_view path);
bool PathExists(std::u16string_view path);

}  // namespace platform

namespace platform {

// Brings a path to the form in which the file system compares names: upper
// case on Windows, whose file systems ignore case; unchanged on POSIX.
void FoldPathCase(std::u16string& path);

// True for a name that the file system would not take as the plain name of an
// entry in a folder: on Windows a device name (CON, NUL, COM1, ..., with or
// without an extension) or a name ending in a dot or a space, which Windows
// drops. Nothing is reserved on POSIX.
bool IsReservedFileName(std::u16string_view name);

}  // namespace platform
