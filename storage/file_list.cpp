#include "storage/file_list.h"

#include <cstdint>
#include <vector>

#include "platform/folder.h"
#include "storage/limits.h"
#include "storage/path_utils.h"

namespace {

bool IsPartialUpload(std::u16string_view name) {
  const std::u16string_view suffix(kPartialUploadSuffix);
  return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

void AppendDecimal(std::u16string& text, std::uint32_t value) {
  const std::string digits = std::to_string(value);
  text.append(digits.begin(), digits.end());
}

}  // namespace

int CFileList::AddFolder(std::u16string_view folder) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::ListFolder(folder, &entries)) return 0;
  // Reached once more through a link: its files are listed already.
  if (const auto identity = platform::FolderIdentity(folder)) {
    if (!visited_.insert(*identity).second) return 1;
  }
  // The relative folder: what follows the root, which counts without its
  // trailing separators so that every relative path starts with one.
  std::size_t rootLength = root.size();
  while (rootLength > 0 && IsSeparator(root[rootLength - 1])) --rootLength;
  std::u16string relative(folder.substr(std::min(rootLength, folder.size())));
  for (char16_t& unit : relative)
    if (unit == u'/') unit = u'\\';
  if (!relative.empty() && relative.back() == u'\\') relative.pop_back();

  for (const platform::FolderEntry& entry : entries) {
    if (entry.leadsToFolder) {
      const std::u16string subfolder = JoinPath(folder, entry.name);
      // Deeper than any path the program handles: as if it could not be read.
      if (subfolder.size() <= static_cast<std::size_t>(kMaxPathUnits)) AddFolder(subfolder);
      continue;
    }
    if (IsPartialUpload(entry.name)) continue;
    const auto seconds = static_cast<std::uint64_t>(FileTimeToUnixSeconds(entry.lastWriteTime));
    AppendDecimal(text, static_cast<std::uint32_t>(entry.size));
    text += u' ';
    AppendDecimal(text, static_cast<std::uint32_t>(entry.size >> 32));
    text += u' ';
    AppendDecimal(text, static_cast<std::uint32_t>(seconds));
    text += u' ';
    AppendDecimal(text, static_cast<std::uint32_t>(seconds >> 32));
    text += u' ';
    text += relative;
    text += u'\\';
    text += entry.name;
    text += u"\r\n";
  }
  return 1;
}
