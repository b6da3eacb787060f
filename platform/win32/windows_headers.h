// The one place that pulls in the Windows headers, so that every Win32 source
// sees them configured the same way. Included only by platform/win32 sources.
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

}  // namespace platform
