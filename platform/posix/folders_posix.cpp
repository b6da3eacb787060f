#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/folders.h"
#include "platform/text.h"

namespace platform {
namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
    return entry->pw_dir;
  return "/";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string ConfigFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
    return WithoutTrailingSlash(config);
  return WithoutTrailingSlash(HomeFolder()) + "/.config";
}

// The documents entry of user-dirs.dirs, a line like XDG_DOCUMENTS_DIR="$HOME/Docs".
std::string DocumentsFromUserDirs() {
  std::ifstream in(ConfigFolder() + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DOCUMENTS_DIR=";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = WithoutTrailingSlash(HomeFolder()) + value.substr(5);
    if (!value.empty() && value.front() == '/') return WithoutTrailingSlash(value);
  }
  return {};
}

}  // namespace

std::u16string DocumentsFolder() {
  std::string folder;
  if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR");
      documents != nullptr && *documents == '/')
    folder = WithoutTrailingSlash(documents);
  if (folder.empty()) folder = DocumentsFromUserDirs();
  if (folder.empty()) folder = WithoutTrailingSlash(HomeFolder()) + "/Documents";
  return FileNameBytesToWide(folder);
}

std::u16string SettingsFilePath() {
  return FileNameBytesToWide(ConfigFolder() + "/Vellumine/SyncServer.ini");
}

}  // namespace platform
