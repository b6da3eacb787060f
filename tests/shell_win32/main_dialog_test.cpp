// The real dialog, driven with window messages and read back from its
// controls: states of the START/STOP button, the log, the settings file and
// the tray. Runs under wine with a display (xvfb-run).
#include "shell/win32/main_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "core/net_socket.h"
#include "shell/win32/resource.h"
#include "shell/win32/settings.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

std::wstring Wide(const std::u16string& text) { return ToWide(text); }

class DialogTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (dialog && IsWindow(dialog->hwnd)) Command(IDCANCEL);
    Pump();
    dialog.reset();
  }

  // Creates the window as the program does, with its settings below the
  // test's folder and the server on free ports.
  void Create(Ports ports = Ports{0, 0, 0}) {
    // The system's application-data folder exists; the program makes only
    // its own folder inside it.
    std::filesystem::create_directories(folder.path() / "Local");
    dialog = std::make_unique<C_DLG>(ports);
    dialog->localAppDataFolder = Wide(folder.Wide("Local"));
    dialog->documentsFolder = Wide(folder.Wide("Documents"));
    const HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN),
                                           GetDesktopWindow(), CMLDialog::StaticDialogProc,
                                           reinterpret_cast<LPARAM>(dialog.get()));
    ASSERT_NE(window, nullptr);
    if (dialog->startInTray == 0) ShowWindow(window, SW_SHOW);
    Pump();
  }
  void WriteSettings(const std::string& content) {
    folder.WriteFile("Local/Vellumine/SyncServer.ini", content);
  }
  std::wstring Setting(const wchar_t* key) {
    wchar_t value[600] = {};
    GetPrivateProfileStringW(L"VLSYNC", key, L"<missing>", value, 600,
                             dialog->SettingsFilePath().c_str());
    return value;
  }

  void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10000ms) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
      Pump();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(5ms);
    }
  }
  void Command(int id) { SendMessageW(dialog->hwnd, WM_COMMAND, id, 0); }
  std::wstring Text(int id) {
    wchar_t text[8192] = {};
    GetDlgItemTextW(dialog->hwnd, id, text, 8192);
    return text;
  }
  void SetText(int id, const std::wstring& text) {
    SetDlgItemTextW(dialog->hwnd, id, text.c_str());
  }
  bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog->hwnd, id)) != FALSE; }
  bool LogHas(const std::wstring& line) {
    return Text(IDC_LOG).find(line + L"\r\n") != std::wstring::npos;
  }
  int LogLines() {
    return static_cast<int>(SendDlgItemMessageW(dialog->hwnd, IDC_LOG, EM_GETLINECOUNT, 0, 0));
  }
  std::wstring LogLine(int index) {
    wchar_t line[2048] = {};
    line[0] = 2047;
    const auto length = SendDlgItemMessageW(dialog->hwnd, IDC_LOG, EM_GETLINE, index,
                                            reinterpret_cast<LPARAM>(line));
    return std::wstring(line, static_cast<std::size_t>(length));
  }

  TempFolder folder;
  std::unique_ptr<C_DLG> dialog;
};

TEST_F(DialogTest, StartsStoppedWithDefaultFoldersAndTheVersionLine) {
  Create();
  EXPECT_EQ(Text(IDC_STARTSTOP), L"START\r\n\r\nBackupServer");
  EXPECT_TRUE(Enabled(IDC_STARTSTOP));
  EXPECT_TRUE(Enabled(IDC_BACKUP_DIR));
  EXPECT_TRUE(Enabled(IDC_SYNC_DIR));
  EXPECT_EQ(Text(IDC_LOG), L"Vellumine SyncServer 1.31\r\n");
  EXPECT_EQ(Text(IDC_BACKUP_DIR), Wide(folder.Wide("Documents")) + L"\\Vellumine");
  EXPECT_EQ(Text(IDC_SYNC_DIR), Wide(folder.Wide("Documents")) + L"\\Vellumine\\Sync");
  wchar_t caption[100] = {};
  GetWindowTextW(dialog->hwnd, caption, 100);
  EXPECT_EQ(std::wstring(caption), L"Vellumine SyncServer");
  EXPECT_TRUE(IsWindowVisible(dialog->hwnd));
  EXPECT_EQ(Text(IDOK), L"Tray");
  Pump();
  std::this_thread::sleep_for(50ms);
  Pump();
  EXPECT_EQ(dialog->serverState, kStopped) << "no settings: no auto-start";
  EXPECT_FALSE(folder.Exists("Local/Vellumine")) << "loading creates nothing";
}

