#include "shell/win32/settings.h"

#include "shell/win32/main_dialog.h"
#include "shell/win32/resource.h"

namespace {

constexpr wchar_t kSection[] = L"VLSYNC";
constexpr int kFlagUnits = 100;
// The starting folder for BrowseCallback; the browser is modal, so one at a time.
thread_local std::wstring browseStart;

std::wstring ReadSetting(const std::wstring& file, const wchar_t* key, const wchar_t* fallback,
                         int units) {
  std::wstring value(static_cast<std::size_t>(units), L'\0');
  const DWORD length = GetPrivateProfileStringW(kSection, key, fallback, value.data(),
                                                static_cast<DWORD>(units), file.c_str());
  value.resize(length);
  return value;
}

// Only an upper-case Y turns a flag on: "Yes" and "Y" do, "yes" does not.
bool IsOn(const std::wstring& value) { return !value.empty() && value[0] == L'Y'; }

}  // namespace

bool MoveSettingsFile(const std::wstring& oldPath, const std::wstring& newPath) {
  return MoveFileW(oldPath.c_str(), newPath.c_str()) != FALSE;
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path))) return {};
  return path;
}

std::wstring C_DLG::SettingsFilePath() const {
  return localAppDataFolder + L"\\Vellumine\\SyncServer.ini";
}

void C_DLG::LoadSettings() {
  if (localAppDataFolder.empty()) localAppDataFolder = KnownFolder(CSIDL_LOCAL_APPDATA);
  if (documentsFolder.empty()) documentsFolder = KnownFolder(CSIDL_PERSONAL);
  autoStart = 0;
  const std::wstring file = SettingsFilePath();
  backupDir = ReadSetting(file, L"BACKUP_DIR", L"", kFolderUnits);
  syncDir = ReadSetting(file, L"SYNC_DIR", L"", kFolderUnits);
  if (IsOn(ReadSetting(file, L"STARTUP", L"NO", kFlagUnits))) autoStart = 1;
  if (IsOn(ReadSetting(file, L"TRAY", L"NO", kFlagUnits))) startInTray = 1;
  if (backupDir.empty()) backupDir = documentsFolder + L"\\Vellumine";
  if (syncDir.empty()) syncDir = documentsFolder + L"\\Vellumine\\Sync";
  if (autoStart == 1) SetTimer(hwnd, IDT_AUTOSTART, 10, nullptr);
  if (startInTray == 1) PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
}

void C_DLG::SaveSettings() {
  const std::wstring backup = FieldText(IDC_BACKUP_DIR);
  const std::wstring sync = FieldText(IDC_SYNC_DIR);
  // The one folder of the file; anything above it is the system's.
  CreateDirectoryW((localAppDataFolder + L"\\Vellumine").c_str(), nullptr);
  const std::wstring file = SettingsFilePath();
  WritePrivateProfileStringW(kSection, L"BACKUP_DIR", backup.c_str(), file.c_str());
  WritePrivateProfileStringW(kSection, L"SYNC_DIR", sync.c_str(), file.c_str());
  WritePrivateProfileStringW(kSection, L"STARTUP", serverState == kRunning ? L"YES" : L"NO",
                             file.c_str());
  WritePrivateProfileStringW(kSection, L"TRAY", trayIconShown == 1 ? L"YES" : L"NO", file.c_str());
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED)
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(browseStart.c_str()));
  return 0;
}

bool BrowseForFolder(std::wstring* folder, const wchar_t* title, HWND owner) {
  browseStart = *folder;
  wchar_t path[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = path;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (chosen == nullptr) return false;
  const bool found = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!found) return false;
  std::wstring result = path;
  if (!result.empty() && result.back() == L'\\') result.pop_back();
  *folder = result;
  return true;
}
