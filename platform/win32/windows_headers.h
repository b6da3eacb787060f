// The one place that pulls in the Windows headers, so that every Win32 source
// sees them configured the same way. Included only by platform/win32 sources
// and the Windows desktop shell.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// The order matters: winsock2.h must come before windows.h, and psapi.h and
// shlobj.h need windows.h before them.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

// These macros would rename the platform layer's own functions.
#undef DeleteFile
#undef CreateDirectory
#undef ReplaceFile
#undef GetMessage
#undef WriteProfileString

#include <string>
#include <string_view>

namespace platform {

inline const wchar_t* AsWide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline std::u16string FromWide(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

// A path as the file functions should get it: unchanged while it is short,
// and in the long-path form ("\\?\C:\..." or "\\?\UNC\server\...")
// once it nears the classic limit, so that paths up to the program's own
// limit reach the file system whole. The long form skips the system's
// clean-up of the path, so the full path is made first.
inline std::wstring SystemPath(std::u16string_view path) {
  std::wstring text(path.begin(), path.end());
  constexpr std::size_t kClassicLimit = 240;  // room for a file name in a folder of MAX_PATH
  if (text.size() < kClassicLimit || text.rfind(L"\\\\?\\", 0) == 0) return text;
  const DWORD needed = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return text;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(text.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return text;
  full.resize(length);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace platform
