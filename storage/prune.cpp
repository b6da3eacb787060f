#include "storage/prune.h"

#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/folder.h"
#include "storage/limits.h"
#include "storage/path_list.h"
#include "storage/path_utils.h"

namespace {

// `folder` and `name` joined by one separator. Empty when the result would
// pass the path limit: such an entry is left alone rather than reached
// through a cut path that names something else.
std::u16string Join(std::u16string_view folder, std::u16string_view name) {
  std::u16string path = JoinPath(folder, name);
  if (path.size() > static_cast<std::size_t>(kMaxPathUnits)) return {};
  return path;
}

}  // namespace

// Entries are read in full before any is acted on, so deleting never
// disturbs the listing that is being walked.
void CPathList::Prune(std::u16string_view folder) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::ListFolder(folder, &entries)) return;
  for (const platform::FolderEntry& entry : entries) {
    const std::u16string path = Join(folder, entry.name);
    if (path.empty()) continue;
    if (entry.isFolder) {
      Prune(path);
      RemoveFolderIfEmpty(path);
    } else {
      KeepOrDelete(path);
    }
  }
}

void RemoveFolderIfEmpty(std::u16string_view folder) {
  // Removing a folder that still holds anything fails, which is the test.
  platform::RemoveEmptyFolder(folder);
}
