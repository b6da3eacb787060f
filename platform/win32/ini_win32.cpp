#include <vector>

#include "platform/ini.h"
#include "platform/win32/windows_headers.h"

namespace platform {

std::optional<std::u16string> ReadProfileString(std::u16string_view file,
                                                std::u16string_view section,
                                                std::u16string_view key) {
  const std::u16string path(file), sectionName(section), keyName(key);
  // A default that no real value can equal tells "missing" from "empty".
  const wchar_t* missing = L"\x1\x2missing\x2\x1";
  std::vector<wchar_t> buffer(4096);
  for (;;) {
    const DWORD length =
        GetPrivateProfileStringW(AsWide(sectionName), AsWide(keyName), missing, buffer.data(),
                                 static_cast<DWORD>(buffer.size()), AsWide(path));
    if (length + 1 < buffer.size()) break;
    buffer.resize(buffer.size() * 2);
  }
  if (std::wstring_view(buffer.data()) == missing) return std::nullopt;
  return FromWide(buffer.data());
}

bool WriteProfileString(std::u16string_view file, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value) {
  const std::u16string path(file), sectionName(section), keyName(key), text(value);
  if (text.find_first_of(u"\r\n") != std::u16string::npos) return false;
  return WritePrivateProfileStringW(AsWide(sectionName), AsWide(keyName), AsWide(text),
                                    AsWide(path)) != 0;
}

}  // namespace platform
