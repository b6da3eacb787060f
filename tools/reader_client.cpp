#include "tools/reader_client.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/file.h"
#include "platform/folder.h"
#include "platform/socket.h"
#include "platform/text.h"
#include "storage/path_utils.h"

namespace {

constexpr std::size_t kReadBytes = 256 * 1024;
constexpr std::size_t kFileBytes = 256 * 1024;
constexpr char16_t kBooks[] = u"Books";
constexpr char16_t kUserData[] = u"UserData";

// Reads "a b c d rest" into the numbers and the rest.
bool ParseListed(const std::string& line, ListedFile* file) {
  unsigned long long sizeLow = 0, sizeHigh = 0, timeLow = 0, timeHigh = 0;
  int consumed = 0;
  if (std::sscanf(line.c_str(), "%llu %llu %llu %llu %n", &sizeLow, &sizeHigh, &timeLow, &timeHigh,
                  &consumed) != 4 ||
      consumed == 0)
    return false;
  file->size = (sizeHigh << 32) | sizeLow;
  file->unixTime = static_cast<std::int64_t>((timeHigh << 32) | timeLow);
  file->path = line.substr(static_cast<std::size_t>(consumed));
  return true;
}

}  // namespace

std::optional<std::u16string> LocalPathFor(const std::u16string& folder,
                                           const std::string& wirePath) {
  std::u16string path = folder;
  const std::u16string wide = platform::Utf8ToWide(wirePath);
  std::size_t start = 0;
  while (start <= wide.size()) {
    std::size_t end = wide.find_first_of(u"\\/", start);
    if (end == std::u16string::npos) end = wide.size();
    const std::u16string part = wide.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") return std::nullopt;
    path = JoinPath(path, part);
  }
  return path == folder ? std::nullopt : std::optional<std::u16string>(path);
}

bool ReaderClient::Fail(const std::string& cause) {
  lastError_ = cause;
  return false;
}

bool ReaderClient::Connect(const std::string& host, int port) {
  std::uint32_t address = platform::ParseIpv4(host.c_str());
  if (address == platform::kAddressNone && !platform::LookUpHostIpv4(host.c_str(), &address))
    return Fail("unknown host " + host);
  if (!socket_.Connect(platform::Ipv4ToText(address).c_str(), port))
    return Fail("cannot connect to " + host + ":" + std::to_string(port));
  // A request follows each upload body at once; held back until the body is
  // acknowledged, it would wait for the server's delayed acknowledgement.
  platform::SetNoDelay(socket_.handle.load());
  // The greeting: "Recv.\n" sent as a line, then "VLSYNC/1.0"; or "BUSY".
  std::string line;
  if (!Send("VLSYNC/1.0\r\n") || !ReadLine(&line)) return Fail("no greeting");
  if (line == "BUSY") return Fail("the server is busy");
  if (line != "Recv." || !ReadLine(&line) || !line.empty() || !ReadLine(&line) ||
      line != "VLSYNC/1.0")
    return Fail("unexpected greeting");
  return true;
}

bool ReaderClient::Send(const std::string& bytes) {
  if (socket_.SendBytes(bytes.data(), static_cast<std::int64_t>(bytes.size())) != 0) return true;
  broken_ = true;
  return Fail("connection closed");
}

bool ReaderClient::ReadLine(std::string* line) {
  for (;;) {
    const std::size_t end = buffer_.find('\n', next_);
    if (end != std::string::npos) {
      std::size_t stop = end;
      if (stop > next_ && buffer_[stop - 1] == '\r') --stop;
      line->assign(buffer_, next_, stop - next_);
      next_ = end + 1;
      return true;
    }
    buffer_.erase(0, next_);
    next_ = 0;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + kReadBytes);
    int count = 0;
    const int ok = socket_.Receive(buffer_.data() + had, static_cast<int>(kReadBytes), &count);
    buffer_.resize(had + static_cast<std::size_t>(ok ? count : 0));
    if (!ok || count == 0) {
      broken_ = true;
      return Fail("connection closed");
    }
  }
}

