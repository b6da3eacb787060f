// Items stored under a name as sent are renamed to the stored form before an
// upload; the configured folders above them never are.
#include "storage/name_normalisation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file.h"
#include "platform/text.h"
#include "support/temp_folder.h"

namespace {

// "Sèrie" decomposed (e and U+0300) and composed (U+00E8), in UTF-8.
const std::string kDecomposed = "Se\xcc\x80rie";
const std::string kComposed = "S\xc3\xa8rie";

class NormaliseTest : public ::testing::Test {
 protected:
  std::u16string Books() const { return folder.Wide("Books"); }
  // The Books folder, a separator and `name` as sent.
  std::u16string Raw(const std::string& name) const {
    return Books() + platform::kSeparator + platform::Utf8ToWide(name);
  }
  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(folder.path() / std::filesystem::u8path(relative));
  }
  void Write(const std::string& relative) const {
    const auto path = folder.path() / std::filesystem::u8path(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "content";
  }
  int Run(const std::string& name) const {
    return NormaliseExistingPath(Raw(name), Books().size() + 1);
  }

  TempFolder folder;
};

TEST_F(NormaliseTest, DecomposedFoldersAndFilesTakeTheStoredForm) {
  Write("Books/" + kDecomposed + "/Vol1.zip");
  EXPECT_EQ(Run(kDecomposed + "/Vol1.zip"), 1);
  EXPECT_TRUE(Exists("Books/" + kComposed + "/Vol1.zip"));
  EXPECT_FALSE(Exists("Books/" + kDecomposed));

  // Two in a row: the inner one is found under the renamed outer one.
  Write("Books/x/" + kDecomposed + "/" + kDecomposed + "/" + kDecomposed + ".zip");
  EXPECT_EQ(Run("x/" + kDecomposed + "/" + kDecomposed + "/" + kDecomposed + ".zip"), 1);
  EXPECT_TRUE(Exists("Books/x/" + kComposed + "/" + kComposed + "/" + kComposed + ".zip"));
  EXPECT_FALSE(Exists("Books/x/" + kDecomposed));
}

TEST_F(NormaliseTest, TakenNamesAndMissingItemsAreLeftAsTheyAre) {
  // Both forms exist: the rename fails and the walk goes on under the stored
  // form, where the file is renamed.
  Write("Books/" + kDecomposed + "/a.txt");
  Write("Books/" + kComposed + "/" + kDecomposed + ".txt");
  EXPECT_EQ(Run(kDecomposed + "/" + kDecomposed + ".txt"), 1);
  EXPECT_TRUE(Exists("Books/" + kDecomposed + "/a.txt"));
  EXPECT_TRUE(Exists("Books/" + kComposed + "/" + kComposed + ".txt"));
  // Nothing on disk: every rename fails quietly.
  EXPECT_EQ(Run("Nowhere/" + kDecomposed + "/x.txt"), 1);
  EXPECT_EQ(Run("plain/name.txt"), 1);
  // Too long: nothing is renamed.
  Write("Books/" + kDecomposed + ".txt");
  const std::u16string longPath = Raw(kDecomposed + ".txt") + std::u16string(2600, u'x');
  EXPECT_EQ(NormaliseExistingPath(longPath, Books().size() + 1), 0);
  EXPECT_TRUE(Exists("Books/" + kDecomposed + ".txt"));
}

TEST_F(NormaliseTest, TheConfiguredFoldersAreNeverRenamed) {
  // A Backup folder whose own name is not in stored form keeps it.
  Write("Back" + kDecomposed + "/Books/" + kDecomposed + ".txt");
  const std::u16string books = folder.Wide("") + platform::kSeparator +
                               platform::Utf8ToWide("Back" + kDecomposed) + platform::kSeparator +
                               u"Books";
  const std::u16string raw =
      books + platform::kSeparator + platform::Utf8ToWide(kDecomposed + ".txt");
  EXPECT_EQ(NormaliseExistingPath(raw, books.size() + 1), 1);
  EXPECT_TRUE(Exists("Back" + kDecomposed + "/Books/" + kComposed + ".txt"));
}

}  // namespace
