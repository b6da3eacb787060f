// INI ("profile") files. Section and key names match without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The value of `key` in `section`, or nothing when the file, the section or
// the key is missing.
std::optional<std::u16string> ReadProfileString(std::u16string_view file,
                                                std::u16string_view section,
                                                std::u16string_view key);

}  // namespace platform
