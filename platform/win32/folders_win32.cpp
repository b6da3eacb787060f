#include "platform/folders.h"
#include "platform/win32/windows_headers.h"

namespace platform {
namespace {

std::u16string KnownFolder(int id) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, id, nullptr, 0, path);
  return FromWide(path);
}

}  // namespace

std::u16string DocumentsFolder() { return KnownFolder(CSIDL_PERSONAL); }

std::u16string SettingsFilePath() {
  return KnownFolder(CSIDL_LOCAL_APPDATA) + u"\\Vellumine\\SyncServer.ini";
}

}  // namespace platform
