// ReaderClient: the reader's side of the protocol, for the command-line client,
// the end-to-end tests and the benchmarks. It keeps a local folder laid out
// like a backup set: "Books" and "UserData" below it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/net_socket.h"

struct ListedFile {
  std::uint64_t size = 0;
  std::int64_t unixTime = 0;
  std::string path;  // UTF-8, backslash separators, starting with one
};

// What a transfer did, for the summary a command prints.
struct TransferCounts {
  int sent = 0;
  int unchanged = 0;  // EXIST: the server has it with the same size
  int skipped = 0;
  std::uint64_t bytes = 0;
};

class ReaderClient {
 public:
  // Connects (host name or dotted address) and exchanges the greeting.
  bool Connect(const std::string& host, int port);
  // Sends one request line and reads one reply line (without its end).
  std::optional<std::string> Request(const std::string& line);
  void Quit();

  // The LIST lines, without the final ".".
  std::optional<std::vector<std::string>> List();
  bool Select(const std::string& backupId, const std::string& deviceId,
              const std::string& displayName);
  bool Mode(bool sync);
  bool Commit();
  // "OK" once the body is sent, else the server's reply (EXIST, SKIP/...).
  // Nothing when the connection failed or the file could not be read whole.
  std::optional<std::string> Put(bool book, const std::u16string& localFile,
                                 const std::string& remoteName, std::uint64_t* bytes = nullptr);
  // The blocks of GETLIST: two in backup mode, one in sync mode.
  std::optional<std::vector<std::vector<ListedFile>>> GetList(int blocks);
  // Downloads `remoteName` into `localFile`, replacing it only when the whole
  // body has arrived. False with `error` holding the server's reply or the cause.
  bool GetFile(const std::string& remoteName, const std::u16string& localFile, std::string* error,
               std::uint64_t* bytes = nullptr);

  // Uploads `folder`/Books with PUTBOOK and `folder`/UserData with PUTFILE,
  // or, when it has neither, the whole folder as books. Call after Select and
  // Mode; Commit afterwards.
  std::optional<TransferCounts> UploadFolder(const std::u16string& folder);
  // Downloads every listed file into `folder` (Books and UserData below it in
  // backup mode, the folder itself in sync mode).
  std::optional<TransferCounts> DownloadAll(const std::u16string& folder, bool sync);

  const std::string& lastError() const { return lastError_; }

 private:
  bool ReadLine(std::string* line);
  bool ReadExact(char* buffer, std::size_t length);
  bool Send(const std::string& bytes);
  bool UploadTree(bool book, const std::u16string& folder, const std::string& relative,
                  TransferCounts* counts);
  bool Fail(const std::string& cause);

  CNetSocket socket_;
  std::string buffer_;
  std::size_t next_ = 0;
  std::string lastError_;
  bool broken_ = false;  // the connection is gone
};

// A wire path ("\a\b.txt") as a local path below `folder`; nothing when it
// would leave the folder.
std::optional<std::u16string> LocalPathFor(const std::u16string& folder,
                                           const std::string& wirePath);
