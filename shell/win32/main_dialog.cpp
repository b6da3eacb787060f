#include "shell/win32/main_dialog.h"

#include <vector>

#include "platform/socket.h"
#include "shell/win32/resource.h"
#include "shell/win32/settings.h"

C_DLG::C_DLG(Ports ports) : core(ports) {}

C_DLG::~C_DLG() {
  {
    const std::lock_guard<std::mutex> hold(workLock_);
    windowGone_ = true;
  }
  workDone_.notify_all();
  core.EndThreads();
}

INT_PTR C_DLG::DialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Initialise();
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          GoToTray();
          break;
        case IDCANCEL:
        case IDM_QUIT:
          Quit();
          break;
        case IDC_STARTSTOP:
          if (serverState == kStopped) {
            StartServer(FieldText(IDC_BACKUP_DIR), FieldText(IDC_SYNC_DIR));
          } else {
            core.Stop();
            SetServerState(kStopping);
          }
          break;
        case IDC_BROWSE_BACKUP:
          Browse(IDC_BACKUP_DIR, L"Backup folder");
          break;
        case IDC_BROWSE_SYNC:
          Browse(IDC_SYNC_DIR, L"Sync folder");
          break;
        default:
          break;
      }
      break;
    case WM_TIMER:
      KillTimer(hwnd, IDT_AUTOSTART);
      if (autoStart == 1) StartServer(backupDir, syncDir);
      break;
    case WM_QUERYENDSESSION:
      SaveSettings();
      break;
    case WM_TRAYICON:
      OnTrayIcon(lParam);
      break;
    case WM_RUNWORK:
      RunPendingWork();
      break;
    default:
      break;
  }
  return 0;
}

void C_DLG::Initialise() {
  windowThread_ = GetCurrentThreadId();
  LoadSettings();
  SetWindowTextW(hwnd, L"Vellumine SyncServer");
  core.owner = this;
  core.Initialize();
  SetServerState(kStopped);
  const HINSTANCE module = GetModuleHandleW(nullptr);
  const auto small = static_cast<HICON>(
      LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  const auto large = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXICON),
                                                   GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  SetDlgItemTextW(hwnd, IDC_BACKUP_DIR, backupDir.c_str());
  SetDlgItemTextW(hwnd, IDC_SYNC_DIR, syncDir.c_str());
  // The control's default limit (about 30,000 characters) could hold fewer
  // than 100 long lines.
  SendDlgItemMessageW(hwnd, IDC_LOG, EM_SETLIMITTEXT, 0, 0);
  AppendText(kVersionLine);
}

int C_DLG::SetServerState(int state) {
  serverState = state;
  const HWND button = GetDlgItem(hwnd, IDC_STARTSTOP);
  if (state == kStopped || state == kRunning) {
    SetWindowTextW(button, state == kStopped ? kStartText : kStopText);
    EnableWindow(button, TRUE);
    EnableWindow(GetDlgItem(hwnd, IDC_BACKUP_DIR), state == kStopped);
    EnableWindow(GetDlgItem(hwnd, IDC_SYNC_DIR), state == kStopped);
  } else {
    EnableWindow(button, FALSE);
  }
  return 1;
}

int C_DLG::StartServer(const std::wstring& backupFolder, const std::wstring& syncFolder) {
  core.SetFolders(ToU16(backupFolder), ToU16(syncFolder));
  core.Start();
  SetServerState(kRunning);
  return 1;
}

std::wstring C_DLG::FieldText(int field) const {
  wchar_t text[kFolderUnits] = {};
  GetDlgItemTextW(hwnd, field, text, kFolderUnits);
  return text;
}

void C_DLG::Browse(int field, const wchar_t* title) {
  std::wstring folder = FieldText(field);
  if (BrowseForFolder(&folder, title, hwnd)) SetDlgItemTextW(hwnd, field, folder.c_str());
}

void C_DLG::ListenerStopped() {
  RunOnWindowThread([this] { SetServerState(kStopped); });
}

void C_DLG::Quit() {
  SaveSettings();
  core.Stop();
  if (core.listenSocket.started == 1) {
    platform::StopSocketLibrary();
    core.listenSocket.started = 0;
  }
  RemoveTrayIcon();
  {
    // From here the core's threads no longer reach the window.
    const std::lock_guard<std::mutex> hold(workLock_);
    windowGone_ = true;
    for (Work* work : pending_) work->done = true;
    pending_.clear();
  }
  workDone_.notify_all();
  DestroyWindow(hwnd);
  PostQuitMessage(0);
}

void C_DLG::RunOnWindowThread(const std::function<void()>& work) {
  if (GetCurrentThreadId() == windowThread_) {
    if (!windowGone_) work();
    return;
  }
  Work item{&work};
  std::unique_lock<std::mutex> hold(workLock_);
  if (windowGone_ || hwnd == nullptr) return;
  pending_.push_back(&item);
  // Posted while the window surely exists: the quit sequence marks it gone
  // under this lock before destroying it.
  PostMessageW(hwnd, WM_RUNWORK, 0, 0);
  workDone_.wait(hold, [&] { return item.done; });
}

void C_DLG::RunPendingWork() {
  for (;;) {
    Work* work = nullptr;
    {
      const std::lock_guard<std::mutex> hold(workLock_);
      if (pending_.empty() || windowGone_) return;
      work = pending_.front();
      pending_.pop_front();
    }
    (*work->run)();
    {
      const std::lock_guard<std::mutex> hold(workLock_);
      work->done = true;
    }
    workDone_.notify_all();
  }
}
