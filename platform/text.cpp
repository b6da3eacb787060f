// Portable: the conversions are the same on every platform, so they live in
// one file that both builds compile.
#include "platform/text.h"

#include <cstdint>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `pos`. Returns the code point, or -1 for an
// invalid, overlong, surrogate or truncated sequence; `length` is how many
// bytes were consumed (1 on failure).
long DecodeUtf8(std::string_view text, std::size_t pos, std::size_t* length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  *length = 1;
  if (lead < 0x80) return lead;
  std::size_t extra;
  char32_t value;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    return -1;
  }
  if (pos + extra >= text.size()) return -1;
  for (std::size_t i = 1; i <= extra; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) return -1;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return -1;
  *length = extra + 1;
  return static_cast<long>(value);
}

void AppendWide(std::u16string& out, char32_t value) {
  if (value < 0x10000) {
    out.push_back(static_cast<char16_t>(value));
  } else {
    value -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t value) {
  if (value < 0x80) {
    out.push_back(static_cast<char>(value));
  } else if (value < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (value >> 6)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  } else if (value < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (value >> 12)));
    out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (value >> 18)));
    out.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  }
}

// Walks the wide text by code point; a lone surrogate is handed over as is.
template <typename Sink>
void ForEachCodePoint(std::u16string_view wide, Sink sink) {
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char16_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      sink(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
      ++i;
    } else {
      sink(static_cast<char32_t>(unit));
    }
  }
}

// Decodes UTF-8; each byte that starts no valid sequence becomes what
// `invalid` makes of it.
template <typename Invalid>
std::u16string Decode(std::string_view bytes, Invalid invalid) {
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    std::size_t length;
    const long value = DecodeUtf8(bytes, pos, &length);
    AppendWide(out, value < 0 ? invalid(static_cast<unsigned char>(bytes[pos]))
                              : static_cast<char32_t>(value));
    pos += length;
  }
  return out;
}

// Encodes UTF-8; lone surrogates are handed to `surrogate`, which appends.
template <typename Surrogate>
std::string Encode(std::u16string_view wide, Surrogate surrogate) {
  std::string out;
  out.reserve(wide.size());
  ForEachCodePoint(wide, [&](char32_t value) {
    if (value >= 0xD800 && value <= 0xDFFF) {
      surrogate(out, value);
    } else {
      AppendUtf8(out, value);
    }
  });
  return out;
}

}  // namespace

std::u16string Utf8ToWide(std::string_view utf8) {
  return Decode(utf8, [](unsigned char) { return kReplacement; });
}

std::string WideToUtf8(std::u16string_view wide) {
  return Encode(wide, [](std::string& out, char32_t) { AppendUtf8(out, kReplacement); });
}

std::u16string FileNameBytesToWide(std::string_view bytes) {
  return Decode(bytes, [](unsigned char byte) { return static_cast<char32_t>(0xDC00 + byte); });
}

std::string WideToFileNameBytes(std::u16string_view wide) {
  return Encode(wide, [](std::string& out, char32_t value) {
    if (value >= 0xDC80 && value <= 0xDCFF) {
      out.push_back(static_cast<char>(value - 0xDC00));  // an escaped raw byte
    } else {
      AppendUtf8(out, kReplacement);
    }
  });
}

}  // namespace platform
