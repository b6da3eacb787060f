// The Windows headers for the desktop shell, configured as for the platform
// layer, and the casts between the shell's wide strings and the core's.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/windows_headers.h"

inline std::u16string ToU16(std::wstring_view text) { return {text.begin(), text.end()}; }
inline std::wstring ToWide(std::u16string_view text) { return {text.begin(), text.end()}; }
