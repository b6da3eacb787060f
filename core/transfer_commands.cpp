// The commands that move files: GETFILE, PUTBOOK, PUTFILE and GETLIST.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "core/session.h"
#include "core/vl_sync.h"
#include "platform/file.h"
#include "platform/folder.h"
#include "platform/process.h"
#include "platform/text.h"
#include "storage/code_page_form.h"
#include "storage/file_list.h"
#include "storage/limits.h"
#include "storage/name_normalisation.h"
#include "storage/path_utils.h"

namespace {

// Download bodies are read and sent in pieces of this size.
constexpr std::size_t kDownloadPieceBytes = 5120;

// The number at `text` as strtoul reads it into 32 bits.
std::uint32_t ReadNumber(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  std::uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + static_cast<std::uint64_t>(*text - '0');
    if (value > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  }
  const auto result = static_cast<std::uint32_t>(value);
  return negative ? 0u - result : result;
}

// A name from the wire as a path below its folder, with the native separator:
// empty and "." components dropped (so a leading separator stays inside), and
// nothing when a component would leave the folder ("..") or is not a plain
// name on this system (a device name or a stream on Windows).
std::optional<std::u16string> RelativePath(std::u16string_view name) {
  std::u16string path;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::u16string_view part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u".." || platform::IsReservedFileName(part)) return std::nullopt;
    if (!path.empty()) path += platform::kSeparator;
    path += part;
  }
  return path;
}

// `folder` joined with the name, or nothing when the name is refused or the
// path would pass `limit` (*tooLong then tells which).
std::optional<std::u16string> PathBelow(std::u16string_view folder, std::u16string_view name,
                                        bool* tooLong, int limit = kMaxPathUnits) {
  *tooLong = false;
  const std::optional<std::u16string> relative = RelativePath(name);
  if (!relative || relative->empty()) return std::nullopt;
  std::u16string path = JoinPath(folder, *relative);
  if (path.size() > static_cast<std::size_t>(limit)) {
    *tooLong = true;
    return std::nullopt;
  }
  return path;
}

}  // namespace

bool ParsePutArgs(char* text, PutArgs* args) {
  char* starts[5] = {text, nullptr, nullptr, nullptr, nullptr};
  int found = 0;
  for (char* next = text; *next != '\0' && found < 4; ++next)
    if (*next == ' ') starts[++found] = next + 1;
  if (found < 4) return false;
  args->sizeLow = ReadNumber(starts[0]);
  args->sizeHigh = ReadNumber(starts[1]);
  args->third = ReadNumber(starts[2]);
  args->fourth = ReadNumber(starts[3]);
  args->name = starts[4];
  for (char* unit = args->name; *unit != '\0'; ++unit) {
    if (*unit == '/') *unit = '\\';
    if (std::strchr(":*?\"<>|", *unit) != nullptr) *unit = '_';
  }
  return true;
}

std::vector<std::u16string> CSession::SourceFolders() const {
  if (syncMode != 0) {
    std::u16string sync = server.SyncFolder();
    if (sync.empty()) return {};
    return {sync};
  }
  if (!selected_) return {};
  return {booksFolder, userDataFolder};
}

int CSession::GetFile(const char* arguments) {
  if (Utf8ToCodePageForm(arguments, nullptr, 0) > kMaxPathUnits) {
    Reply("ERROR TOO LONG");
    return 1;
  }
  std::string sent(arguments);
  for (char& unit : sent)
    if (unit == '/') unit = '\\';
  std::u16string name;
  Utf8ToCodePageForm(sent, &name, kMaxPath);
  if (!RelativePath(name)) {
    LogLine(1, u"Bad file name.");
    Reply("ERROR Cannot open file.");
    return 1;
  }

  // A file placed in a folder by hand may carry its name as sent rather than
  // in stored form (a decomposed name in the Sync folder); the listing shows
  // it so, and the reader asks for it so.
  std::vector<std::u16string> names = {name};
  if (const std::u16string exact = platform::Utf8ToWide(sent); exact != name)
    names.push_back(exact);
  platform::FileHandle source = platform::kNoFile;
  std::uint64_t size = 0;
  for (const std::u16string& folder : SourceFolders()) {
    for (const std::u16string& candidate : names) {
      bool tooLong = false;
      const std::optional<std::u16string> path = PathBelow(folder, candidate, &tooLong);
      if (path) source = platform::OpenFileForReading(*path, &size);
      if (source != platform::kNoFile) break;
    }
    if (source != platform::kNoFile) break;
  }
  if (source == platform::kNoFile) {
    Reply("ERROR Cannot open file.");
    LogLine(0, u"File open error.");
    return 1;
  }

  transferState = kDownloadStarted;
  char header[64];
  std::snprintf(header, sizeof header, "OK %u %u 0 0", static_cast<unsigned>(size & 0xFFFFFFFFu),
                static_cast<unsigned>(size >> 32));
  Reply(header);
  // Exactly the announced bytes: a file that grew is cut at its old size, and
  // one that shrank or cannot be read ends the session, since padding would
  // hand the reader a corrupt file it believes whole.
  char piece[kDownloadPieceBytes];
  std::uint64_t remaining = size;
  bool readFailed = false;
  while (remaining > 0) {
    const std::size_t wanted =
        remaining < kDownloadPieceBytes ? static_cast<std::size_t>(remaining) : kDownloadPieceBytes;
    const long long got = platform::ReadFromFile(source, piece, wanted);
    if (got <= 0) {
      readFailed = true;
      break;
    }
    if (!conn->SendBytes(piece, got)) break;
    remaining -= static_cast<std::uint64_t>(got);
  }
  platform::CloseFile(source);
  transferState = kNoTransfer;
  if (readFailed) {
    LogLine(1, u"Read error.");
    return 0;
  }
  if (remaining == 0) LogLine(0, u"Done.");
  return 1;
}

