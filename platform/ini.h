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

// Sets `key` in `section` to `value`: replaces the key's line, or adds it at
// the end of its section, or adds the section at the end of the file, which
// is created when missing; every other line stays as it was. False when the
// file cannot be read or written, or the value holds a line break. On POSIX
// values are UTF-8 and the file is replaced in one step (a reader sees the
// old file or the new one), writers in this process taking turns.
bool WriteProfileString(std::u16string_view file, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value);

}  // namespace platform
