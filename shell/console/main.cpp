// syncserver: the headless server. Reads the folders from the settings file
// (never writes it), logs every line to standard output and runs until it is
// interrupted or terminated.
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "core/vl_sync.h"
#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/process.h"
#include "platform/text.h"

namespace {

constexpr char kVersionLine[] = "Vellumine SyncServer 1.31";

class ConsoleServer : public VlSync {
 public:
  explicit ConsoleServer(Ports ports) : VlSync(ports) {}
  void Log(int level, int session, std::u16string_view text) override {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "[%d:%03d]", level, session);
    platform::WriteStdout(prefix + platform::WideToUtf8(text) + "\n");
  }
  void OnListenFailed() override { Finish(false); }
  void OnListenEnded() override { Finish(false); }
  void SignalArrived() { Finish(true); }

  // Waits until a stop signal came or the listener ended by itself; true in
  // the second case (the port was taken, or accepting broke down).
  bool WaitForStopOrFailure() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return listenerDone_ || signalled_; });
    return !signalled_;
  }
  void WaitForListenerEnd() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return listenerDone_; });
  }

 private:
  void Finish(bool signal) {
    const std::lock_guard<std::mutex> hold(lock_);
    (signal ? signalled_ : listenerDone_) = true;
    changed_.notify_all();
  }

  std::mutex lock_;
  std::condition_variable changed_;
  bool listenerDone_ = false;
  bool signalled_ = false;
};

void PrintUsage() {
  std::printf(
      "Usage: syncserver [--backup-dir PATH] [--sync-dir PATH] [--port N]\n"
      "                  [--discovery-port N]\n"
      "\n"
      "Serves the Vellumine reader on TCP port 49728 and answers its search on\n"
      "UDP port 53178: backups of its library go\n"
      "into the Backup folder, and the Sync folder is offered for download.\n"
      "Without options the folders come from BACKUP_DIR and SYNC_DIR of\n"
      "  %s\n"
      "and default to the documents folder followed by /Vellumine and\n"
      "/Vellumine/Sync. Stop with Ctrl+C.\n"
      "\n"
      "  --backup-dir PATH  use PATH as the Backup folder\n"
      "  --sync-dir PATH    use PATH as the Sync folder\n"
      "  --port N           listen on TCP port N instead (readers expect 49728)\n"
      "  --discovery-port N answer discovery on UDP port N (readers use 53178)\n"
      "  --help             show this text\n"
      "  --version          show the version\n",
      platform::WideToFileNameBytes(platform::SettingsFilePath()).c_str());
}

std::u16string Setting(const char16_t* key) {
  return platform::ReadProfileString(platform::SettingsFilePath(), u"VLSYNC", key).value_or(u"");
}

}  // namespace

int main(int argc, char** argv) {
  std::u16string backupDir, syncDir;
  Ports ports;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      PrintUsage();
      return 0;
    }
    if (option == "--version") {
      std::printf("%s\n", kVersionLine);
      return 0;
    }
    if ((option == "--backup-dir" || option == "--sync-dir") && i + 1 < argc) {
      (option == "--backup-dir" ? backupDir : syncDir) = platform::FileNameBytesToWide(argv[++i]);
      continue;
    }
    if ((option == "--port" || option == "--discovery-port") && i + 1 < argc) {
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (*argv[i] != '\0' && *end == '\0' && value > 0 && value <= 65535) {
        (option == "--port" ? ports.tcp : ports.discoveryIn) = static_cast<int>(value);
        continue;
      }
    }
    std::fprintf(stderr, "syncserver: unknown or incomplete option '%s' (see --help)\n", argv[i]);
    return 2;
  }

  platform::RaiseOpenFileLimit();
  // Before any thread starts, so that only the waiting thread takes them.
  platform::BlockStopSignals();
  platform::WriteStdout(std::string(kVersionLine) + "\n");

  if (backupDir.empty()) backupDir = Setting(u"BACKUP_DIR");
  if (syncDir.empty()) syncDir = Setting(u"SYNC_DIR");
  const std::u16string documents = platform::DocumentsFolder();
  if (backupDir.empty()) backupDir = documents + u"/Vellumine";
  if (syncDir.empty()) syncDir = documents + u"/Vellumine/Sync";

  static ConsoleServer server(ports);
  server.Initialize();
  server.SetFolders(backupDir, syncDir);
  std::thread([] {
    platform::WaitForStopSignal();
    server.SignalArrived();
  }).detach();
  server.Start();

  if (server.WaitForStopOrFailure()) {
    std::fflush(stdout);
    std::_Exit(1);
  }
  server.Stop();
  server.WaitForListenerEnd();
  // Sessions still connected are not waited for; leaving without running
  // static destructors keeps them from touching a destroyed server.
  std::fflush(stdout);
  std::_Exit(0);
}
