#include "lib/browse/Fchange.h"

#include "framework/Forms.h"
#include "tests/helpers/Pump.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

namespace {

// A started watcher that counts its notifications and checks their thread.
struct Watch {
  Watch(const String& directory, bool subtree) : watcher(directory, subtree, 0) {
    watcher.OnNotify = [this, mainId = GetCurrentThreadId()](TObject* sender) {
      EXPECT_EQ(sender, &watcher);
      EXPECT_EQ(GetCurrentThreadId(), mainId);
      ++count;
    };
    watcher.Start();
  }
  // Lets late notifications of earlier changes in (until none came for
  // half a second), then counts those of change alone.
  template <class F>
  int CountFor(F change, bool waitForOne = true) {
    for (int seen = -1; seen != count;) {
      seen = count;
      Pump(500);
    }
    count = 0;
    change();
    if (waitForOne) PumpUntil([this] { return count > 0; });
    else Pump(1500);
    return count;
  }
  kxvDirNotifyChange watcher;
  int count = 0;
};

}  // namespace

TEST(kxvDirNotifyChange, DirectoryDropsATrailingBackslash) {
  kxvDirNotifyChange watcher("C:\\DATA\\", false, 0);
  EXPECT_EQ(watcher.Directory(), "C:\\DATA");
  EXPECT_EQ(watcher.NotifyFilter(), 0x1Fu);
  watcher.SetDirectory("C:\\");
  EXPECT_EQ(watcher.Directory(), "C:\\");
  // A trail byte equal to "\" is part of a character, not a separator.
  String kanji = String("C:\\\x95") + "\\";
  watcher.SetDirectory(kanji);
  EXPECT_EQ(watcher.Directory(), kanji);
}

TEST(kxvDirNotifyChange, ChangesInTheDirectoryNotifyOnTheMainThread) {
  TempDir dir;
  dir.Dir("sub");
  Watch w(dir.Path(), false);
  ASSERT_NE(w.watcher.ChangeHandle(), nullptr);
  EXPECT_GT(w.CountFor([&] { dir.File("a.txt"); }), 0);
  EXPECT_GT(w.CountFor([&] { MoveFileA((dir / "a.txt").c_str(), (dir / "b.txt").c_str()); }), 0);
  EXPECT_GT(w.CountFor([&] { dir.File("b.txt", "longer content"); }), 0);
  EXPECT_GT(w.CountFor([&] { DeleteFileA((dir / "b.txt").c_str()); }), 0);
  String fromLinux = dir / "linux.txt";
  EXPECT_GT(w.CountFor([&] {
    RunUnix("/usr/bin/touch \"" + UnixPath(fromLinux) + "\"", [&] { return Exists(fromLinux); });
  }), 0);
  EXPECT_EQ(w.CountFor([&] { dir.File("sub\\deep.txt"); }, false), 0);
  // A stopped watcher starts again.
  w.watcher.Stop();
  EXPECT_EQ(w.watcher.ChangeHandle(), nullptr);
  w.watcher.Start();
  EXPECT_GT(w.CountFor([&] { dir.File("again.txt"); }), 0);
}

TEST(kxvDirNotifyChange, SubtreeSeesDirectoriesInNewDirectories) {
  TempDir dir;
  Watch w(dir.Path(), true);
  EXPECT_EQ(w.watcher.NotifyFilter(), 0x02u);
  EXPECT_GT(w.CountFor([&] { dir.Dir("new"); }), 0);
  EXPECT_GT(w.CountFor([&] { dir.Dir("new\\inner"); }), 0);
}

TEST(kxvDirNotifyChange, DestroyingFromTheHandlerIsSafe) {
  TempDir dir;
  auto* first = new kxvDirNotifyChange(dir.Path(), false, 0);
  kxvDirNotifyChange* second = nullptr;
  int firstCalls = 0, secondCalls = 0;
  first->OnNotify = [&](TObject*) {
    ++firstCalls;
    delete first;
    second = new kxvDirNotifyChange(dir.Path(), false, 0);
    second->OnNotify = [&](TObject*) { ++secondCalls; };
    second->Start();
  };
  first->Start();
  // Several changes, so that more notifications are on their way.
  for (int i = 0; i < 5; ++i) dir.File("f" + std::to_string(i));
  ASSERT_TRUE(PumpUntil([&] { return second != nullptr; }));
  for (int i = 0; i < 5; ++i) dir.File("g" + std::to_string(i));
  EXPECT_TRUE(PumpUntil([&] { return secondCalls > 0; }));
  Pump(1500);
  EXPECT_EQ(firstCalls, 1);
  delete second;
}

TEST(kxvDirNotifyChange, AMissingDirectoryIsSilent) {
  TempDir dir;
  auto* watcher = new kxvDirNotifyChange(dir / "missing", false, 0);
  watcher->Start();
  EXPECT_EQ(watcher->ChangeHandle(), nullptr);
  delete watcher;
}

TEST(kxvDirNotifyChange, DestroyedWatchersLeaveNoThreads) {
  TempDir dir;
  { kxvDirNotifyChange(dir.Path(), false, 0).Start(); }  // the one-time setup
  int before = ThreadCount();
  for (int i = 0; i < 2000; ++i) {
    kxvDirNotifyChange watcher(dir.Path(), false, 0);
    watcher.OnNotify = [](TObject*) {};
    watcher.Start();
    if (i % 2) dir.File("f.txt", std::to_string(i));
    if (i % 3 == 0) Application().ProcessMessages();
  }
  // Retired workers may still wait for their last hand-over.
  EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= before + 3; }, 20000))
      << before << " threads before, " << ThreadCount() << " after";
}

TEST(kxvDirNotifyChange, AFailingHandlerIsShownAndTheWatchGoesOn) {
  struct Seam : TUserSeam {
    std::vector<String> shown;
    int Answer(const String&, const String& text, const String&) override {
      shown.push_back(text);
      return mrOk;
    }
    void Beep(UINT) override {}
    void Help(const String&, UINT, ULONG_PTR) override {}
  } seam;
  Application().SetUserSeam(&seam);
  TempDir dir;
  Watch w(dir.Path(), false);
  const auto counted = w.watcher.OnNotify;
  bool failed = false;
  w.watcher.OnNotify = [&](TObject* sender) {
    counted(sender);
    if (!failed) {
      failed = true;
      throw EConvertError("一度目の失敗");
    }
  };
  EXPECT_GT(w.CountFor([&] { dir.File("a.txt"); }), 0);
  EXPECT_GT(w.CountFor([&] { dir.File("b.txt"); }), 0);
  Application().SetUserSeam(nullptr);
  ASSERT_FALSE(seam.shown.empty());
  EXPECT_NE(seam.shown[0].find("一度目の失敗"), String::npos);
}
