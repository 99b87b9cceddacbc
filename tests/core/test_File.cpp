#include "lib/core/File.h"

#include <gtest/gtest.h>

// ソ 表 能 十 end in the byte 0x5C, the same as "\".
static const char* const kTrail5C[] = {"ソ", "表", "能", "十"};

TEST(FileNamePart, SeparatorsAndTrailBytes) {
  EXPECT_STREQ(FileNamePart("C:\\DATA\\A.TXT"), "A.TXT");
  EXPECT_STREQ(FileNamePart("C:A.TXT"), "A.TXT");
  EXPECT_STREQ(FileNamePart("A.TXT"), "A.TXT");
  EXPECT_STREQ(FileNamePart("C:\\DATA\\"), "");
  for (const char* c : kTrail5C) {
    String dir = String("C:\\") + c + "\\" + c;
    EXPECT_EQ(String(FileNamePart(dir)), c) << c;
    EXPECT_EQ(String(FileNamePart(String("C:") + c)), c);
  }
}

TEST(ExtensionPart, LastDotOfTheNameOnly) {
  EXPECT_STREQ(ExtensionPart("C:\\DATA\\A.B.TXT"), "TXT");
  EXPECT_STREQ(ExtensionPart("C:\\MY.DIR\\README"), "");
  EXPECT_STREQ(ExtensionPart(".PROFILE"), "PROFILE");
  EXPECT_STREQ(ExtensionPart("C:\\表.TXT"), "TXT");
  // ア is 83 41, 表 is 95 5C: a dot (2E) can never be a trail byte, but the
  // directory must still be skipped through the trail-byte-aware search.
  EXPECT_STREQ(ExtensionPart("C:\\A.B\\能"), "");
}

TEST(AppendPath, OneSeparatorExactly) {
  struct Case {
    const char *path, *name, *result;
  } cases[] = {
      {"C:\\DATA", "A.TXT", "C:\\DATA\\A.TXT"},
      {"C:\\", "A", "C:\\A"},
      {"C:", "A", "C:A"},
      {"", "*.*", "*.*"},
      {"C:\\DATA", "\\A", "C:\\DATA\\A"},
      {"C:\\DATA", "\\\\A", "C:\\DATA\\A"},
      {"C:\\ソ", "A", "C:\\ソ\\A"},  // last byte 5C is a trail byte, not "\"
      {"C:\\表\\", "A", "C:\\表\\A"},
  };
  for (const auto& c : cases) {
    String path = c.path;
    EXPECT_STREQ(AppendPath(path, c.name), c.result) << c.path << " + " << c.name;
    EXPECT_EQ(path, c.result);
  }
}

TEST(ChangeExtension, ReplacesOrAdds) {
  struct Case {
    const char *path, *ext, *result;
  } cases[] = {
      {"C:\\TOOLS\\VEMTAR.EXE", "INI", "C:\\TOOLS\\VEMTAR.INI"},
      {"C:\\A\\B", ".txt", "C:\\A\\B.txt"},
      {"C:\\A\\B.", "INI", "C:\\A\\B..INI"},
      {"C:\\十.DIR\\十", "HLP", "C:\\十.DIR\\十.HLP"},
  };
  for (const auto& c : cases) {
    String path = c.path;
    ChangeExtension(path, c.ext);
    EXPECT_EQ(path, c.result) << c.path;
  }
}

TEST(LastCharPos, SkipsTrailBytes) {
  EXPECT_EQ(LastCharPos("ソ", '\\'), -1);
  EXPECT_EQ(LastCharPos("a\\ソ", '\\'), 1);
  EXPECT_EQ(LastCharPos("", ':'), -1);
  EXPECT_EQ(LastCharPos("a\x83", '\\'), -1);  // a lone lead byte at the end
}

TEST(PathProblem, OnlyFullPlainPathsNameOneEntry) {
  for (const char* path : {"C:\\", "C:\\DATA\\A.TXT", "c:\\.profile", "\\\\server\\share\\a",
                           "\\\\server\\share\\", "C:\\a..b\\c"}) {
    EXPECT_EQ(PathProblem(path), ppNone) << path;
  }
  for (const char* path : {"", "A.TXT", "C:A.TXT", "\\DATA\\A.TXT", "C:/DATA/A.TXT",
                           "C:\\DATA/A.TXT", "\\\\server", "\\\\server\\", "\\\\\\share\\a", "1:\\a"}) {
    EXPECT_EQ(PathProblem(path), ppNotFull) << path;
  }
  for (const char* path : {"C:\\?b.txt", "C:\\a*", "C:\\d?r\\a.txt", "\\\\?\\C:\\a"}) {
    EXPECT_EQ(PathProblem(path), ppWildcard) << path;
  }
  for (const char* path : {"C:\\t.", "C:\\t ", "C:\\dir.\\a", "C:\\dir \\a", "C:\\..\\a",
                           "\\\\server\\share.\\a"}) {
    EXPECT_EQ(PathProblem(path), ppTrailingDotOrBlank) << path;
  }
  // A double-byte character ending in the byte of "\" is no separator.
  for (const char* c : kTrail5C) {
    EXPECT_EQ(PathProblem(String("C:\\") + c + "\\a"), ppNone) << c;
    EXPECT_EQ(PathProblem(String("\\\\") + c + "\\s\\a"), ppNone) << c;
  }
}

TEST(ProgramDirectory, CutAtTheLastWholeSeparator) {
  EXPECT_EQ(ProgramDirectory("C:\\TOOLS\\X.EXE"), "C:\\TOOLS");
  EXPECT_EQ(ProgramDirectory("C:\\X.EXE"), "C:\\");
  EXPECT_EQ(ProgramDirectory("C:X.EXE"), "C:");
  EXPECT_EQ(ProgramDirectory("\\X.EXE"), "\\");
  EXPECT_EQ(ProgramDirectory("X.EXE"), "");
  // The byte before the separator is the trail byte of a double-byte
  // character, not a second separator: the separator goes.
  for (const char* c : kTrail5C) {
    EXPECT_EQ(ProgramDirectory((String("C:\\") + c + "\\X.EXE").c_str()), String("C:\\") + c) << c;
  }
}

TEST(PathRoot, DriveOrShare) {
  EXPECT_EQ(PathRoot("C:\\DATA\\A"), "C:");
  EXPECT_EQ(PathRoot("d:"), "d:");
  EXPECT_EQ(PathRoot("\\\\SERVER\\SHARE\\DIR"), "\\\\SERVER\\SHARE");
  EXPECT_EQ(PathRoot("\\\\SERVER\\SHARE"), "\\\\SERVER\\SHARE");
  EXPECT_EQ(PathRoot("\\DATA"), "");
  EXPECT_EQ(PathRoot("DATA"), "");
  // A server or share named with a character whose trail byte is "\".
  for (const char* c : kTrail5C) {
    EXPECT_EQ(PathRoot(String("\\\\") + c + "\\" + c + "\\DIR"), String("\\\\") + c + "\\" + c) << c;
  }
}

TEST(BaseNamePart, UpToTheLastDot) {
  EXPECT_EQ(BaseNamePart("C:\\DATA\\A.B.TXT"), "A.B");
  EXPECT_EQ(BaseNamePart("C:\\MY.DIR\\README"), "README");
  EXPECT_EQ(BaseNamePart(".PROFILE"), "");
  EXPECT_EQ(BaseNamePart("C:\\abc."), "abc");
  EXPECT_EQ(BaseNamePart("C:\\表.能"), "表");
}
