// Ceditwindow: the log of the main window.
#pragma once

#include <string>

#include "shell/win32/win32_headers.h"

// The log keeps this many lines of earlier text.
inline constexpr int kMaxLogLines = 100;

class Ceditwindow {
 public:
  // Appends `text` (which carries its own line breaks) to the log control,
  // first deleting the oldest lines so that at most 100 lines stay before
  // it. Window thread only. Always 1.
  int AppendText(const std::wstring& text);

  HWND hwnd = nullptr;
};