bool ReaderClient::ReadExact(char* out, std::size_t length) {
  const std::size_t buffered = std::min(length, buffer_.size() - next_);
  std::copy(buffer_.data() + next_, buffer_.data() + next_ + buffered, out);
  next_ += buffered;
  for (std::size_t done = buffered; done < length;) {
    const std::size_t wanted = std::min(length - done, std::size_t{1} << 30);
    int count = 0;
    if (!socket_.Receive(out + done, static_cast<int>(wanted), &count) || count == 0) {
      broken_ = true;
      return Fail("connection closed during a body");
    }
    done += static_cast<std::size_t>(count);
  }
  return true;
}

std::optional<std::string> ReaderClient::Request(const std::string& line) {
  std::string reply;
  if (!Send(line + "\r\n") || !ReadLine(&reply)) return std::nullopt;
  return reply;
}

void ReaderClient::Quit() {
  Request("QUIT");
  socket_.Close();
}

std::optional<std::vector<std::string>> ReaderClient::List() {
  if (!Send("LIST\r\n")) return std::nullopt;
  std::vector<std::string> lines;
  for (std::string line; ReadLine(&line);) {
    if (line == ".") return lines;
    lines.push_back(line);
  }
  return std::nullopt;
}

bool ReaderClient::Select(const std::string& backupId, const std::string& deviceId,
                          const std::string& displayName) {
  const auto reply = Request("SELECT " + backupId + " " + deviceId + " " + displayName);
  return reply == "WELCOME" || Fail("SELECT: " + reply.value_or("connection closed"));
}

bool ReaderClient::Mode(bool sync) {
  const auto reply = Request(sync ? "MODE S" : "MODE B");
  return reply == "OK" || Fail("MODE: " + reply.value_or("connection closed"));
}

bool ReaderClient::Commit() {
  const auto reply = Request("COMMIT");
  return reply == "OK" || Fail("COMMIT: " + reply.value_or("connection closed"));
}

std::optional<std::string> ReaderClient::Put(bool book, const std::u16string& localFile,
                                             const std::string& remoteName, std::uint64_t* bytes) {
  std::uint64_t size = 0;
  const platform::FileHandle file = platform::OpenFileForReading(localFile, &size);
  if (file == platform::kNoFile) {
    Fail("cannot read " + platform::WideToUtf8(localFile));
    return "SKIP/local file";
  }
  const std::string line = std::string(book ? "PUTBOOK " : "PUTFILE ") +
                           std::to_string(size & 0xFFFFFFFFu) + " " + std::to_string(size >> 32) +
                           " 0 0 " + remoteName;
  std::optional<std::string> reply = Request(line);
  if (reply != "OK") {
    platform::CloseFile(file);
    return reply;
  }
  // The announced size must arrive whole; a file that shrank meanwhile
  // cannot be sent, and the connection is dropped so the server keeps what
  // it had.
  std::unique_ptr<char[]> piece(new char[kFileBytes]);
  std::uint64_t remaining = size;
  while (remaining > 0) {
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kFileBytes));
    const long long got = platform::ReadFromFile(file, piece.get(), wanted);
    if (got <= 0 || !socket_.SendBytes(piece.get(), got)) {
      platform::CloseFile(file);
      socket_.Close();
      broken_ = true;
      Fail("upload of " + remoteName + " broke off");
      return std::nullopt;
    }
    remaining -= static_cast<std::uint64_t>(got);
  }
  platform::CloseFile(file);
  if (bytes != nullptr) *bytes += size;
  return reply;
}

std::optional<std::vector<std::vector<ListedFile>>> ReaderClient::GetList(int blocks) {
  const auto reply = Request("GETLIST");
  if (reply != "WAIT") {
    Fail("GETLIST: " + reply.value_or("connection closed"));
    return std::nullopt;
  }
  std::vector<std::vector<ListedFile>> result(static_cast<std::size_t>(blocks));
  for (auto& block : result) {
    for (std::string line; ReadLine(&line) && !line.empty();) {
      ListedFile file;
      if (!ParseListed(line, &file)) {
        Fail("bad list line: " + line);
        return std::nullopt;
      }
      block.push_back(std::move(file));
    }
  }
  std::string end;
  if (!ReadLine(&end) || end != ".") {
    Fail("GETLIST without its end");
    return std::nullopt;
  }
  return result;
}

