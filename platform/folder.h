// Folder primitives over wide paths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FolderEntry {
  std::u16string name;
  bool isFolder = false;       // a real folder; a link to a folder is not one
  bool isLink = false;         // a symbolic link or junction, never followed by a prune
  bool leadsToFolder = false;  // a folder, or a link to one
  // Of the file a link leads to, where it leads to one.
  std::uint64_t size = 0;
  // 100-nanosecond intervals since 1601-01-01 UTC, as Windows counts.
  std::uint64_t lastWriteTime = 0;
};

// The entries of `folder` other than "." and "..", in the order the system
// gives them. False when the folder cannot be read.
bool ListFolder(std::u16string_view folder, std::vector<FolderEntry>* entries);
// What a directory search on `path` itself finds first. On Windows a path
// with wildcards is matched as a pattern; on POSIX a link is looked through,
// and a dangling one is found as itself.
std::optional<FolderEntry> FindFirstMatch(std::u16string_view path);
// A text that is the same for every path that reaches the same folder
// (through links too), or nothing when the folder cannot be opened. Lets a
// walk that follows links notice a folder it has already been through.
std::optional<std::string> FolderIdentity(std::u16string_view folder);
// Creates one folder; false if it could not (it exists, or its parent is missing).
bool CreateFolder(std::u16string_view folder);
// Removes a folder only if it is empty.
bool RemoveEmptyFolder(std::u16string_view folder);

}  // namespace platform
