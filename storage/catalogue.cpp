#include "storage/catalogue.h"

#include "platform/folder.h"
#include "platform/ini.h"
#include "platform/text.h"
#include "storage/path_utils.h"

namespace {

constexpr char16_t kSection[] = u"BACKUP";
constexpr char16_t kNameKey[] = u"NAME";
constexpr char16_t kDeviceKey[] = u"DEVICE";
constexpr char16_t kDateLowKey[] = u"DATE_LOW";
constexpr char16_t kDateHighKey[] = u"DATE_HEIGH";  // spelled so in every catalogue
// What the listing takes of each value, in units.
constexpr std::size_t kNameUnits = 199;
constexpr std::size_t kDateUnits = 99;

std::u16string ReadKey(const std::u16string& catalogue, const char16_t* key,
                       std::u16string_view fallback, std::size_t units) {
  std::u16string value =
      platform::ReadProfileString(catalogue, kSection, key).value_or(std::u16string(fallback));
  if (value.size() > units) value.resize(units);
  return value;
}

std::u16string Decimal(std::uint32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string CataloguePath(std::u16string_view setFolder) {
  return JoinPath(setFolder, kCatalogueFileName);
}

bool WriteCatalogueNames(std::u16string_view catalogue, std::u16string_view displayName,
                         std::u16string_view deviceId) {
  return platform::WriteProfileString(catalogue, kSection, kNameKey, displayName) &&
         platform::WriteProfileString(catalogue, kSection, kDeviceKey, deviceId);
}

bool WriteCatalogueDate(std::u16string_view catalogue, std::int64_t unixSeconds) {
  const auto bits = static_cast<std::uint64_t>(unixSeconds);
  const bool low = platform::WriteProfileString(catalogue, kSection, kDateLowKey,
                                                Decimal(static_cast<std::uint32_t>(bits)));
  const bool high = platform::WriteProfileString(catalogue, kSection, kDateHighKey,
                                                 Decimal(static_cast<std::uint32_t>(bits >> 32)));
  return low && high;
}

std::vector<std::string> BackupListLines(std::u16string_view backupFolder) {
  std::vector<std::string> lines;
  std::vector<platform::FolderEntry> entries;
  // An empty setting would list the root of the file system.
  if (backupFolder.empty() || !platform::ListFolder(backupFolder, &entries)) return lines;
  for (const platform::FolderEntry& entry : entries) {
    if (entry.name.empty() || entry.name.front() == u'.') continue;
    // A plain file has no catalogue inside it and drops out here.
    const std::u16string catalogue = CataloguePath(JoinPath(backupFolder, entry.name));
    const std::u16string name = ReadKey(catalogue, kNameKey, u"", kNameUnits);
    if (name.empty()) continue;
    std::u16string device = ReadKey(catalogue, kDeviceKey, u"", kNameUnits);
    if (device.empty()) device = u"Unknown";
    const std::u16string low = ReadKey(catalogue, kDateLowKey, u"0", kDateUnits);
    const std::u16string high = ReadKey(catalogue, kDateHighKey, u"0", kDateUnits);
    lines.push_back(
        platform::WideToUtf8(entry.name + u' ' + device + u' ' + low + u' ' + high + u' ' + name));
  }
  return lines;
}
