// The tray icon of the main window.
#include "shell/win32/main_dialog.h"
#include "shell/win32/resource.h"

namespace {

constexpr UINT kIconId = 1;
constexpr wchar_t kBalloonTitle[] = L"Vellumine SyncServer";
constexpr wchar_t kSharingText[] = L"Vellumine SyncServerはバックグラウンドで共有を実行しています";
constexpr wchar_t kWaitingText[] = L"Vellumine SyncServerはバックグラウンドで待機中です";

}  // namespace

int C_DLG::AddTrayIcon(bool running) {
  if (trayIconShown == 1) return 1;
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = hwnd;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  data.uCallbackMessage = WM_TRAYICON;
  data.hIcon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  lstrcpynW(data.szInfoTitle, kBalloonTitle, ARRAYSIZE(data.szInfoTitle));
  lstrcpynW(data.szInfo, running ? kSharingText : kWaitingText, ARRAYSIZE(data.szInfo));
  data.dwInfoFlags = NIIF_INFO;
  Shell_NotifyIconW(NIM_ADD, &data);
  trayIconShown = 1;
  return 1;
}

int C_DLG::RemoveTrayIcon() {
  if (trayIconShown == 0) return 1;
  trayIconShown = 0;
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = hwnd;
  data.uID = kIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
  return 1;
}

void C_DLG::GoToTray() {
  AddTrayIcon(serverState == kRunning);
  ShowWindow(hwnd, SW_HIDE);
  UpdateWindow(hwnd);
}

void C_DLG::OnTrayIcon(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONUP) {
    ShowWindow(hwnd, SW_SHOW);
    RemoveTrayIcon();
  } else if (mouseMessage == WM_RBUTTONUP) {
    ShowTrayMenu();
  }
}

void C_DLG::ShowTrayMenu() {
  POINT cursor{};
  GetCursorPos(&cursor);
  const HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAYMENU));
  // Without being the foreground window the menu would not close on a click
  // elsewhere.
  SetForegroundWindow(hwnd);
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
  PostMessageW(hwnd, WM_NULL, 0, 0);
  DestroyMenu(menu);
}
