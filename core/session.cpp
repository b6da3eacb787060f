#include "core/session.h"

#include <algorithm>
#include <cstring>

#include "core/vl_sync.h"
#include "platform/process.h"
#include "storage/file_list.h"

namespace {

using Handler = int (CSession::*)(const char* arguments);

struct Command {
  const char* keyword;
  int argumentOffset;  // where the arguments start in the line
  Handler run;         // null while the command is not offered
};

// Tested in this order; no keyword is a prefix of another.
constexpr Command kCommands[] = {
    {"QUIT", 4, &CSession::Quit},       {"LIST", 4, &CSession::List},
    {"SELECT", 7, &CSession::Select},   {"MODE", 5, &CSession::Mode},
    {"COMMIT", 6, &CSession::Commit},   {"GETFILE", 8, &CSession::GetFile},
    {"PUTFILE", 8, &CSession::PutFile}, {"PUTBOOK", 8, &CSession::PutBook},
    {"GETLIST", 7, &CSession::GetList},
};

}  // namespace

int StartsWith(const char* text, const char* keyword) {
  for (; *keyword != '\0'; ++text, ++keyword)
    if (*text != *keyword) return 0;
  return 1;
}

void SessionThread(CSession* session) { session->Run(); }

CSession::CSession(VlSync& owner, std::unique_ptr<CNetSocket> connection, int slotIndex)
    : conn(std::move(connection)), server(owner), slot(slotIndex) {}

CSession::~CSession() { AbandonUpload(); }

void CSession::Run() {
  bool greeted = false;
  try {
    greeted = Greet();
    if (greeted) ServeRequests();
  } catch (...) {
    LogLine(1, u"Session ended by an internal error.");
    greeted = true;
  }
  if (greeted) {
    EndSession();
  } else {
    QuietEnd();
  }
}

bool CSession::Greet() {
  char line[kLineBufferBytes] = {};
  int length = 0;
  // A failed read is judged by what arrived, with a length of 0.
  conn->ReceiveLine(line, &length);
  if (length > kMaxFirstLineBytes) {
    Reply("Command too long.\n");
    return false;
  }
  transferState = kNoTransfer;
  if (!StartsWith(line, "VLSYNC")) {
    Reply("Unknown command.");
    return false;
  }
  LogLine(0, u"VLSYNC");
  Reply("Recv.\n");
  platform::WriteStdout("VLSYNCOK\n");
  Reply("VLSYNC/1.0");
  return true;
}

void CSession::ServeRequests() {
  char line[kLineBufferBytes];
  char body[kUploadPieceBytes];
  for (;;) {
    if (transferState == kReceivingUpload) {
      if (!ReceiveUploadPiece(body)) return;
      continue;
    }
    std::memset(line, 0, sizeof line);
    int length = 0;
    if (!conn->ReceiveLine(line, &length)) return;
    if (!Execute(line)) return;
  }
}

int CSession::Execute(const char* line) {
  for (const Command& command : kCommands) {
    if (!StartsWith(line, command.keyword)) continue;
    if (command.run == nullptr) break;
    // A line that ends inside the keyword's separator has empty arguments.
    const std::size_t length = std::strlen(line);
    const auto offset = std::min(static_cast<std::size_t>(command.argumentOffset), length);
    return (this->*command.run)(line + offset);
  }
  LogLine(1, u"Command not found.");
  Reply("ERROR/Command not found.");
  return 1;
}

int CSession::BeginUpload(std::u16string_view target, std::int64_t size) {
  AbandonUpload();
  uploadPath = target;
  partPath_ = uploadPath + kPartialUploadSuffix;
  file = platform::CreateFileForWriting(partPath_);
  if (file == platform::kNoFile) return 0;
  expectedBytes = size;
  receivedBytes = 0;
  transferState = kReceivingUpload;
  return 1;
}

bool CSession::ReceiveUploadPiece(char* buffer) {
  const std::int64_t remaining = expectedBytes - receivedBytes;
  if (remaining > 0) {
    int count = 0;
    const int wanted = static_cast<int>(std::min<std::int64_t>(remaining, kUploadPieceBytes));
    if (!conn->Receive(buffer, wanted, &count)) {
      platform::WriteStdout("Err\n");
      AbandonUpload();
      return false;
    }
    // A failed write must end the session: going on would tell the reader its
    // file is safe when it is not.
    if (!platform::WriteToFile(file, buffer, static_cast<std::size_t>(count))) {
      LogLine(1, u"Can not write file.");
      AbandonUpload();
      return false;
    }
    receivedBytes += count;
  }
  if (receivedBytes != expectedBytes) return true;
  platform::WriteStdout("Done\n");
  transferState = kNoTransfer;
  return FinishUpload();
}

bool CSession::FinishUpload() {
  const bool closed = platform::CloseFile(file);
  file = platform::kNoFile;
  if (!closed || !platform::ReplaceFile(partPath_, uploadPath)) {
    LogLine(1, u"Can not write file.");
    platform::RemoveFile(partPath_);
    return false;
  }
  return true;
}

void CSession::AbandonUpload() {
  if (file == platform::kNoFile) return;
  platform::CloseFile(file);
  file = platform::kNoFile;
  platform::RemoveFile(partPath_);
  if (transferState == kReceivingUpload) transferState = kNoTransfer;
}

void CSession::Reply(const char* text) { conn->SendLine(text); }

void CSession::LogLine(int level, std::u16string_view text) { server.Log(level, slot, text); }

void CSession::EndSession() {
  VlSync& owner = server;
  const int index = slot;
  AbandonUpload();
  conn->Close();
  received.Clear();
  owner.Log(1, -1, u"Close session.");
  owner.ReleaseSession(index);
}

void CSession::QuietEnd() {
  VlSync& owner = server;
  const int index = slot;
  conn->Close();
  owner.ReleaseSession(index);
}
