// The catalogue and the LIST lines drawn from it, over hand-made Backup
// folders such as both systems leave behind.
#include "storage/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "support/temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

// Catalogues as the Windows profile functions write them.
std::string Ini(const std::string& body) { return "[BACKUP]\r\n" + body; }

TEST(CatalogueTest, ListLinesFollowTheCatalogueRules) {
  TempFolder folder;
  folder.WriteFile("Backup/nameonly/vlbackup.ini", Ini("NAME=Just a name\r\n"));
  folder.WriteFile("Backup/.hidden/vlbackup.ini", Ini("NAME=hidden\r\nDEVICE=d\r\n"));
  folder.WriteFile("Backup/noname/vlbackup.ini", Ini("NAME=\r\nDEVICE=d\r\n"));
  folder.WriteFile("Backup/nocatalogue/Books/a.epub", "a");
  folder.WriteFile("Backup/plainfile", Ini("NAME=file\r\n"));
  folder.WriteFile("Backup/emptydate/vlbackup.ini",
                   "[other]\r\nNAME=wrong\r\n[backup]\r\nname=Lower case keys\r\n"
                   "device=dev\r\nDATE_LOW=\r\n");
  const std::string longName(300, 'n');
  folder.WriteFile("Backup/long/vlbackup.ini",
                   Ini("NAME=" + longName + "\r\nDEVICE=" + std::string(250, 'd') +
                       "\r\nDATE_LOW=" + std::string(120, '1') + "\r\n"));

  Lines lines = BackupListLines(folder.Wide("Backup"));
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (Lines{"emptydate dev  0 Lower case keys",
                          "long " + std::string(199, 'd') + " " + std::string(99, '1') + " 0 " +
                              std::string(199, 'n'),
                          "nameonly Unknown 0 0 Just a name"}));

  EXPECT_TRUE(BackupListLines(folder.Wide("Missing")).empty());
  EXPECT_TRUE(BackupListLines(u"").empty());
}

TEST(CatalogueTest, WrittenKeysReadBackAndDatesAreUnsignedHalves) {
  TempFolder folder;
  folder.WriteFile("Backup/s/.keep", "");
  const std::u16string catalogue = CataloguePath(folder.Wide("Backup/s") + platform::kSeparator);
  EXPECT_EQ(catalogue, CataloguePath(folder.Wide("Backup/s")));
  ASSERT_TRUE(WriteCatalogueNames(catalogue, u"Shelf one", u"dev"));
  ASSERT_TRUE(WriteCatalogueDate(catalogue, 1423612800));
  EXPECT_EQ(BackupListLines(folder.Wide("Backup")), Lines{"s dev 1423612800 0 Shelf one"});

  ASSERT_TRUE(WriteCatalogueDate(catalogue, -1));
  EXPECT_EQ(BackupListLines(folder.Wide("Backup")), Lines{"s dev 4294967295 4294967295 Shelf one"});
  ASSERT_TRUE(WriteCatalogueDate(catalogue, (std::int64_t{5} << 32) + 7));
  EXPECT_EQ(BackupListLines(folder.Wide("Backup")), Lines{"s dev 7 5 Shelf one"});

  // Names outside ASCII survive the catalogue on either system.
  ASSERT_TRUE(WriteCatalogueNames(catalogue, u"Caf\u00e9", u"dev"));
  EXPECT_EQ(BackupListLines(folder.Wide("Backup")), Lines{"s dev 7 5 Caf\xc3\xa9"});

  EXPECT_FALSE(WriteCatalogueNames(CataloguePath(folder.Wide("Backup/missing")), u"n", u"d"));
}

}  // namespace
