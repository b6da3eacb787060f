// CSession: one connected reader. The listener creates it in a free slot and
// starts SessionThread with it; from then on only the session's thread uses
// it, and Run ends by freeing it (ReleaseSession) and emptying the slot.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/net_socket.h"
#include "platform/file.h"
#include "storage/path_list.h"

class VlSync;

// A first line longer than this is turned away before the greeting.
inline constexpr int kMaxFirstLineBytes = 1000;
// SELECT refuses longer argument texts, which keeps every field in its width.
inline constexpr std::size_t kMaxSelectArgumentBytes = 200;
// Upload bodies arrive in pieces of at most this size.
inline constexpr int kUploadPieceBytes = 51200;

enum TransferState : int {
  kNoTransfer = 0,
  kReceivingUpload = 1,
  kDownloadStarted = 2,
};

class CSession {
 public:
  CSession(VlSync& owner, std::unique_ptr<CNetSocket> connection, int slotIndex);
  // Closes an upload still open and removes its partial file; the target keeps
  // its earlier content.
  ~CSession();
  CSession(const CSession&) = delete;
  CSession& operator=(const CSession&) = delete;

  // The whole life of the session. On return the object no longer exists.
  void Run();
  // Runs one request line (zero-terminated, without its end). 1 to go on
  // reading requests, 0 to end the session.
  int Execute(const char* line);
  // Starts receiving an upload body of `size` bytes meant for `target`. The
  // bytes go to a partial file beside it that replaces the target only once
  // the last byte is written. 0 when the partial file cannot be created.
  int BeginUpload(std::u16string_view target, std::int64_t size);
  // The request loop that follows the greeting: reads and runs requests and
  // receives upload bodies until the session must end. Leaves the ending to
  // the caller.
  void ServeRequests();

  // Commands; each gets the text from its argument position and returns 1 to
  // go on or 0 to end the session.
  int Quit(const char* arguments);
  int List(const char* arguments);
  int Select(const char* arguments);
  int Mode(const char* arguments);
  int Commit(const char* arguments);
  int GetFile(const char* arguments);
  int PutBook(const char* arguments);
  int PutFile(const char* arguments);
  int GetList(const char* arguments);
  // Sends one line per backup set in the Backup folder, then ".".
  void ListBackups();

  std::unique_ptr<CNetSocket> conn;
  VlSync& server;
  int slot;
  std::int64_t expectedBytes = 0;
  std::int64_t receivedBytes = 0;
  int transferState = kNoTransfer;
  std::u16string uploadPath;
  platform::FileHandle file = platform::kNoFile;
  int syncMode = 0;
  std::u16string backupId;
  std::u16string deviceId;
  std::u16string displayName;
  std::u16string booksFolder;
  std::u16string userDataFolder;
  CPathList received;

 private:
  bool Greet();
  int Put(const char* arguments, bool book);
  // The folders that downloads and listings read in the current mode; none
  // before a set is selected, or with no Sync folder set.
  std::vector<std::u16string> SourceFolders() const;
  // False when the session must end.
  bool ReceiveUploadPiece(char* buffer);
  bool FinishUpload();
  void AbandonUpload();
  void Reply(const char* text);
  void LogLine(int level, std::u16string_view text);
  // The two ways out; both free this object.
  void EndSession();
  void QuietEnd();

  std::u16string partPath_;
  // Set by the first SELECT that succeeds; until then nothing touches a set.
  bool selected_ = false;
};

// Thread entry that the listener starts with a new session.
void SessionThread(CSession* session);

// The arguments of PUTBOOK and PUTFILE: "sizeLow sizeHigh n n name".
struct PutArgs {
  std::uint32_t sizeLow = 0;
  std::uint32_t sizeHigh = 0;
  std::uint32_t third = 0;   // read, not used
  std::uint32_t fourth = 0;  // read, not used
  char* name = nullptr;      // inside the text given to ParsePutArgs
};
// Splits `text` in place: everything after the fourth space is the name,
// further spaces included, with "/" turned into "\" and each of :*?"<>|
// into "_". False with fewer than four spaces. Numbers read as unsigned
// 32-bit decimals the way strtoul reads them: leading blanks, a sign, digits,
// saturating at 4294967295.
bool ParsePutArgs(char* text, PutArgs* args);

// 1 when `text` begins with every character of `keyword`, else 0.
int StartsWith(const char* text, const char* keyword);
