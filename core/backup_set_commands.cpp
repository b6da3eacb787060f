// The commands that choose, list and finish backup sets: QUIT, LIST, SELECT,
// MODE and COMMIT.
#include <chrono>
#include <cstring>
#include <string_view>

#include "core/session.h"
#include "core/vl_sync.h"
#include "platform/file.h"
#include "storage/catalogue.h"
#include "storage/code_page_form.h"
#include "storage/limits.h"
#include "storage/path_utils.h"

namespace {

// Widths of the SELECT fields, in units with the terminator.
constexpr int kBackupIdUnits = 200;
constexpr int kDeviceIdUnits = 200;
constexpr int kDisplayNameUnits = 500;

constexpr char16_t kBooksFolderName[] = u"Books";
constexpr char16_t kUserDataFolderName[] = u"UserData";

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000LL;

// A backup ID names a folder directly under the Backup folder; anything that
// would make it name another place is refused.
bool IsBadBackupId(std::u16string_view id) {
  if (id == u"." || id == u"..") return true;
  if (id.find_first_of(u"\\/:") != std::u16string_view::npos) return true;
  return !id.empty() && platform::IsReservedFileName(id);
}

// The set's folder, ending in a separator. An empty ID makes the Backup
// folder itself the set.
std::u16string SetFolderPath(std::u16string_view backupFolder, std::u16string_view backupId) {
  std::u16string folder = JoinPath(backupFolder, backupId);
  if (!IsSeparator(folder.back())) folder += platform::kSeparator;
  return folder;
}

// The current time as Windows counts it, so that the stamp goes through the
// same conversion as every other file time.
std::uint64_t CurrentFileTime() {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const auto ticks =
      std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(
          sinceEpoch);
  return static_cast<std::uint64_t>(ticks.count() + kUnixEpochAsFileTime);
}

}  // namespace

int CSession::Quit(const char*) {
  Reply("BYE");
  return 0;
}

int CSession::List(const char*) {
  ListBackups();
  return 1;
}

void CSession::ListBackups() {
  // A line longer than the listing's usual width is still sent whole.
  for (const std::string& line : BackupListLines(server.BackupFolder()))
    conn->SendLine(line.c_str());
  Reply(".");
}

int CSession::Select(const char* arguments) {
  LogLine(0, u"Backup selected.");
  const std::string_view text(arguments);
  if (text.size() > kMaxSelectArgumentBytes) {
    LogLine(1, u"Bad command.");
    Reply("ERROR/Command is too long.");
    return 1;
  }
  const std::size_t firstSpace = text.find(' ');
  if (firstSpace == std::string_view::npos) {
    LogLine(1, u"device ID Error.");
    Reply("ERROR/Bad command.");
    return 0;
  }
  const std::string_view rest = text.substr(firstSpace + 1);
  const std::size_t secondSpace = rest.find(' ');
  if (secondSpace == std::string_view::npos) {
    LogLine(0, u"Display name Error.");
    Reply("ERROR/Bad command.");
    return 0;
  }
  // 200 bytes never need more units than the fields hold.
  Utf8ToCodePageForm(text.substr(0, firstSpace), &backupId, kBackupIdUnits);
  Utf8ToCodePageForm(rest.substr(0, secondSpace), &deviceId, kDeviceIdUnits);
  Utf8ToCodePageForm(rest.substr(secondSpace + 1), &displayName, kDisplayNameUnits);
  // Judged after the conversion: a code page may turn a harmless character
  // into a separator (the yen sign becomes a backslash in code page 932).
  if (IsBadBackupId(backupId)) {
    LogLine(1, u"Bad backup ID.");
    Reply("ERROR/Bad command.");
    return 0;
  }

  const std::u16string backupFolder = server.BackupFolder();
  const std::u16string setFolder = SetFolderPath(backupFolder, backupId);
  booksFolder = setFolder + kBooksFolderName;
  userDataFolder = setFolder + kUserDataFolderName;
  // An empty Backup folder setting would put the set at the root; a path
  // past the limit would have to be cut and would name another folder.
  if (backupFolder.empty() || userDataFolder.size() > static_cast<std::size_t>(kMaxPathUnits) ||
      !CreateFolderPath(setFolder)) {
    Reply("ERROR/Can not create directory.");
    return 0;
  }
  if (!WriteCatalogueNames(CataloguePath(setFolder), displayName, deviceId)) {
    Reply("ERROR/Can not create backup.");
    return 0;
  }
  selected_ = true;
  Reply("WELCOME");
  LogLine(0, u"Device ID = " + deviceId);
  return 1;
}

// The character right after the keyword and its separator picks the source of
// downloads; every MODE opens a new upload cycle.
int CSession::Mode(const char* arguments) {
  syncMode = arguments[0] == 'S' ? 1 : 0;
  received.Clear();
  Reply("OK");
  LogLine(0, u"Mode selected.");
  return 1;
}

int CSession::Commit(const char*) {
  LogLine(0, u"Committing...");
  // Without a set the folders are empty paths, which would prune a root.
  if (!selected_) {
    LogLine(1, u"Backup not selected.");
    Reply("ERROR/Bad command.");
    return 1;
  }
  received.Prune(booksFolder);
  received.Prune(userDataFolder);
  // The catalogue is found anew, in the Backup folder as it is set now; a
  // failed stamp does not undo the commit, so it is not reported.
  const std::u16string backupFolder = server.BackupFolder();
  if (!backupFolder.empty())
    WriteCatalogueDate(CataloguePath(SetFolderPath(backupFolder, backupId)),
                       FileTimeToUnixSeconds(CurrentFileTime()));
  Reply("OK");
  return 1;
}
