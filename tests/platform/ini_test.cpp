// The profile reader and writer: the same contract on both systems, and on
// POSIX the exact bytes that the writer leaves.
#include "platform/ini.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace {

std::u16string Read(const std::u16string& file, const char16_t* section, const char16_t* key) {
  return platform::ReadProfileString(file, section, key).value_or(u"<missing>");
}

TEST(IniTest, WritesReplaceAddAndKeepOtherLines) {
  TempFolder folder;
  const std::u16string file = folder.Wide("a.ini");
  ASSERT_TRUE(platform::WriteProfileString(file, u"BACKUP", u"NAME", u"first"));
  ASSERT_TRUE(platform::WriteProfileString(file, u"BACKUP", u"DEVICE", u"dev"));
  ASSERT_TRUE(platform::WriteProfileString(file, u"backup", u"name", u"second value"));
  ASSERT_TRUE(platform::WriteProfileString(file, u"OTHER", u"KEY", u""));
  EXPECT_EQ(Read(file, u"Backup", u"Name"), u"second value");
  EXPECT_EQ(Read(file, u"BACKUP", u"DEVICE"), u"dev");
  EXPECT_EQ(Read(file, u"OTHER", u"KEY"), u"");
  EXPECT_EQ(Read(file, u"OTHER", u"NAME"), u"<missing>");
  EXPECT_EQ(Read(file, u"MISSING", u"NAME"), u"<missing>");
  EXPECT_EQ(Read(folder.Wide("none.ini"), u"BACKUP", u"NAME"), u"<missing>");
  EXPECT_FALSE(platform::WriteProfileString(file, u"BACKUP", u"NAME", u"two\r\nlines"));
  EXPECT_FALSE(platform::WriteProfileString(folder.Wide("missing/a.ini"), u"S", u"K", u"v"));
  EXPECT_FALSE(folder.Exists("missing"));
#ifndef _WIN32
  EXPECT_EQ(folder.ReadFile("a.ini"),
            "[BACKUP]\r\nNAME=second value\r\nDEVICE=dev\r\n[OTHER]\r\nKEY=\r\n");
#endif
}

#ifndef _WIN32
TEST(IniTest, PosixWriterKeepsForeignLinesAndTheFileLineEnds) {
  TempFolder folder;
  folder.WriteFile("b.ini",
                   "; comment\n[First]\nkeep = this\n\n[BACKUP]\nNAME = old\nx\xff\n\n[Last]\nz=1");
  const std::u16string file = folder.Wide("b.ini");
  ASSERT_TRUE(platform::WriteProfileString(file, u"BACKUP", u"NAME", u"new"));
  ASSERT_TRUE(platform::WriteProfileString(file, u"BACKUP", u"DATE_LOW", u"12"));
  ASSERT_TRUE(platform::WriteProfileString(file, u"Last", u"y", u"2"));
  EXPECT_EQ(folder.ReadFile("b.ini"),
            "; comment\n[First]\nkeep = this\n\n[BACKUP]\nNAME=new\nx\xff\nDATE_LOW=12\n\n"
            "[Last]\nz=1\ny=2\n");
  // Values are UTF-8; a value in quotes reads without them.
  ASSERT_TRUE(platform::WriteProfileString(file, u"First", u"q", u"\"Caf\u00e9\""));
  EXPECT_EQ(Read(file, u"First", u"q"), u"Caf\u00e9");
  EXPECT_EQ(Read(file, u"First", u"keep"), u"this");
  // No temporary file is left beside it.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}
#endif

TEST(IniTest, ConcurrentWritersLoseNoKey) {
  TempFolder folder;
  const std::u16string file = folder.Wide("c.ini");
  constexpr int kWriters = 8;
  constexpr int kKeysEach = 20;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w)
    writers.emplace_back([&, w] {
      for (int k = 0; k < kKeysEach; ++k) {
        const std::string key = "K" + std::to_string(w) + "_" + std::to_string(k);
        ASSERT_TRUE(platform::WriteProfileString(file, u"S", std::u16string(key.begin(), key.end()),
                                                 u"v"));
      }
    });
  for (std::thread& writer : writers) writer.join();
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeysEach; ++k) {
      const std::string key = "K" + std::to_string(w) + "_" + std::to_string(k);
      EXPECT_EQ(Read(file, u"S", std::u16string(key.begin(), key.end()).c_str()), u"v") << key;
    }
}

}  // namespace
