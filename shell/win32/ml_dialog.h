// CMLDialog: the base of modeless dialogs. The platform calls
// StaticDialogProc, which finds the object in the window's user data and
// hands every message to its DialogProc.
#pragma once

#include "shell/win32/edit_window.h"

class CMLDialog : public Ceditwindow {
 public:
  virtual ~CMLDialog() = default;
  virtual INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // The object comes as the creation parameter with WM_INITDIALOG; messages
  // before it are ignored. Always answers 0 (not handled).
  static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
