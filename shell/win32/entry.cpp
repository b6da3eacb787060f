// SyncServer.exe: moves the settings file from its older place, creates the
// main window (shown unless it starts in the tray) and runs the message loop
// until Quit.
#include <cstdlib>
#include <cwchar>
#include <string>

#include "shell/win32/main_dialog.h"
#include "shell/win32/resource.h"
#include "shell/win32/settings.h"

namespace {

constexpr wchar_t kSettingsTail[] = L"\\Vellumine\\SyncServer.ini";

// "--port N" and "--discovery-port N" run the server beside another one (the
// tests do); readers look for the default ports.
Ports PortsFromCommandLine() {
  Ports ports;
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; args != nullptr && i + 1 < count; ++i) {
    const std::wstring option = args[i];
    const int value = std::wcstol(args[i + 1], nullptr, 10);
    if (value <= 0 || value > 65535) continue;
    if (option == L"--port") ports.tcp = value;
    if (option == L"--discovery-port") ports.discoveryIn = value;
  }
  LocalFree(args);
  return ports;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  static C_DLG dialog(PortsFromCommandLine());
  MoveSettingsFile(KnownFolder(CSIDL_APPDATA) + kSettingsTail,
                   KnownFolder(CSIDL_LOCAL_APPDATA) + kSettingsTail);
  const HWND window =
      CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), GetDesktopWindow(),
                         CMLDialog::StaticDialogProc, reinterpret_cast<LPARAM>(&dialog));
  if (window == nullptr) {
    wchar_t text[160];
    std::swprintf(text, 160, L"The window could not be created (error %lu).", GetLastError());
    MessageBoxW(nullptr, text, L"Vellumine SyncServer", MB_OK | MB_ICONERROR);
    return 1;
  }
  dialog.hwnd = window;
  if (dialog.startInTray == 0) {
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // Server threads are not waited for; leaving without static destructors
  // keeps the window object's core from waiting for them.
  std::_Exit(0);
}
