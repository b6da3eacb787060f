// Small stateless path functions. Both the backslash and the slash count as
// separators in every one of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The backslash and the slash; no other character (not the drive colon).
inline bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

// 100-nanosecond intervals since 1601 to signed seconds since 1970,
// truncating toward zero.
std::int64_t FileTimeToUnixSeconds(std::uint64_t fileTime);

// `folder`, a separator unless it already ends in one, and `name`.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// Cuts the path just after its last separator (a path without one becomes
// empty); a path that is empty or ends in a separator stays. Returns the new
// length.
std::size_t TruncateToFolder(std::u16string& path);

// Where the last component of `path` begins.
std::size_t FileNamePart(std::u16string_view path);

// 1 when something other than a folder is found at `path`. The size halves
// are stored where places are given whenever something is found, a folder
// included; a missing path leaves them untouched.
int FileExistsWithSize(std::u16string_view path, std::uint32_t* sizeLow, std::uint32_t* sizeHigh);

// Makes every prefix of `path` that ends in a separator exist, shortest
// first; the text after the last separator is taken to be a file name. 1 on
// success, 0 for a path over 2600 units or a folder that could not be made
// (those made before it stay).
int CreateFolderPath(std::u16string_view path);
