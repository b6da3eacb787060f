// CFileList: the listing that GETLIST sends for one root folder, one line per
// file at any depth: "sizeLow sizeHigh timeLow timeHigh \relative\name\r\n",
// times in Unix seconds, relative paths always with backslashes.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

// Uploads are written under this suffix beside their target until their last
// byte is in; listings leave such files out.
inline constexpr char16_t kPartialUploadSuffix[] = u".vlpart";

class CFileList {
 public:
  // Appends the lines of every file in `folder` and below it, depth first in
  // the order the system lists each folder. Links to folders are followed,
  // but no folder is walked twice. 1 if `folder` could be read, else 0.
  int AddFolder(std::u16string_view folder);

  std::u16string text;
  // Relative paths are measured from here; set it before the first AddFolder.
  std::u16string root;

 private:
  std::unordered_set<std::string> visited_;
};
