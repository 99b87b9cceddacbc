#include "lib/core/File.h"

#include "framework/Forms.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<String> Sorted(std::vector<String> names) {
  std::sort(names.begin(), names.end());
  return names;
}

String ChildExe() {
  String exe = Application().ExeName();
  exe.resize(FileNamePart(exe) - exe.c_str());
  return exe + "childproc.exe";
}

}  // namespace

TEST(FullPath, AbsoluteFormAndLimits) {
  TempDir dir;
  SetCurrentDirectoryA(dir.Path().c_str());
  EXPECT_EQ(FullPath("a\\..\\表.txt"), dir / "表.txt");
  EXPECT_EQ(FullPath(""), "");
  EXPECT_EQ(FullPath("C:\\" + String(300, 'a')), "");
  EXPECT_EQ(FullPath("C:\\" + String(256, 'a')).size(), 259u);  // the longest that fits
  SetCurrentDirectoryA("C:\\");
}

TEST(FileExistsAttr, MaskAndMissing) {
  TempDir dir;
  String hidden = dir.File("h.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(FileExistsAttr(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(FileExistsAttr(hidden.c_str(), 0));
  EXPECT_TRUE(FileExistsAttr(hidden.c_str(), FILE_ATTRIBUTE_SYSTEM));
  EXPECT_TRUE(FileExistsAttr(dir.Path().c_str(), 0));
  EXPECT_FALSE(FileExistsAttr(dir.Path().c_str(), FILE_ATTRIBUTE_DIRECTORY));
  for (uint16_t mask : {0, 1, 2, 0x10, 0xFFFF}) {
    EXPECT_FALSE(FileExistsAttr((dir / "missing").c_str(), mask));
  }
}

TEST(SetHelpFile, DefaultsToTheExecutablesHlp) {
  SetHelpFile("");
  String expected = Application().ExeName();
  ChangeExtension(expected, "HLP");
  EXPECT_EQ(Application().HelpFile(), expected);
  SetHelpFile("C:\\X\\own.hlp");
  EXPECT_EQ(Application().HelpFile(), "C:\\X\\own.hlp");
}

TEST(DeleteTree, RemovesFilesDirectoriesAndReadOnlyEntries) {
  TempDir dir;
  dir.File("old\\a.txt");
  dir.File("old\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
  dir.File("old\\sub\\ソ表\\能十.txt", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  dir.File("keep.txt");
  EXPECT_TRUE(DeleteTree(dir / "old", 0));
  EXPECT_FALSE(Exists(dir / "old"));
  EXPECT_TRUE(Exists(dir / "keep.txt"));

  String ro = dir.File("single.txt", "x", FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeleteTree(ro, 0));
  EXPECT_FALSE(Exists(ro));
  // Nothing there: nothing failed, nothing else touched.
  EXPECT_TRUE(DeleteTree(dir / "missing", 0));
  EXPECT_TRUE(Exists(dir / "keep.txt"));
}

TEST(DeleteTree, PatternDeletesOnlyWhatMatches) {
  TempDir dir;
  dir.File("p\\a.txt");
  dir.File("p\\b.txt");
  dir.File("p\\c.dat");
  EXPECT_TRUE(DeleteTree(dir / "p\\*.txt", 0));
  EXPECT_FALSE(Exists(dir / "p\\a.txt"));
  EXPECT_TRUE(Exists(dir / "p\\c.dat"));
}

TEST(DeleteTree, MaskKeepsEntriesAndTheDirectoriesAboveThem) {
  TempDir dir;
  dir.File("m\\plain.txt");
  dir.File("m\\inner\\hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(DeleteTree(dir / "m", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(Exists(dir / "m\\inner\\hidden.txt"));
  EXPECT_FALSE(Exists(dir / "m\\plain.txt"));
}

TEST(DeleteTree, NeverDescendsIntoALink) {
  TempDir dir;
  String outside = dir.File("outside\\precious.txt");
  dir.File("tree\\own.txt");
  ASSERT_TRUE(MakeLink(dir / "outside", dir / "tree\\link"));
  ASSERT_TRUE(GetFileAttributesA((dir / "tree\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
  bool result = DeleteTree(dir / "tree", 0);
  EXPECT_TRUE(Exists(outside));
  EXPECT_FALSE(Exists(dir / "tree\\own.txt"));
  // Wine 8 cannot remove a link to a directory that is not empty; then the
  // failure must be reported, never worked around by emptying the target.
  EXPECT_EQ(result, !Exists(dir / "tree\\link"));
}

TEST(DeleteTree, NeverActsOnABareNameOrALossyName) {
  TempDir dir;
  // The directory fits the platform's limit; the file's full path does not.
  String longDir = dir.Dir("long");
  while (longDir.size() < 200) {
    longDir += "\\dddddddddddddddddddd";
    CreateDirectoryA(longDir.c_str(), nullptr);
  }
  const String name = "deep" + String(90, 'p') + ".txt";
  auto listed = [&](const String& pattern) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    return h != INVALID_HANDLE_VALUE;
  };
  ASSERT_TRUE(RunUnix("/usr/bin/touch \"" + UnixPath(longDir) + "/" + name + "\"",
                      [&] { return listed(longDir + "\\deep*"); }));
  // The finder then holds only the bare name, which would resolve against
  // the current directory, where a file of that name must survive.
  String cwd = dir.Dir("cwd");
  String decoy = dir.File("cwd\\" + name);
  SetCurrentDirectoryA(cwd.c_str());
  EXPECT_FALSE(DeleteTree(dir / "long", 0));
  EXPECT_TRUE(Exists(decoy));
  SetCurrentDirectoryA("C:\\");

  // A name the code page cannot hold comes back with "?": left alone.
  dir.Dir("q");
  // printf writes the UTF-8 bytes of a Hangul syllable, which has no
  // Shift-JIS form (not even a best-fit one).
  ASSERT_TRUE(RunUnix("/bin/sh -c \"cd '" + UnixPath(dir / "q") +
                          "' && touch $(printf 'a\\355\\225\\234c.txt')\"",
                      [&] { return listed(dir / "q\\a*c.txt"); }));
  dir.File("q\\abc.txt");
  EXPECT_FALSE(DeleteTree(dir / "q\\*.*", 0));
  EXPECT_FALSE(Exists(dir / "q\\abc.txt"));
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir / "q\\a*c.txt").c_str(), &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(String(data.cFileName).find_first_of("?"), 1u) << data.cFileName;
  FindClose(h);
}

TEST(DeleteTree, NeverReachesTheNeighbourOfANameThePlatformStrips) {
  TempDir dir;
  String plain = dir.File("d\\t");
  ASSERT_TRUE(MakeRawFile(dir / "d", L"t."));
  ASSERT_TRUE(MakeRawFile(dir / "d", L"u "));
  String u = dir.File("d\\u");
  std::vector<String> leftAlone;
  EXPECT_FALSE(DeleteTree(dir / "d\\t.", 0, &leftAlone));
  EXPECT_FALSE(DeleteTree(dir / "d\\u ", 0, &leftAlone));
  EXPECT_TRUE(Exists(plain));
  EXPECT_TRUE(Exists(u));
  EXPECT_EQ(leftAlone, (std::vector<String>{dir / "d\\t.", dir / "d\\u "}));

  // Through a pattern the stripped names are met as entries: left alone
  // and told, the others deleted.
  leftAlone.clear();
  EXPECT_FALSE(DeleteTree(dir / "d", 0, &leftAlone));
  EXPECT_FALSE(Exists(plain));
  EXPECT_TRUE(Exists(dir / "d"));
  EXPECT_EQ(Sorted(leftAlone), (std::vector<String>{dir / "d\\t.", dir / "d\\u "}));
}

TEST(DeleteTree, TakesOnlyAFullPath) {
  TempDir dir;
  String victim = dir.File("cwd\\victim.txt");
  dir.File("cwd\\sub\\deep.txt");
  SetCurrentDirectoryA((dir / "cwd").c_str());
  const String drive = dir.Path().substr(0, 2);
  // "/" separators, a relative path, a path from the root without a drive.
  for (const String& path : {dir.Path() + "/cwd/victim.txt", dir / "other/victim.txt",
                             String("victim.txt"), String("sub"), String("*.*"),
                             dir.Path().substr(2) + "\\cwd\\victim.txt", String("\\\\"),
                             String("\\\\server"), drive + "victim.txt"}) {
    EXPECT_FALSE(DeleteTree(path, 0)) << path;
  }
  SetCurrentDirectoryA("C:\\");
  EXPECT_TRUE(Exists(victim));
  EXPECT_TRUE(Exists(dir / "cwd\\sub\\deep.txt"));
}

TEST(RunAndWait, WaitsForTheExitCodeInEverySliceMode) {
  TempDir dir;
  const String exe = ChildExe();
  for (int32_t slice : {-1, -20, 20}) {
    String record = dir / ("r" + std::to_string(slice + 100) + ".txt");
    uint32_t code = 0;
    String line = "childproc \"" + record + "\" 7 100";
    UniqueHandle process = RunAndWait(exe.c_str(), line.c_str(), slice, &code);
    EXPECT_TRUE(process);
    EXPECT_EQ(code, 7u) << slice;
    String content = ReadWholeFile(record);
    EXPECT_EQ(content.substr(0, content.find('\n')), line);
  }
}

TEST(RunAndWait, ExitCode259EndsTheWait) {
  TempDir dir;
  const String exe = ChildExe();
  uint32_t code = 0;
  String line = "childproc \"" + (dir / "r.txt") + "\" 259";
  EXPECT_TRUE(RunAndWait(exe.c_str(), line.c_str(), 50, &code));
  EXPECT_EQ(code, 259u);
}

TEST(RunAndWait, SliceZeroReturnsAtOnceWithStillActive) {
  TempDir dir;
  const String exe = ChildExe();
  uint32_t code = 0;
  String record = dir / "r.txt";
  String line = "childproc \"" + record + "\" 3 300";
  UniqueHandle process = RunAndWait(exe.c_str(), line.c_str(), 0, &code);
  ASSERT_TRUE(process);
  EXPECT_EQ(code, 259u);
  EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
  DWORD exit = 0;
  GetExitCodeProcess(process.get(), &exit);
  EXPECT_EQ(exit, 3u);
}

TEST(RunAndWait, WorkingDirectoryIsTheProgramsAndFailureGivesNone) {
  TempDir dir;
  // Copy the child into a directory with a trail-byte name.
  String where = dir.Dir("十表");
  String exe = where + "\\child.exe";
  ASSERT_TRUE(CopyFileA(ChildExe().c_str(), exe.c_str(), FALSE));
  String record = dir / "cwd.txt";
  String line = "child \"" + record + "\" 0";
  EXPECT_TRUE(RunAndWait(exe.c_str(), line.c_str(), -1));
  String content = ReadWholeFile(record);
  EXPECT_EQ(content.substr(content.find('\n') + 1), where + "\n");

  uint32_t code = 1;
  EXPECT_FALSE(RunAndWait((dir / "none.exe").c_str(), "none", -1, &code));
  EXPECT_EQ(code, 1u);  // untouched when nothing started
}

TEST(RunAndWait, NoCommandLineStartsTheProgramAlone) {
  uint32_t code = 1;
  // The child, given no arguments, exits with 2 at once.
  EXPECT_TRUE(RunAndWait(ChildExe().c_str(), nullptr, -1, &code));
  EXPECT_EQ(code, 2u);
}

TEST(RunAndWait, PositiveSliceKeepsTheMessageQueueServed) {
  TempDir dir;
  const String exe = ChildExe();
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 7, 0, 0);
  String line = "childproc \"" + (dir / "r.txt") + "\" 0 200";
  EXPECT_TRUE(RunAndWait(exe.c_str(), line.c_str(), 20));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 7, WM_USER + 7, PM_REMOVE));
}
