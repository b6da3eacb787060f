#include "storage/code_page_form.h"

#include "platform/code_page.h"
#include "platform/text.h"
#include "storage/limits.h"

namespace {

// Units with the terminator, or 0 when that exceeds the capacity.
int Store(std::u16string&& text, std::u16string* destination, int capacity) {
  const std::size_t units = text.size() + 1;
  if (destination == nullptr) return static_cast<int>(units);
  if (capacity < 0 || units > static_cast<std::size_t>(capacity)) return 0;
  *destination = std::move(text);
  return static_cast<int>(units);
}

}  // namespace

int Utf8ToCodePageForm(std::string_view utf8, std::u16string* destination, int capacity) {
  std::u16string wide = platform::Utf8ToWide(utf8);
  std::optional<std::u16string> form = platform::CodePageForm(wide);
  return Store(form ? std::move(*form) : std::move(wide), destination, capacity);
}

int WideToCodePageForm(std::u16string* destination, std::u16string_view source) {
  std::optional<std::u16string> form = platform::CodePageForm(source);
  if (!form) return 0;
  return Store(std::move(*form), destination, kMaxPath);
}
