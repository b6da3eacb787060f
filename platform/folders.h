// Per-user known folders.
#pragma once

#include <string>

namespace platform {

// The user's documents folder, without a trailing separator.
std::u16string DocumentsFolder();
// The settings file of the program: the local application-data folder on
// Windows, $XDG_CONFIG_HOME (default ~/.config) on POSIX, each followed by
// Vellumine and SyncServer.ini.
std::u16string SettingsFilePath();

}  // namespace platform