TEST_F(DialogTest, StartStopAndTheButtonStates) {
  Create();
  SetText(IDC_BACKUP_DIR, Wide(folder.Wide("Backup")));
  SetText(IDC_SYNC_DIR, Wide(folder.Wide("Sync")));
  Command(IDC_STARTSTOP);
  EXPECT_EQ(dialog->serverState, kRunning);
  EXPECT_EQ(Text(IDC_STARTSTOP), L"STOP\r\n\r\nBackupServer");
  EXPECT_TRUE(Enabled(IDC_STARTSTOP));
  EXPECT_FALSE(Enabled(IDC_BACKUP_DIR));
  EXPECT_FALSE(Enabled(IDC_SYNC_DIR));
  EXPECT_TRUE(Enabled(IDC_BROWSE_BACKUP));
  EXPECT_TRUE(LogHas(L"[1:-01]BackupFolder=" + Wide(folder.Wide("Backup"))));
  ASSERT_TRUE(PumpUntil([&] { return LogHas(L"[0:-01]Start Listen."); }));
  ASSERT_TRUE(PumpUntil([&] { return dialog->core.ListeningPort() != 0; }));

  Command(IDC_STARTSTOP);
  EXPECT_EQ(dialog->serverState, kStopping);
  EXPECT_FALSE(Enabled(IDC_STARTSTOP));
  EXPECT_EQ(Text(IDC_STARTSTOP), L"STOP\r\n\r\nBackupServer");
  EXPECT_FALSE(Enabled(IDC_BACKUP_DIR));
  ASSERT_TRUE(PumpUntil([&] { return dialog->serverState == kStopped; }));
  EXPECT_TRUE(LogHas(L"[0:-01]End Listen."));
  EXPECT_EQ(Text(IDC_STARTSTOP), L"START\r\n\r\nBackupServer");
  EXPECT_TRUE(Enabled(IDC_STARTSTOP));
  EXPECT_TRUE(Enabled(IDC_BACKUP_DIR));
}

TEST_F(DialogTest, ATakenPortReturnsTheWindowToStart) {
  CNetSocket squatter;
  ASSERT_TRUE(squatter.Listen(0));
  Create(Ports{squatter.address.port, 0, 0});
  Command(IDC_STARTSTOP);
  ASSERT_TRUE(PumpUntil([&] { return dialog->serverState == kStopped; }));
  EXPECT_TRUE(LogHas(L"[1:-01]Listen Error."));
  EXPECT_EQ(Text(IDC_STARTSTOP), L"START\r\n\r\nBackupServer");
  EXPECT_TRUE(Enabled(IDC_STARTSTOP));
}

TEST_F(DialogTest, LogKeepsAHundredLinesAndFormatsPrefixes) {
  Create();
  for (int i = 1; i <= 150; ++i) dialog->AppendText(L"line " + std::to_wstring(i) + L"\r\n");
  EXPECT_EQ(LogLines(), 101);  // 100 lines and the empty one after the last break
  EXPECT_EQ(LogLine(0), L"line 51");
  EXPECT_EQ(LogLine(99), L"line 150");
  // Two lines in one text are trimmed as two at the next append.
  dialog->AppendText(L"first half\r\nsecond half\r\n");
  dialog->AppendText(L"next\r\n");
  EXPECT_EQ(LogLine(0), L"line 54");
  EXPECT_EQ(LogLines(), 101);

  // From the core's threads, through the window's thread.
  std::thread worker([&] {
    dialog->core.Log(0, 12, u"Start new session.");
    dialog->core.Log(1, -1, u"Close session.");
  });
  ASSERT_TRUE(PumpUntil([&] { return LogHas(L"[1:-01]Close session."); }));
  worker.join();
  EXPECT_EQ(LogLine(98), L"[0:012]Start new session.");
  EXPECT_EQ(LogLine(99), L"[1:-01]Close session.");
  EXPECT_EQ(LogLine(100), L"");
}

