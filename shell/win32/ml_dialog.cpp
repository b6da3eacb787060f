#include "shell/win32/ml_dialog.h"

INT_PTR CALLBACK CMLDialog::StaticDialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  auto* dialog = reinterpret_cast<CMLDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dialog != nullptr) {
    dialog->DialogProc(window, message, wParam, lParam);
  } else if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CMLDialog*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    dialog->hwnd = window;
    dialog->DialogProc(window, message, wParam, lParam);
  }
  return 0;
}
