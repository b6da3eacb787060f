// Prints transfer figures of a server on loopback, measured with the reader
// client: a 1 GiB upload and download next to a plain TCP copy of the same
// file, a backup of 20,000 files of 4 KB, and GETLIST over 100,000 files.
// Usage: vl_bench_transfer [--quick] [folder]
// (--quick: 128 MiB, 2,000 and 10,000 files; default folder under /tmp)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/vl_sync.h"
#include "platform/file.h"
#include "platform/socket.h"
#include "platform/text.h"
#include "tools/reader_client.h"

namespace {

namespace fs = std::filesystem;

class QuietServer : public VlSync {
 public:
  QuietServer() : VlSync(Ports{0, 0, 0}) {}
  void Log(int, int, std::u16string_view) override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::u16string Wide(const fs::path& path) {
  const std::u8string text = path.u8string();
  return platform::Utf8ToWide(std::string(text.begin(), text.end()));
}

void WriteFile(const fs::path& path, std::uintmax_t size) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  std::string piece(1 << 20, 'x');
  for (std::uintmax_t done = 0; done < size; done += piece.size())
    out.write(piece.data(),
              static_cast<std::streamsize>(std::min<std::uintmax_t>(piece.size(), size - done)));
}

// The same file through a bare socket into a file: the yardstick.
double PlainCopySeconds(const fs::path& from, const fs::path& to) {
  CNetSocket listener;
  if (!listener.Listen(0)) return 0;
  const int port = listener.address.port;
  auto start = std::chrono::steady_clock::now();
  std::thread receiver([&] {
    CNetSocket connection;
    platform::AcceptStatus status;
    if (!listener.Accept(connection, &status)) return;
    const platform::FileHandle file = platform::CreateFileForWriting(Wide(to));
    std::string piece(256 * 1024, '\0');
    for (int count = 0;
         connection.Receive(piece.data(), static_cast<int>(piece.size()), &count) && count > 0;)
      platform::WriteToFile(file, piece.data(), static_cast<std::size_t>(count));
    platform::CloseFile(file);
  });
  CNetSocket sender;
  sender.Connect("127.0.0.1", port);
  std::uint64_t size = 0;
  const platform::FileHandle file = platform::OpenFileForReading(Wide(from), &size);
  std::string piece(256 * 1024, '\0');
  for (long long got; (got = platform::ReadFromFile(file, piece.data(), piece.size())) > 0;)
    sender.SendBytes(piece.data(), got);
  platform::CloseFile(file);
  sender.Close();
  receiver.join();
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  fs::path root = fs::temp_directory_path() / "vl-transfer-bench";
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--quick") {
      quick = true;
    } else {
      root = argv[i];
    }
  }
  const std::uintmax_t bigBytes = quick ? (128u << 20) : (std::uintmax_t{1} << 30);
  const int smallFiles = quick ? 2000 : 20000;
  const int listedFiles = quick ? 10000 : 100000;
  fs::remove_all(root);
  platform::StartSocketLibrary(0x0202);

  QuietServer server;
  server.Initialize();
  server.SetFolders(Wide(root / "Backup"), Wide(root / "Sync"));
  server.Start();
  while (server.ListeningPort() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const int port = server.ListeningPort();

  WriteFile(root / "big/Books/big.bin", bigBytes);
  const double mib = static_cast<double>(bigBytes) / (1 << 20);
  const double plain = PlainCopySeconds(root / "big/Books/big.bin", root / "plain.bin");
  fs::remove(root / "plain.bin");

  ReaderClient client;
  if (!client.Connect("127.0.0.1", port) || !client.Select("bench", "dev", "Bench") ||
      !client.Mode(false)) {
    std::fprintf(stderr, "cannot start: %s\n", client.lastError().c_str());
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  client.Put(true, Wide(root / "big/Books/big.bin"), "big.bin");
  client.Request("MODE B");  // a round trip: the body has been stored
  const double upload = Seconds(start);
  std::string error;
  start = std::chrono::steady_clock::now();
  client.GetFile("big.bin", Wide(root / "restored.bin"), &error);
  const double download = Seconds(start);
  fs::remove(root / "restored.bin");
  fs::remove_all(root / "big");

  for (int i = 0; i < smallFiles; ++i)
    WriteFile(root / "small/Books" / ("folder" + std::to_string(i / 100)) /
                  ("book " + std::to_string(i) + ".epub"),
              4096);
  start = std::chrono::steady_clock::now();
  client.Mode(false);
  client.UploadFolder(Wide(root / "small"));
  client.Commit();
  const double backup = Seconds(start);

  for (int i = 0; i < listedFiles; ++i)
    WriteFile(root / "Sync" / ("folder" + std::to_string(i / 1000)) /
                  ("title " + std::to_string(i) + ".epub"),
              0);
  client.Mode(true);
  start = std::chrono::steady_clock::now();
  const auto listed = client.GetList(1);
  const double list = Seconds(start);
  client.Quit();
  server.Stop();

  std::printf("\n%-34s %12s\n", "measure", "figure");
  std::printf("%-34s %9.0f MB/s\n",
              ("plain TCP copy, " + std::to_string(static_cast<int>(mib)) + " MiB").c_str(),
              mib / plain);
  std::printf("%-34s %9.0f MB/s\n", "upload (PUTBOOK)", mib / upload);
  std::printf("%-34s %9.0f MB/s\n", "download (GETFILE)", mib / download);
  std::printf("%-34s %9.0f files/s\n",
              ("backup of " + std::to_string(smallFiles) + " files of 4 KB").c_str(),
              smallFiles / backup);
  std::printf("%-34s %9.2f s (%zu lines)\n",
              ("GETLIST of " + std::to_string(listedFiles) + " files").c_str(), list,
              listed ? (*listed)[0].size() : 0);
  fs::remove_all(root);
  return 0;
}
