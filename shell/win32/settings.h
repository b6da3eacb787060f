// The settings file and the folder chooser.
#pragma once

#include <string>

#include "shell/win32/win32_headers.h"

// Shows the folder browser starting at *folder; on success puts the chosen
// folder there without a final backslash (a drive root becomes "D:").
bool BrowseForFolder(std::wstring* folder, const wchar_t* title, HWND owner);
// Preselects the starting folder once the browser is ready.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

// Moves a settings file from its older place to the current one. Never
// replaces a file there and never makes its folder; false when nothing moved.
bool MoveSettingsFile(const std::wstring& oldPath, const std::wstring& newPath);

// A known folder (CSIDL_...), empty when it cannot be found.
std::wstring KnownFolder(int csidl);
