// The stored form of names: sizes, capacity, composition, and what becomes of
// characters on each system.
#include "storage/code_page_form.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/limits.h"

namespace {

TEST(CodePageFormTest, MeasuresAndConvertsWithinTheCapacity) {
  std::u16string out = u"untouched";
  EXPECT_EQ(Utf8ToCodePageForm("", nullptr, 0), 1);
  EXPECT_EQ(Utf8ToCodePageForm("", &out, 1), 1);
  EXPECT_EQ(out, u"");

  // e followed by a combining grave accent composes to one unit.
  const std::string composable = "e\xcc\x80";
  EXPECT_EQ(Utf8ToCodePageForm(composable, nullptr, 0), 2);
  EXPECT_EQ(Utf8ToCodePageForm(composable, &out, 2), 2);
  EXPECT_EQ(out, u"\u00e8");

  out = u"untouched";
  EXPECT_EQ(Utf8ToCodePageForm("abcd", &out, 4), 0) << "the terminator does not fit";
  EXPECT_EQ(out, u"untouched");
  EXPECT_EQ(Utf8ToCodePageForm("abcd", &out, 5), 5);
  EXPECT_EQ(out, u"abcd");

  // Malformed UTF-8 does not fail; it comes out as replacement characters.
  EXPECT_EQ(Utf8ToCodePageForm("a\xff"
                               "b",
                               nullptr, 0),
            4);
}

TEST(CodePageFormTest, WideFormHasThePathCapacity) {
  std::u16string out = u"untouched";
  EXPECT_EQ(WideToCodePageForm(&out, u"Book\u0065\u0301.epub"), 11);
  EXPECT_EQ(out, u"Book\u00e9.epub");
  const std::u16string longest(kMaxPath - 1, u'a');
  EXPECT_EQ(WideToCodePageForm(&out, longest), kMaxPath);
  out = u"untouched";
  EXPECT_EQ(WideToCodePageForm(&out, longest + u"a"), 0);
  EXPECT_EQ(out, u"untouched");
}

TEST(CodePageFormTest, CharactersBeyondTheCodePage) {
  std::u16string out;
  // Japanese, and a character outside the basic plane.
  const std::string text = "\xe6\x9c\xac \xf0\x9f\x93\x9a";
#ifdef _WIN32
  // Through code page 1252 such characters take their best fit or "?", and
  // the form is stable: converting it again changes nothing.
  ASSERT_GT(Utf8ToCodePageForm(text, &out, kMaxPath), 0);
  for (const char16_t unit : out) EXPECT_LT(unit, 0x100) << static_cast<int>(unit);
  std::u16string again;
  ASSERT_GT(WideToCodePageForm(&again, out), 0);
  EXPECT_EQ(again, out);
#else
  // UTF-8 holds every character; only composition changes a name.
  ASSERT_EQ(Utf8ToCodePageForm(text, &out, kMaxPath), 5);
  EXPECT_EQ(out, u"\u672c \U0001F4DA");
  // Hangul jamo compose; a singleton decomposition is applied (Kelvin sign).
  ASSERT_GT(Utf8ToCodePageForm("\xe1\x84\x80\xe1\x85\xa1 \xe2\x84\xaa", &out, kMaxPath), 0);
  EXPECT_EQ(out, u"\uac00 K");
#endif
}

}  // namespace
