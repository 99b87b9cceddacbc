#include "lib/core/Findfile.h"

#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<String> All(kxFindFile& finder) {
  std::vector<String> names;
  while (finder.Next()) names.push_back(finder.FileName());
  return names;
}

std::vector<String> Sorted(std::vector<String> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// The index of the first name in names that ends with tail.
size_t IndexOf(const std::vector<String>& names, const String& tail) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i].size() >= tail.size() && names[i].compare(names[i].size() - tail.size(), tail.size(), tail) == 0) return i;
  }
  return names.size();
}

}  // namespace

TEST(kxFindFile, DeliversEveryEntryWithItsFullPathAndNoDots) {
  TempDir dir;
  dir.File("data\\a.txt");
  dir.File("data\\hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  dir.File("data\\sys.txt", "x", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
  dir.File("data\\ソ表能十.txt");
  dir.Dir("data\\sub");
  dir.File("data\\sub\\inner.txt");
  kxFindFile finder(dir / "data\\*.*");
  EXPECT_EQ(Sorted(All(finder)),
            Sorted({dir / "data\\a.txt", dir / "data\\hidden.txt", dir / "data\\sys.txt",
                    dir / "data\\ソ表能十.txt", dir / "data\\sub"}));
  EXPECT_FALSE(finder.IsOpen());
  EXPECT_FALSE(finder.Next());  // stays exhausted
}

TEST(kxFindFile, OneFileByFullPathOnceWithItsShortName) {
  TempDir dir;
  String file = dir.File("A.TXT", "12345");
  dir.Dir("sub");
  kxFindFile finder(file);
  ASSERT_TRUE(finder.Next());
  EXPECT_EQ(finder.FileName(), file);
  EXPECT_STREQ(finder.cAlternateFileName, "A.TXT");
  EXPECT_EQ(finder.nFileSizeLow, 5u);
  EXPECT_FALSE(finder.Next());

  // A name of 13 characters or more is never copied as the short name.
  kxFindFile longName(dir.File("abcdefghi.txt"));
  ASSERT_TRUE(longName.Next());
  EXPECT_STRNE(longName.cAlternateFileName, "abcdefghi.txt");
}

TEST(kxFindFile, SubdirectoriesDepthFirstInEnumerationOrder) {
  TempDir dir;
  dir.File("r\\top.txt");
  dir.File("r\\skip.dat");
  dir.File("r\\a\\a1.txt");
  dir.File("r\\a\\a2.txt");
  dir.File("r\\a\\deep\\d1.txt");
  dir.File("r\\a\\deep\\d2.txt");
  dir.File("r\\a\\deep\\d3.txt");
  dir.File("r\\a\\deeper\\e1.txt");
  dir.File("r\\b\\b1.txt");
  kxFindFile finder;
  finder.Find(dir / "r", "*.txt");
  std::vector<String> names = All(finder);
  ASSERT_EQ(names.size(), 8u) << "every match of every level, none lost";
  EXPECT_EQ(names[0], dir / "r\\top.txt");
  // Whichever of a and b comes first, its whole subtree comes before the other.
  size_t a1 = IndexOf(names, "\\a1.txt"), b1 = IndexOf(names, "\\b1.txt");
  size_t d3 = IndexOf(names, "\\d3.txt"), e1 = IndexOf(names, "\\e1.txt");
  if (a1 < b1) {
    EXPECT_LT(d3, b1);
    EXPECT_LT(e1, b1);
  } else {
    EXPECT_GT(d3, b1);
    EXPECT_GT(e1, b1);
  }
  EXPECT_LT(a1, d3);  // a directory's own entries before its subdirectories'
}

TEST(kxFindFile, ShowDotsGivesTheDirectoryItself) {
  TempDir dir;
  dir.File("d\\x.txt");
  kxFindFile finder;
  finder.ShowDots = true;
  finder.SubDirectory = false;
  finder.Find(dir / "d\\*.*");
  std::vector<String> names = Sorted(All(finder));
  EXPECT_EQ(names, Sorted({dir / "d", dir.Path(), dir / "d\\x.txt"}));
}

TEST(kxFindFile, ExcludedHiddenEntriesButHiddenDirectoriesStillSearched) {
  TempDir dir;
  dir.File("h\\visible.txt");
  dir.File("h\\secret.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  dir.File("h\\hid\\found.txt");
  dir.Dir("h\\hid", FILE_ATTRIBUTE_HIDDEN);
  kxFindFile finder;
  finder.ExcludeAttr = FILE_ATTRIBUTE_HIDDEN;
  finder.Find(dir / "h", "*.txt");
  EXPECT_EQ(Sorted(All(finder)), Sorted({dir / "h\\visible.txt", dir / "h\\hid\\found.txt"}));
}

TEST(kxFindFile, DescentSkipsDirectoryLinks) {
  TempDir dir;
  dir.File("out\\linked.txt");
  dir.File("in\\own.txt");
  ASSERT_TRUE(MakeLink(dir / "out", dir / "in\\link"));
  kxFindFile finder;
  finder.Find(dir / "in", "*.txt");
  EXPECT_EQ(All(finder), std::vector<String>{dir / "in\\own.txt"});
  // The link itself is an entry of its directory.
  kxFindFile plain(dir / "in\\*.*");
  bool sawLink = false;
  while (plain.Next()) {
    if (plain.FileName() == dir / "in\\link") {
      sawLink = true;
      EXPECT_TRUE(plain.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    }
  }
  EXPECT_TRUE(sawLink);
}

TEST(kxFindFile, FullPathMaskDoesNotWalkTheCurrentDirectory) {
  TempDir dir;
  dir.File("cwd\\a\\x.txt");
  dir.File("cwd\\b\\x.txt");
  String target = dir.File("t\\x.txt");
  SetCurrentDirectoryA((dir / "cwd").c_str());
  kxFindFile full(target);
  EXPECT_EQ(full.PendingDirs(), "");
  EXPECT_EQ(All(full), std::vector<String>{target});

  // A relative mask with an empty root searches the current directory's
  // whole subtree.
  kxFindFile relative("x.txt");
  EXPECT_EQ(Sorted(All(relative)), Sorted({dir / "cwd\\a\\x.txt", dir / "cwd\\b\\x.txt"}));
  SetCurrentDirectoryA("C:\\");
}

TEST(kxFindFile, NothingFoundAndRestart) {
  TempDir dir;
  kxFindFile finder;
  EXPECT_FALSE(finder.Find(dir / "none\\*.*"));
  EXPECT_FALSE(finder.Next());
  EXPECT_FALSE(finder.Find(""));
  EXPECT_FALSE(finder.Next());
  String f = dir.File("later.txt");
  EXPECT_TRUE(finder.Find(f));
  EXPECT_TRUE(finder.Next());
  EXPECT_EQ(finder.FileName(), f);
  // A directory without matches still leads into its subdirectories.
  dir.File("deep\\only\\m.ini");
  finder.Find(dir / "deep", "*.ini");
  EXPECT_EQ(All(finder), std::vector<String>{dir / "deep\\only\\m.ini"});
}

TEST(kxFindFile, ADirectoryNameWithASemicolonIsOneDirectory) {
  TempDir dir;
  dir.File("start\\a;b\\inner.txt");
  dir.File("start\\a;b\\deeper\\deep.txt");
  // What a split name would reach: "b" relative to the current directory.
  dir.File("cwd\\b\\outside.txt");
  SetCurrentDirectoryA((dir / "cwd").c_str());
  kxFindFile finder;
  finder.Find(dir / "start", "*.txt");
  const std::vector<String> found = All(finder);
  SetCurrentDirectoryA("C:\\");
  EXPECT_EQ(Sorted(found),
            (std::vector<String>{dir / "start\\a;b\\deeper\\deep.txt", dir / "start\\a;b\\inner.txt"}));
}

TEST(kxFindFile, ExactEntriesAreThoseThePlatformCanNameAgain) {
  TempDir dir;
  dir.File("q\\ab.txt");
  ASSERT_TRUE(MakeRawFile(dir / "q", std::wstring(L"a") + kHangul + L"b.txt"));
  ASSERT_TRUE(MakeRawFile(dir / "q", L"t."));
  kxFindFile finder(dir / "q\\*.*");
  std::vector<String> exact, inexact;
  while (finder.Next()) (IsExactEntry(finder) ? exact : inexact).push_back(finder.FileName());
  EXPECT_EQ(exact, std::vector<String>{dir / "q\\ab.txt"});
  ASSERT_EQ(inexact.size(), 2u);
  EXPECT_EQ(Sorted(inexact)[0], dir / "q\\a?b.txt");
  EXPECT_EQ(Sorted(inexact)[1], dir / "q\\t.");
}
