#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextTest, Utf8AndWideRoundTripEveryPlane) {
  const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x96";  // A é € 📖
  const std::u16string wide = platform::Utf8ToWide(utf8);
  EXPECT_EQ(wide, (std::u16string{u'A', 0x00E9, 0x20AC, 0xD83D, 0xDCD6}));
  EXPECT_EQ(platform::WideToUtf8(wide), utf8);
}

TEST(TextTest, InvalidWireTextBecomesReplacementCharacters) {
  // A stray continuation byte, an overlong slash, a cut-off sequence, an
  // encoded surrogate.
  EXPECT_EQ(platform::Utf8ToWide("a\x80z"), u"a\uFFFDz");
  EXPECT_EQ(platform::Utf8ToWide("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(platform::Utf8ToWide("x\xE2\x82"), u"x\uFFFD\uFFFD");
  EXPECT_EQ(platform::Utf8ToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(platform::WideToUtf8(std::u16string{u'a', 0xD800, u'b'}), "a\xEF\xBF\xBD" "b");
}

TEST(TextTest, FileNameBytesSurviveTheWideFormUnchanged) {
  // Latin-1 names from an old disk, a lone surrogate's bytes, valid UTF-8.
  for (const std::string& bytes : {std::string("caf\xE9.epub"), std::string("\xFF\xFE\x80"),
                                  std::string("\xED\xA0\x80"), std::string("\xC3\xA9t\xC3\xA9")}) {
    const std::u16string wide = platform::FileNameBytesToWide(bytes);
    EXPECT_EQ(platform::WideToFileNameBytes(wide), bytes);
  }
  EXPECT_EQ(platform::FileNameBytesToWide("caf\xE9"), (std::u16string{u'c', u'a', u'f', 0xDCE9}));
  EXPECT_EQ(platform::FileNameBytesToWide("\xC3\xA9"), u"\u00E9");
}

}  // namespace
