#include <fstream>
#include <sstream>

#include "platform/ini.h"
#include "platform/text.h"

namespace platform {
namespace {

std::u16string_view Trim(std::u16string_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Names are ASCII in practice; folding only A-Z keeps the match independent of
// any locale.
bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::u16string> ReadProfileString(std::u16string_view file,
                                                std::u16string_view section,
                                                std::u16string_view key) {
  std::ifstream in(WideToFileNameBytes(file), std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream content;
  content << in.rdbuf();
  // Values are UTF-8; a file in another code page still reads its ASCII right.
  const std::u16string text = Utf8ToWide(content.str());
  bool inSection = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string_view line = Trim(std::u16string_view(text).substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.front() == u'[') {
      const std::size_t close = line.find(u']');
      inSection = close != std::u16string_view::npos && SameName(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection || line.empty() || line.front() == u';') continue;
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) continue;
    if (!SameName(Trim(line.substr(0, equals)), key)) continue;
    std::u16string_view value = Trim(line.substr(equals + 1));
    // The profile functions drop one pair of enclosing quotes.
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::u16string(value);
  }
  return std::nullopt;
}

}  // namespace platform
