// Commit pruning: the walk is CPathList::Prune (declared with the list).
#pragma once

#include <string_view>

// Removes `folder` if nothing is left in it; otherwise leaves it alone.
void RemoveFolderIfEmpty(std::u16string_view folder);
