#include "support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

TempFolder::TempFolder() {
  static std::atomic<int> serial{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("vl-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::u16string TempFolder::Wide(const std::string& relative) const {
  const std::filesystem::path full = relative.empty() ? path_ : path_ / relative;
  const std::u8string text = full.u8string();
  std::u16string wide;
  // Test paths are ASCII.
  for (const char8_t unit : text) wide.push_back(static_cast<char16_t>(unit));
  return wide;
}

void TempFolder::WriteFile(const std::string& relative, const std::string& content) const {
  const std::filesystem::path full = path_ / relative;
  std::filesystem::create_directories(full.parent_path());
  std::ofstream(full, std::ios::binary) << content;
}

std::string TempFolder::ReadFile(const std::string& relative) const {
  std::ifstream in(path_ / relative, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TempFolder::Exists(const std::string& relative) const {
  return std::filesystem::exists(path_ / relative);
}
