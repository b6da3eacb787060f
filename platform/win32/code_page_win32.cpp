#include "platform/code_page.h"
#include "platform/win32/windows_headers.h"

namespace platform {

std::optional<std::u16string> CodePageForm(std::u16string_view text) {
  if (text.empty()) return std::u16string();
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  // No default character of our own, and best fit left on: the code page's
  // own choices make the stored name.
  const int bytes =
      WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, source, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::nullopt;
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, source, length, narrow.data(), bytes, nullptr,
                          nullptr) != bytes)
    return std::nullopt;
  const int units = MultiByteToWideChar(CP_ACP, 0, narrow.data(), bytes, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::u16string result(static_cast<std::size_t>(units), u'\0');
  if (MultiByteToWideChar(CP_ACP, 0, narrow.data(), bytes,
                          reinterpret_cast<wchar_t*>(result.data()), units) != units)
    return std::nullopt;
  return result;
}

}  // namespace platform
