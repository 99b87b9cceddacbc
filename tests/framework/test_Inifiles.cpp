#include "framework/Inifiles.h"

#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

TEST(TIniFile, ReadsAndWritesTypedValues) {
  TempDir dir;
  TIniFile ini(dir / "表.INI");
  EXPECT_EQ(ini.ReadInteger("Vemtar", "Page", 3), 3);
  ini.WriteInteger("Vemtar", "Page", 2);
  ini.WriteString("Vemtar", "Version", "1.10");
  ini.WriteBool("Vemtar", "Flag", true);
  ini.WriteString("Vemtar", "Bad", "x2");
  TIniFile again(dir / "表.INI");
  EXPECT_EQ(again.ReadInteger("Vemtar", "Page", 0), 2);
  EXPECT_EQ(again.ReadString("Vemtar", "Version", ""), "1.10");
  EXPECT_TRUE(again.ReadBool("Vemtar", "Flag", false));
  EXPECT_EQ(again.ReadInteger("Vemtar", "Bad", 9), 9);
  EXPECT_TRUE(again.ValueExists("vemtar", "page"));
  EXPECT_FALSE(again.ValueExists("Vemtar", "Nope"));
  again.DeleteKey("Vemtar", "Flag");
  EXPECT_FALSE(again.ValueExists("Vemtar", "Flag"));
}

TEST(TIniFile, SectionsWithJapaneseKeysAndNoSizeLimit) {
  TempDir dir;
  TIniFile ini(dir / "list.ini");
  // Far more key text than a fixed 16 KB buffer would hold.
  const int count = 600;
  for (int i = 0; i < count; ++i) {
    ini.WriteString("SystemFileList", "C:\\十表ソ能\\長いディレクトリ名\\file" + std::to_string(i),
                    "1");
  }
  TStringList keys;
  ini.ReadSection("SystemFileList", keys);
  ASSERT_EQ(keys.Count(), count);
  EXPECT_EQ(keys.Get(0), "C:\\十表ソ能\\長いディレクトリ名\\file0");
  EXPECT_EQ(keys.Get(count - 1), "C:\\十表ソ能\\長いディレクトリ名\\file599");
  TStringList values;
  ini.ReadSectionValues("SystemFileList", values);
  EXPECT_EQ(values.Count(), count);
  EXPECT_EQ(values.Values(keys.Get(5)), "1");
  ini.WriteString("Other", "k", String(10000, 'v'));
  EXPECT_EQ(ini.ReadString("Other", "k", "").size(), 10000u);
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.Count(), 2);
  ini.EraseSection("SystemFileList");
  EXPECT_FALSE(ini.SectionExists("SystemFileList"));
}

TEST(TIniFile, FailedWriteRaises) {
  TempDir dir;
  TIniFile ini(dir / "no\\such\\dir\\x.ini");
  EXPECT_THROW(ini.WriteString("S", "k", "v"), EIniFileException);
}
