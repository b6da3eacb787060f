// Names from the wire are stored under their code-page form (see
// platform/code_page.h), so that the same name always yields the same stored
// name and a later session finds the file it wrote. Results count UTF-16
// units with the terminator included, as the callers' buffers are sized.
#pragma once

#include <string>
#include <string_view>

// With a destination: converts the UTF-8 text (invalid sequences become
// U+FFFD) into its code-page form and returns the units written, or 0 when
// they would not fit in `capacity` (the destination is then untouched).
// Without one: the units the conversion would need. When the system
// converter fails, the plain conversion stands in, so a name keeps its
// characters as sent.
int Utf8ToCodePageForm(std::string_view utf8, std::u16string* destination, int capacity);

// The code-page form of a wide text into a destination of kMaxPath units; 0
// when the converter fails or the result does not fit (destination untouched).
int WideToCodePageForm(std::u16string* destination, std::u16string_view source);
