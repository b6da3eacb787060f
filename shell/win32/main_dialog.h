// C_DLG: the main window. It owns the server core, shows its state on the
// START/STOP button and its log lines, keeps the settings and the tray icon.
//
// Threads: DialogProc and everything it calls run on the window's thread.
// The core's threads reach the window only through RunOnWindowThread, which
// runs the work there and waits; once the quit sequence has begun they are
// turned away, so no thread touches the window while or after it goes.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "shell/win32/ml_dialog.h"
#include "shell/win32/vl_sync_gui.h"

enum ServerState : int { kStopped = 0, kRunning = 1, kStopping = 2 };

inline constexpr UINT_PTR IDT_AUTOSTART = 1000;
inline constexpr UINT WM_TRAYICON = WM_APP + 10;
// Work handed over from the core's threads.
inline constexpr UINT WM_RUNWORK = WM_APP + 11;
// Folder fields hold 519 characters and a terminator.
inline constexpr int kFolderUnits = 520;

inline constexpr wchar_t kStartText[] = L"START\r\n\r\nBackupServer";
inline constexpr wchar_t kStopText[] = L"STOP\r\n\r\nBackupServer";
inline constexpr wchar_t kVersionLine[] = L"Vellumine SyncServer 1.31\r\n";

class C_DLG : public CMLDialog {
 public:
  explicit C_DLG(Ports ports = Ports{});
  // The core's threads end first: their notifications use this object.
  ~C_DLG() override;

  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int SetServerState(int state);
  int StartServer(const std::wstring& backupFolder, const std::wstring& syncFolder);

  // Settings (settings.cpp).
  void LoadSettings();
  void SaveSettings();
  std::wstring SettingsFilePath() const;

  // Tray icon (tray.cpp).
  int AddTrayIcon(bool running);
  int RemoveTrayIcon();

  // From any thread: runs `work` on the window's thread and returns when it
  // has run, or at once (without running it) when the window is going.
  void RunOnWindowThread(const std::function<void()>& work);
  // The listener has ended or failed: back to Stopped.
  void ListenerStopped();

  VlSyncGui core;
  int serverState = kStopped;
  int trayIconShown = 0;
  int autoStart = 0;
  int startInTray = 0;
  std::wstring backupDir;
  std::wstring syncDir;
  // The known folders; found at initialisation unless set before (tests).
  std::wstring localAppDataFolder;
  std::wstring documentsFolder;

 private:
  void Initialise();
  void GoToTray();
  void OnTrayIcon(LPARAM mouseMessage);
  void ShowTrayMenu();
  void Browse(int field, const wchar_t* title);
  void Quit();
  void RunPendingWork();
  std::wstring FieldText(int field) const;

  struct Work {
    const std::function<void()>* run;
    bool done = false;
  };
  std::mutex workLock_;
  std::condition_variable workDone_;
  std::deque<Work*> pending_;
  bool windowGone_ = false;
  DWORD windowThread_ = 0;
};
