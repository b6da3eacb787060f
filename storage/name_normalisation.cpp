#include "storage/name_normalisation.h"

#include <string>

#include "platform/debug.h"
#include "platform/file.h"
#include "storage/code_page_form.h"
#include "storage/limits.h"
#include "storage/path_utils.h"

namespace {

// The stored form of `text`, or `text` itself when the converter fails.
std::u16string StoredForm(const std::u16string& text) {
  std::u16string form;
  return WideToCodePageForm(&form, text) != 0 ? form : text;
}

std::u16string WithoutFinalSeparator(std::u16string path) {
  if (!path.empty() && IsSeparator(path.back())) path.pop_back();
  return path;
}

void Rename(const std::u16string& from, const std::u16string& to) {
  platform::DebugTrace(from + u" -> \n" + to + u"\n");
  platform::MoveWithoutReplacing(WithoutFinalSeparator(from), WithoutFinalSeparator(to));
}

}  // namespace

int NormaliseExistingPath(std::u16string_view rawPath, std::size_t keptLength) {
  platform::DebugTrace(u"-----StartCheck:" + std::u16string(rawPath) + u"\n");
  if (rawPath.size() > static_cast<std::size_t>(kMaxPath)) return 0;
  keptLength = std::min(keptLength, rawPath.size());
  const std::u16string kept(rawPath.substr(0, keptLength));
  // The part below the kept folders: what is converted already, then the
  // raw units from rawStart on.
  std::u16string converted;
  std::size_t rawStart = keptLength;
  for (std::size_t i = keptLength; i < rawPath.size(); ++i) {
    if (!IsSeparator(rawPath[i])) continue;
    const std::u16string prefix =
        converted + std::u16string(rawPath.substr(rawStart, i + 1 - rawStart));
    const std::u16string form = StoredForm(prefix);
    if (form == prefix) continue;
    Rename(kept + prefix, kept + form);
    converted = form;
    rawStart = i + 1;
  }
  const std::u16string whole = converted + std::u16string(rawPath.substr(rawStart));
  std::u16string form;
  if (WideToCodePageForm(&form, whole) != 0 && form != whole) Rename(kept + whole, kept + form);
  return 1;
}
