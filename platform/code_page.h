// The code-page form: the form under which a name from the wire is stored on
// disk. On Windows it is the round trip through the system ANSI code page
// (composing base characters with their marks, best fit for the rest); on
// POSIX, whose code page is UTF-8, it is Unicode canonical composition, so
// every character survives. A pure function of the text on one system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Nothing when the system converter fails.
std::optional<std::u16string> CodePageForm(std::u16string_view text);

}  // namespace platform