bool ReaderClient::GetFile(const std::string& remoteName, const std::u16string& localFile,
                           std::string* error, std::uint64_t* bytes) {
  const auto reply = Request("GETFILE " + remoteName);
  unsigned long long low = 0, high = 0;
  if (!reply || std::sscanf(reply->c_str(), "OK %llu %llu", &low, &high) != 2) {
    *error = reply.value_or("connection closed");
    return false;
  }
  const std::uint64_t size = (high << 32) | low;
  std::u16string parent = localFile;
  TruncateToFolder(parent);
  CreateFolderPath(parent);
  const std::u16string partial = localFile + u".part";
  const platform::FileHandle file = platform::CreateFileForWriting(partial);
  std::unique_ptr<char[]> piece(new char[kFileBytes]);
  bool written = file != platform::kNoFile;
  for (std::uint64_t remaining = size; remaining > 0;) {
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kFileBytes));
    // The body is read whole even when it cannot be stored, to stay in step.
    if (!ReadExact(piece.get(), wanted)) {
      if (file != platform::kNoFile) platform::CloseFile(file);
      platform::RemoveFile(partial);
      *error = lastError_;
      return false;
    }
    written = written && platform::WriteToFile(file, piece.get(), wanted);
    remaining -= wanted;
  }
  written = file != platform::kNoFile && platform::CloseFile(file) && written &&
            platform::ReplaceFile(partial, localFile);
  if (!written) {
    platform::RemoveFile(partial);
    *error = "cannot write " + platform::WideToUtf8(localFile);
    return false;
  }
  if (bytes != nullptr) *bytes += size;
  return true;
}

bool ReaderClient::UploadTree(bool book, const std::u16string& folder, const std::string& relative,
                              TransferCounts* counts) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::ListFolder(folder, &entries))
    return Fail("cannot read the folder " + platform::WideToUtf8(folder));
  for (const platform::FolderEntry& entry : entries) {
    const std::u16string path = JoinPath(folder, entry.name);
    const std::string name =
        (relative.empty() ? "" : relative + "\\") + platform::WideToUtf8(entry.name);
    if (entry.isFolder) {
      if (!UploadTree(book, path, name, counts)) return false;
      continue;
    }
    const std::optional<std::string> reply = Put(book, path, name, &counts->bytes);
    if (!reply) return false;
    if (*reply == "OK") {
      ++counts->sent;
    } else if (*reply == "EXIST") {
      ++counts->unchanged;
    } else {
      ++counts->skipped;
      std::fprintf(stderr, "skipped %s: %s\n", name.c_str(), reply->c_str());
    }
  }
  return true;
}

std::optional<TransferCounts> ReaderClient::UploadFolder(const std::u16string& folder) {
  TransferCounts counts;
  const std::u16string books = JoinPath(folder, kBooks);
  const std::u16string userData = JoinPath(folder, kUserData);
  const bool hasBooks = platform::FolderIdentity(books).has_value();
  const bool hasUserData = platform::FolderIdentity(userData).has_value();
  bool ok = true;
  if (!hasBooks && !hasUserData) {
    ok = UploadTree(true, folder, "", &counts);
  } else {
    if (hasBooks) ok = UploadTree(true, books, "", &counts);
    if (ok && hasUserData) ok = UploadTree(false, userData, "", &counts);
  }
  if (!ok) return std::nullopt;
  return counts;
}

std::optional<TransferCounts> ReaderClient::DownloadAll(const std::u16string& folder, bool sync) {
  const auto blocks = GetList(sync ? 1 : 2);
  if (!blocks) return std::nullopt;
  TransferCounts counts;
  for (std::size_t b = 0; b < blocks->size(); ++b) {
    const std::u16string target = sync ? folder : JoinPath(folder, b == 0 ? kBooks : kUserData);
    for (const ListedFile& listed : (*blocks)[b]) {
      const std::optional<std::u16string> local = LocalPathFor(target, listed.path);
      std::string error;
      if (!local) {
        ++counts.skipped;
        std::fprintf(stderr, "skipped %s: outside the folder\n", listed.path.c_str());
        continue;
      }
      // The server finds the name in Books before UserData, as it is sent.
      if (!GetFile(listed.path, *local, &error, &counts.bytes)) {
        if (broken_) return std::nullopt;
        ++counts.skipped;
        std::fprintf(stderr, "skipped %s: %s\n", listed.path.c_str(), error.c_str());
        continue;
      }
      ++counts.sent;
    }
  }
  return counts;
}