int CSession::PutBook(const char* arguments) { return Put(arguments, true); }

int CSession::PutFile(const char* arguments) { return Put(arguments, false); }

int CSession::Put(const char* arguments, bool book) {
  std::string text(arguments);
  PutArgs args;
  if (!ParsePutArgs(text.data(), &args)) {
    Reply("BAD COMMAND");
    return 1;
  }
  if (Utf8ToCodePageForm(args.name, nullptr, 0) > kMaxPathUnits) {
    Reply("SKIP/File name too long/");
    return 1;
  }
  std::u16string storedName;
  Utf8ToCodePageForm(args.name, &storedName, kMaxPath);
  if (!RelativePath(storedName)) {
    LogLine(1, u"Bad file name.");
    Reply("SKIP/File can not open.");
    return 1;
  }
  // Nothing is written before a set is selected: the folders are empty then.
  if (!selected_) {
    LogLine(1, u"Backup not selected.");
    Reply("SKIP/File can not open.");
    return 1;
  }
  const std::u16string& folder = book ? booksFolder : userDataFolder;
  bool tooLong = false;
  // Only a path that the received list can hold: any longer would be stored
  // and then deleted by the next commit.
  const std::optional<std::u16string> target =
      PathBelow(folder, storedName, &tooLong, kMaxReceivedPathUnits);
  if (!target) {
    if (!tooLong) LogLine(1, u"Bad file name.");
    Reply(tooLong ? "SKIP/File name too long/" : "SKIP/File can not open.");
    return 1;
  }
  uploadPath = *target;
  // Items stored under the name as sent take its stored form first, so that
  // this upload replaces them rather than leaving them to the next commit.
  bool exactTooLong = false;
  const std::optional<std::u16string> exact =
      PathBelow(folder, platform::Utf8ToWide(args.name), &exactTooLong);
  if (exact && *exact != uploadPath) NormaliseExistingPath(*exact, folder.size() + 1);

  received.Add(uploadPath);
  std::u16string parent = uploadPath;
  TruncateToFolder(parent);
  if (!CreateFolderPath(parent)) LogLine(1, u"Can not create the folder.");

  const std::uint64_t size = (static_cast<std::uint64_t>(args.sizeHigh) << 32) | args.sizeLow;
  std::uint32_t storedLow = 0, storedHigh = 0;
  if (FileExistsWithSize(uploadPath, &storedLow, &storedHigh) == 1) {
    if (storedLow == args.sizeLow && storedHigh == args.sizeHigh) {
      LogLine(0, u"File exist.");
      if (book) {
        Reply("EXIST");
        return 1;
      }
    } else {
      LogLine(0, u"File size different.");
    }
  }
  // A folder in the way could never be replaced once the body is in.
  const std::optional<platform::FolderEntry> existing = platform::FindFirstMatch(uploadPath);
  const std::u16string target16 = uploadPath;
  if ((existing && existing->isFolder) || !BeginUpload(target16, static_cast<std::int64_t>(size))) {
    Reply("SKIP/File can not open.");
    LogLine(1, u"Can not open.");
    return 1;
  }
  Reply("OK");
  platform::WriteStdout("SEND OK\n");
  LogLine(0,
          (book ? u"Put BOOK = " : u"Put FILE = ") + uploadPath.substr(FileNamePart(uploadPath)));
  return 1;
}

int CSession::GetList(const char*) {
  Reply("WAIT");
  LogLine(0, u"Create file list...");
  std::vector<std::u16string> folders = SourceFolders();
  // Without a source each block the reader expects is sent empty.
  if (folders.empty()) folders.assign(syncMode != 0 ? 1 : 2, std::u16string());
  for (const std::u16string& folder : folders) {
    CFileList list;
    list.root = folder;
    if (!folder.empty()) list.AddFolder(folder);
    conn->SendLine(platform::WideToUtf8(list.text).c_str());
  }
  Reply(".");
  return 1;
}
