#include "shell/win32/edit_window.h"

#include "shell/win32/resource.h"

int Ceditwindow::AppendText(const std::wstring& text) {
  const HWND log = GetDlgItem(hwnd, IDC_LOG);
  const auto count = static_cast<int>(SendMessageW(log, EM_GETLINECOUNT, 0, 0));
  // The deletions are not painted one by one.
  SendMessageW(log, WM_SETREDRAW, FALSE, 0);
  for (int excess = count - kMaxLogLines; excess > 0; --excess) {
    const LRESULT start = SendMessageW(log, EM_LINEINDEX, 0, 0);
    LRESULT next = SendMessageW(log, EM_LINEINDEX, 1, 0);
    if (next < 0) next = start + SendMessageW(log, EM_LINELENGTH, start, 0);
    SendMessageW(log, EM_SETSEL, start, next);
    SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  }
  SendMessageW(log, WM_SETREDRAW, TRUE, 0);
  const int length = GetWindowTextLengthW(log);
  SendMessageW(log, EM_SETSEL, length, length);
  SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  return 1;
}