TEST_F(DialogTest, SettingsLoadAndTheQuitRecordsTheState) {
  WriteSettings("[VLSYNC]\r\nBACKUP_DIR=C:\\B\r\nSYNC_DIR=\r\nSTARTUP=Yes\r\n");
  Create();
  EXPECT_EQ(dialog->autoStart, 1);
  EXPECT_EQ(Text(IDC_BACKUP_DIR), L"C:\\B");
  EXPECT_EQ(Text(IDC_SYNC_DIR), Wide(folder.Wide("Documents")) + L"\\Vellumine\\Sync");
  // The 10 ms timer starts the server with the loaded folders.
  ASSERT_TRUE(PumpUntil([&] { return dialog->serverState == kRunning; }));
  EXPECT_TRUE(LogHas(L"[1:-01]BackupFolder=C:\\B"));
  SetText(IDC_SYNC_DIR, L"D:\\edited");
  Command(IDCANCEL);
  EXPECT_FALSE(IsWindow(dialog->hwnd));
  EXPECT_EQ(Setting(L"STARTUP"), L"YES");
  EXPECT_EQ(Setting(L"TRAY"), L"NO");
  EXPECT_EQ(Setting(L"SYNC_DIR"), L"D:\\edited");
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(DialogTest, LowerCaseYesIsOff) {
  WriteSettings("[VLSYNC]\r\nSTARTUP=yes\r\nTRAY=y\r\n");
  Create();
  EXPECT_EQ(dialog->autoStart, 0);
  EXPECT_EQ(dialog->startInTray, 0);
  std::this_thread::sleep_for(50ms);
  Pump();
  EXPECT_EQ(dialog->serverState, kStopped);
}

TEST_F(DialogTest, TrayHidesTheWindowWithOneIconAndQuitFromThereRecordsIt) {
  Create();
  Command(IDOK);
  EXPECT_FALSE(IsWindowVisible(dialog->hwnd));
  EXPECT_EQ(dialog->trayIconShown, 1);
  Command(IDOK);
  EXPECT_EQ(dialog->trayIconShown, 1);
  // A left click brings the window back and takes the icon away.
  SendMessageW(dialog->hwnd, WM_TRAYICON, 1, WM_LBUTTONUP);
  EXPECT_TRUE(IsWindowVisible(dialog->hwnd));
  EXPECT_EQ(dialog->trayIconShown, 0);
  SendMessageW(dialog->hwnd, WM_TRAYICON, 1, WM_MOUSEMOVE);
  EXPECT_EQ(dialog->trayIconShown, 0);
  Command(IDOK);
  Command(IDM_QUIT);
  EXPECT_EQ(Setting(L"TRAY"), L"YES");
  EXPECT_EQ(Setting(L"STARTUP"), L"NO");
  EXPECT_EQ(dialog->trayIconShown, 0);
}

TEST_F(DialogTest, StartInTrayNeverShowsTheWindow) {
  WriteSettings("[VLSYNC]\r\nTRAY=YES\r\n");
  Create();
  EXPECT_EQ(dialog->startInTray, 1);
  Pump();
  EXPECT_FALSE(IsWindowVisible(dialog->hwnd));
  EXPECT_EQ(dialog->trayIconShown, 1);
}

TEST(SettingsMoveTest, NeverReplacesAndNeverMakesTheFolder) {
  TempFolder folder;
  const auto path = [&](const std::string& relative) { return Wide(folder.Wide(relative)); };
  folder.WriteFile("Roaming/Vellumine/SyncServer.ini", "old");
  // No folder at the new place: nothing moves.
  EXPECT_FALSE(MoveSettingsFile(path("Roaming/Vellumine/SyncServer.ini"),
                                path("Local/Vellumine/SyncServer.ini")));
  EXPECT_TRUE(folder.Exists("Roaming/Vellumine/SyncServer.ini"));
  EXPECT_FALSE(folder.Exists("Local/Vellumine"));
  // A file at the new place stays; the old one too.
  folder.WriteFile("Local/Vellumine/SyncServer.ini", "new");
  EXPECT_FALSE(MoveSettingsFile(path("Roaming/Vellumine/SyncServer.ini"),
                                path("Local/Vellumine/SyncServer.ini")));
  EXPECT_EQ(folder.ReadFile("Local/Vellumine/SyncServer.ini"), "new");
  // An empty new folder: the file moves.
  std::filesystem::remove(folder.path() / "Local/Vellumine/SyncServer.ini");
  EXPECT_TRUE(MoveSettingsFile(path("Roaming/Vellumine/SyncServer.ini"),
                               path("Local/Vellumine/SyncServer.ini")));
  EXPECT_EQ(folder.ReadFile("Local/Vellumine/SyncServer.ini"), "old");
  EXPECT_FALSE(folder.Exists("Roaming/Vellumine/SyncServer.ini"));
}

}  // namespace
