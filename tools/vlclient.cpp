// vlclient: a reader on the command line. Backs a folder up into a backup set,
// lists and restores sets, and lists and downloads the Sync folder, so the
// server can be tried without a device.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "platform/text.h"
#include "tools/find_servers.h"
#include "tools/reader_client.h"

namespace {

void PrintUsage() {
  std::printf(
      "Usage: vlclient [--host HOST] [--port PORT] COMMAND\n"
      "\n"
      "  list                            list the backup sets\n"
      "  backup FOLDER ID [DEVICE [NAME]] back FOLDER up into set ID and commit:\n"
      "                                  FOLDER/Books as books, FOLDER/UserData as\n"
      "                                  user data, or all of FOLDER as books\n"
      "  restore ID FOLDER               download set ID into FOLDER/Books and\n"
      "                                  FOLDER/UserData\n"
      "  sync-list                       list the server's Sync folder\n"
      "  sync-get FOLDER                 download the Sync folder into FOLDER\n"
      "  find                            ask the local network which servers run\n"
      "                                  (to HOST when --host is given), and print\n"
      "                                  their address, port and name\n"
      "\n"
      "HOST defaults to 127.0.0.1 and PORT to 49728. find uses the discovery\n"
      "ports 53178 and 53179, or --discovery-port and --reply-port.\n");
}

int Fail(const ReaderClient& client, const char* what) {
  std::fprintf(stderr, "vlclient: %s: %s\n", what, client.lastError().c_str());
  return 1;
}

void PrintCounts(const char* verb, const TransferCounts& counts) {
  std::printf("%s %d files (%llu bytes), %d unchanged, %d skipped\n", verb, counts.sent,
              static_cast<unsigned long long>(counts.bytes), counts.unchanged, counts.skipped);
}

// The LIST line of set `id`: "id device low high name".
bool FindSet(const std::vector<std::string>& lines, const std::string& id, std::string* device,
             std::string* name) {
  for (const std::string& line : lines) {
    if (line.compare(0, id.size() + 1, id + " ") != 0) continue;
    std::size_t at = id.size() + 1;
    std::vector<std::string> fields;
    for (int i = 0; i < 3; ++i) {
      const std::size_t space = line.find(' ', at);
      if (space == std::string::npos) return false;
      fields.push_back(line.substr(at, space - at));
      at = space + 1;
    }
    *device = fields[0];
    *name = line.substr(at);
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string host = "127.0.0.1";
  bool hostGiven = false;
  int port = 49728;
  int discoveryPort = 53178;
  int replyPort = 53179;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--host" && i + 1 < argc) {
      host = argv[++i];
      hostGiven = true;
    } else if (arg == "--discovery-port" && i + 1 < argc) {
      discoveryPort = std::atoi(argv[++i]);
    } else if (arg == "--reply-port" && i + 1 < argc) {
      replyPort = std::atoi(argv[++i]);
    } else if (arg == "--port" && i + 1 < argc) {
      port = std::atoi(argv[++i]);
    } else if (arg == "--help" || arg == "-h") {
      PrintUsage();
      return 0;
    } else {
      args.push_back(arg);
    }
  }
  if (args.empty()) {
    PrintUsage();
    return 2;
  }
  platform::StartSocketLibrary(0x0202);
  const std::string& command = args[0];
  ReaderClient client;
  const auto connect = [&] { return client.Connect(host, port); };

  if (command == "find" && args.size() == 1) {
    const auto servers =
        FindServers(hostGiven ? host : "255.255.255.255", discoveryPort, replyPort, 2000);
    for (const FoundServer& found : servers)
      std::printf("%s:%d  %s\n", found.address.c_str(), found.port, found.name.c_str());
    if (servers.empty()) std::fprintf(stderr, "vlclient: no server answered\n");
    return servers.empty() ? 1 : 0;
  }
  if (command == "list" && args.size() == 1) {
    if (!connect()) return Fail(client, "connect");
    const auto lines = client.List();
    if (!lines) return Fail(client, "list");
    for (const std::string& line : *lines) std::printf("%s\n", line.c_str());
    client.Quit();
    return 0;
  }
  if (command == "backup" && args.size() >= 3 && args.size() <= 5) {
    const std::string device = args.size() > 3 ? args[3] : "vlclient";
    const std::string name = args.size() > 4 ? args[4] : args[2];
    if (!connect()) return Fail(client, "connect");
    if (!client.Select(args[2], device, name) || !client.Mode(false)) return Fail(client, "select");
    const auto counts = client.UploadFolder(platform::FileNameBytesToWide(args[1]));
    if (!counts) return Fail(client, "backup");
    if (!client.Commit()) return Fail(client, "commit");
    PrintCounts("sent", *counts);
    client.Quit();
    return counts->skipped == 0 ? 0 : 1;
  }
  if (command == "restore" && args.size() == 3) {
    if (!connect()) return Fail(client, "connect");
    const auto lines = client.List();
    std::string device, name;
    if (!lines) return Fail(client, "list");
    if (!FindSet(*lines, args[1], &device, &name)) {
      std::fprintf(stderr, "vlclient: no backup set %s\n", args[1].c_str());
      return 1;
    }
    // Selecting the set again with its own names leaves its catalogue as it was.
    if (!client.Select(args[1], device, name) || !client.Mode(false)) return Fail(client, "select");
    const auto counts = client.DownloadAll(platform::FileNameBytesToWide(args[2]), false);
    if (!counts) return Fail(client, "restore");
    PrintCounts("restored", *counts);
    client.Quit();
    return counts->skipped == 0 ? 0 : 1;
  }
  if (command == "sync-list" && args.size() == 1) {
    if (!connect()) return Fail(client, "connect");
    if (!client.Mode(true)) return Fail(client, "mode");
    const auto blocks = client.GetList(1);
    if (!blocks) return Fail(client, "list");
    for (const ListedFile& file : (*blocks)[0])
      std::printf("%12llu  %s\n", static_cast<unsigned long long>(file.size), file.path.c_str());
    client.Quit();
    return 0;
  }
  if (command == "sync-get" && args.size() == 2) {
    if (!connect()) return Fail(client, "connect");
    if (!client.Mode(true)) return Fail(client, "mode");
    const auto counts = client.DownloadAll(platform::FileNameBytesToWide(args[1]), true);
    if (!counts) return Fail(client, "download");
    PrintCounts("downloaded", *counts);
    client.Quit();
    return counts->skipped == 0 ? 0 : 1;
  }
  std::fprintf(stderr, "vlclient: unknown command or wrong arguments (see --help)\n");
  return 2;
}
