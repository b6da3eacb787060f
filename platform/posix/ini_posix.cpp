#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/ini.h"
#include "platform/text.h"

namespace platform {
namespace {

// Writers in this process take turns, so that no key written by one session
// is lost to another's replace of the same file.
std::mutex writeLock;

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Names are ASCII in practice; folding only A-Z keeps the match independent of
// any locale.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// The file's lines, each with its own line end, so that lines the writer does
// not touch are written back byte for byte. Nothing when the file exists but
// cannot be read; an empty list when it does not exist.
std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (access(path.c_str(), F_OK) != 0 && errno == ENOENT) return std::vector<std::string>();
    return std::nullopt;
  }
  std::stringstream content;
  content << in.rdbuf();
  if (in.bad()) return std::nullopt;
  const std::string text = content.str();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

// The section a header line opens, or nothing for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// The key of a key=value line, or nothing for other lines.
std::optional<std::string_view> KeyOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() == ';') return std::nullopt;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, equals));
}

bool WriteWhole(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// Writes the text beside `path` and renames it over `path`, so that the file
// is never seen half written and a failure leaves the old one.
bool ReplaceWhole(const std::string& path, const std::string& text) {
  const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = WriteWhole(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

}  // namespace

std::optional<std::u16string> ReadProfileString(std::u16string_view file,
                                                std::u16string_view section,
                                                std::u16string_view key) {
  const std::optional<std::vector<std::string>> lines = ReadLines(WideToFileNameBytes(file));
  if (!lines) return std::nullopt;
  const std::string sectionName = WideToUtf8(section), keyName = WideToUtf8(key);
  bool inSection = false;
  for (const std::string& line : *lines) {
    if (const auto name = SectionOf(line)) {
      inSection = SameName(*name, sectionName);
      continue;
    }
    const auto name = KeyOf(line);
    if (!inSection || !name || !SameName(*name, keyName)) continue;
    std::string_view value = Trim(std::string_view(line).substr(line.find('=') + 1));
    // The profile functions drop one pair of enclosing quotes.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    // Values are UTF-8; a file that Windows wrote in its code page still reads
    // right as long as it is ASCII.
    return Utf8ToWide(value);
  }
  return std::nullopt;
}

bool WriteProfileString(std::u16string_view file, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value) {
  if (value.find_first_of(u"\r\n") != std::u16string_view::npos) return false;
  const std::string sectionName = WideToUtf8(section), keyName = WideToUtf8(key);
  const std::string path = WideToFileNameBytes(file);
  const std::lock_guard<std::mutex> hold(writeLock);
  std::optional<std::vector<std::string>> lines = ReadLines(path);
  if (!lines) return false;
  // New lines end the way the file's lines do; a new file gets the Windows
  // ending, since a Backup folder may move between systems.
  std::string end = "\r\n";
  if (!lines->empty() && lines->front().size() >= 1 && lines->front().back() == '\n' &&
      (lines->front().size() < 2 || lines->front()[lines->front().size() - 2] != '\r'))
    end = "\n";
  const std::string entry = keyName + "=" + WideToUtf8(value);

  bool inSection = false;
  std::optional<std::size_t> lastInSection;  // where a missing key goes after
  bool done = false;
  for (std::size_t i = 0; i < lines->size() && !done; ++i) {
    std::string& line = (*lines)[i];
    if (const auto name = SectionOf(line)) {
      if (inSection) break;  // the section has ended without the key
      inSection = SameName(*name, sectionName);
      if (inSection) lastInSection = i;
      continue;
    }
    if (!inSection) continue;
    if (!Trim(line).empty()) lastInSection = i;
    const auto name = KeyOf(line);
    if (name && SameName(*name, keyName)) {
      const bool hasEnd = !line.empty() && line.back() == '\n';
      const std::string ownEnd =
          hasEnd ? (line.size() >= 2 && line[line.size() - 2] == '\r' ? std::string("\r\n")
                                                                      : std::string("\n"))
                 : std::string();
      // The key keeps its spelling, as the Windows profile functions keep it.
      line = std::string(*name) + "=" + WideToUtf8(value) + ownEnd;
      done = true;
    }
  }
  if (!done) {
    if (!lines->empty() && lines->back().back() != '\n') lines->back() += end;
    if (lastInSection) {
      std::string& before = (*lines)[*lastInSection];
      if (before.back() != '\n') before += end;
      lines->insert(lines->begin() + static_cast<std::ptrdiff_t>(*lastInSection) + 1, entry + end);
    } else {
      lines->push_back("[" + sectionName + "]" + end);
      lines->push_back(entry + end);
    }
  }
  std::string text;
  for (const std::string& line : *lines) text += line;
  return ReplaceWhole(path, text);
}

}  // namespace platform
