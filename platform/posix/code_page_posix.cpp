#include <unicode/unorm2.h>

#include "platform/code_page.h"

namespace platform {

std::optional<std::u16string> CodePageForm(std::u16string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) return std::nullopt;
  const auto* source = reinterpret_cast<const UChar*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  // Composition never lengthens a text by much; a second pass covers the rest.
  std::u16string result(text.size() + 16, u'\0');
  int32_t needed = unorm2_normalize(nfc, source, length, reinterpret_cast<UChar*>(result.data()),
                                    static_cast<int32_t>(result.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    result.assign(static_cast<std::size_t>(needed), u'\0');
    needed = unorm2_normalize(nfc, source, length, reinterpret_cast<UChar*>(result.data()),
                              static_cast<int32_t>(result.size()), &status);
  }
  if (U_FAILURE(status)) return std::nullopt;
  result.resize(static_cast<std::size_t>(needed));
  return result;
}

}  // namespace platform
