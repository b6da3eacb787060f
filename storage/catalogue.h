// The catalogue of a backup set: "vlbackup.ini" in the set's folder, section
// BACKUP, keys NAME and DEVICE (written when a set is selected) and DATE_LOW
// and DATE_HEIGH (the commit time, in Unix seconds, as two unsigned halves).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char16_t kCatalogueFileName[] = u"vlbackup.ini";

// The catalogue inside a set's folder, given with or without a final separator.
std::u16string CataloguePath(std::u16string_view setFolder);

// NAME and then DEVICE; false as soon as one cannot be written.
bool WriteCatalogueNames(std::u16string_view catalogue, std::u16string_view displayName,
                         std::u16string_view deviceId);
// DATE_LOW and then DATE_HEIGH; false if either could not be written.
bool WriteCatalogueDate(std::u16string_view catalogue, std::int64_t unixSeconds);

// One UTF-8 line (without its end) per set in `backupFolder` that has a
// catalogue with a NAME: "id device date-low date-high name", in the order
// the system lists the folder. Names beginning with a full stop are left out.
// An empty or unreadable folder gives no lines.
std::vector<std::string> BackupListLines(std::u16string_view backupFolder);
