// Conversions between the wide text used inside the program and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Wire and log text. Invalid sequences become U+FFFD, as the system
// converters do.
std::u16string Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::u16string_view wide);

// POSIX file names. Bytes that are not valid UTF-8 map to U+DC80..U+DCFF and
// back, so any name read from disk converts to a wide text and back unchanged.
std::u16string FileNameBytesToWide(std::string_view bytes);
std::string WideToFileNameBytes(std::u16string_view wide);

}  // namespace platform
