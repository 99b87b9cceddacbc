#include "framework/Dialogs.h"

#include "framework/Format.h"
#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// What the timer does to the dialog once it is up, and what it saw there.
struct Script {
  UINT key = 0;          // a key for the dialog, or 0 for the title-bar close
  bool quit = false;     // instead, the program is closed while the box is up
  int ticks = 0;
  HWND owner = nullptr;  // the window the box belongs to
  String title;
  std::vector<String> captions;
  bool done = false;
};
Script* current = nullptr;

BOOL CALLBACK CollectButton(HWND hwnd, LPARAM) {
  char cls[32], text[64];
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  if (String(cls) == "TButton") current->captions.push_back(text);
  return TRUE;
}

void CALLBACK Poke(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[32];
    GetClassNameA(w, cls, sizeof cls);
    // The box: a form of ours, shown, and not disabled by a box in front.
    if (pid == GetCurrentProcessId() && IsWindowVisible(w) && IsWindowEnabled(w) &&
        String(cls) == "TForm") {
      dialog = w;
    }
  }
  if (current->done) return;
  if (!dialog) {
    // Never found: the box is ended by a quit (it then refuses), and the
    // test fails instead of waiting for ever.
    if (++current->ticks < 100) return;
    KillTimer(nullptr, id);
    PostQuitMessage(0);
    return;
  }
  KillTimer(nullptr, id);
  current->done = true;
  char title[64];
  GetWindowTextA(dialog, title, sizeof title);
  current->title = title;
  current->owner = GetWindow(dialog, GW_OWNER);
  EnumChildWindows(dialog, CollectButton, 0);
  if (current->quit) {
    PostQuitMessage(9);
  } else if (current->key) {
    HWND focus = GetFocus();
    if (!focus || GetAncestor(focus, GA_ROOT) != dialog) focus = dialog;
    PostMessageA(focus, WM_KEYDOWN, current->key, 1);
    PostMessageA(focus, WM_KEYUP, current->key, 0xC0000001);
  } else {
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  }
}

int Answer(Script& script, TMsgDlgType type, unsigned buttons) {
  current = &script;
  SetTimer(nullptr, 0, 50, Poke);
  int result = MessageDlg("テキスト\n二行目", type, buttons);
  current = nullptr;
  EXPECT_TRUE(script.done) << "the box was never found";
  if (!script.quit) {
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  }
  return result;
}

}  // namespace

TEST(MessageDlg, TitlesButtonsAndTheSeam) {
  EXPECT_EQ(MessageDlgTitle(mtError), "ｴﾗｰ");
  EXPECT_EQ(MessageDlgTitle(mtInformation), "情報");
  EXPECT_EQ(MessageDlgTitle(mtConfirmation), "確認");
  EXPECT_EQ(MessageDlgButtons(mbOK | mbAbort), "OK|中止(&A)");
  EXPECT_EQ(MessageDlgButtons(mbAbort | mbNo | mbYes), "はい(&Y)|いいえ(&N)|中止(&A)");

  struct Seam : TUserSeam {
    String seen;
    int Answer(const String& title, const String& text, const String& buttons) override {
      seen = title + "/" + text + "/" + buttons;
      return mrNo;
    }
    void Beep(UINT) override {}
    void Help(const String&, UINT, ULONG_PTR) override {}
  } seam;
  Application().SetUserSeam(&seam);
  EXPECT_EQ(MessageDlg("消す?", mtConfirmation, mbYes | mbNo), mrNo);
  EXPECT_EQ(seam.seen, "確認/消す?/はい(&Y)|いいえ(&N)");
  Application().SetUserSeam(nullptr);
}

TEST(MessageDlg, EnterPressesOkOrElseYes) {
  Script ok;
  ok.key = VK_RETURN;
  EXPECT_EQ(Answer(ok, mtConfirmation, mbOK | mbAbort), mrOk);
  EXPECT_EQ(ok.title, "確認");
  EXPECT_EQ(ok.captions, (std::vector<String>{"OK", "中止(&A)"}));
  Script yes;
  yes.key = VK_RETURN;
  EXPECT_EQ(Answer(yes, mtConfirmation, mbYes | mbNo | mbAbort), mrYes);
  EXPECT_EQ(yes.captions, (std::vector<String>{"はい(&Y)", "いいえ(&N)", "中止(&A)"}));
}

TEST(MessageDlg, EscapeAndCloseRefuse) {
  Script no;
  no.key = VK_ESCAPE;
  EXPECT_EQ(Answer(no, mtConfirmation, mbYes | mbNo | mbAbort), mrNo);
  Script abort;
  abort.key = VK_ESCAPE;
  EXPECT_EQ(Answer(abort, mtConfirmation, mbOK | mbAbort), mrAbort);
  Script closeNo;
  closeNo.key = 0;
  EXPECT_EQ(Answer(closeNo, mtConfirmation, mbYes | mbNo), mrNo);
  Script closeOk;
  closeOk.key = 0;
  EXPECT_EQ(Answer(closeOk, mtInformation, mbOK), mrOk);
  EXPECT_EQ(closeOk.title, "情報");
  Script escOk;
  escOk.key = VK_ESCAPE;
  EXPECT_EQ(Answer(escOk, mtError, mbOK), mrOk);
  EXPECT_EQ(escOk.title, "ｴﾗｰ");
}

TEST(MessageDlg, AQuitIsNoAnswer) {
  // Closed by the system while the question is up: the refusal of the box's
  // kind, never a yes; the quit is passed on, and later boxes refuse too.
  const std::pair<unsigned, int> kinds[] = {
      {mbOK | mbAbort, mrAbort}, {mbYes | mbNo, mrNo}, {mbYes | mbNo | mbAbort, mrNo}};
  for (const auto& [buttons, refusal] : kinds) {
    Script quit;
    quit.quit = true;
    EXPECT_EQ(Answer(quit, mtConfirmation, buttons), refusal) << buttons;
    EXPECT_TRUE(quit.done);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(MessageDlg("次", mtConfirmation, buttons), refusal);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_FALSE(Application().Terminated());
  }
}

TEST(MessageDlg, TheBoxBelongsToTheWindowItSpeaksFor) {
  TForm window(nullptr);
  window.SetClientSize(200, 100);
  window.Show();
  SetActiveWindow(window.Handle());
  Script ok;
  ok.key = VK_RETURN;
  EXPECT_EQ(Answer(ok, mtInformation, mbOK), mrOk);
  // Owned: in front of it, no taskbar button of its own.
  EXPECT_EQ(ok.owner, window.Handle());
}

TEST(FileDialogs, TheFilterBecomesThePlatformsAndKeepsDoubleByteCharacters) {
  // "ポ" ends in the byte of "|".
  const String filter = "画像ポ|*.BMP;*.GIF|すべてのﾌｧｲﾙ|*.*";
  ASSERT_EQ(String("ポ")[1], '|');
  const String platform = PlatformFilter(filter);
  const char expected[] = "画像ポ\0*.BMP;*.GIF\0すべてのﾌｧｲﾙ\0*.*\0\0";
  EXPECT_EQ(platform, String(expected, sizeof expected - 1));
  EXPECT_EQ(PlatformFilter(""), String("\0\0", 2));
}

TEST(FileDialogs, TheSeamAnswersAndACancelChangesNothing) {
  struct Files : TUserSeam {
    int Answer(const String&, const String&, const String&) override { return 0; }
    void Beep(UINT) override {}
    void Help(const String&, UINT, ULONG_PTR) override {}
    bool ChooseFile(bool save, const String& title, const String& filter, int& index,
                    String& name) override {
      seen.push_back(Format("%d %s %s %d %s", {int(save), title, filter, index, name}));
      if (!choose) return false;
      index = 2;
      name = "C:\\絵\\a.gif";
      return true;
    }
    std::vector<String> seen;
    bool choose = false;
  } files;
  Application().SetUserSeam(&files);
  TOpenDialog open(nullptr);
  open.SetTitle("開く");
  open.SetFilter("BMP|*.BMP|GIF|*.GIF");
  open.SetFileName("old.bmp");
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(open.FileName(), "old.bmp");
  EXPECT_EQ(open.FilterIndex(), 1);
  files.choose = true;
  EXPECT_TRUE(open.Execute());
  EXPECT_EQ(open.FileName(), "C:\\絵\\a.gif");
  EXPECT_EQ(open.FilterIndex(), 2);
  TSaveDialog save(nullptr);
  EXPECT_TRUE(save.Execute());
  Application().SetUserSeam(nullptr);
  EXPECT_EQ(files.seen, (std::vector<String>{"0 開く BMP|*.BMP|GIF|*.GIF 1 old.bmp",
                                             "0 開く BMP|*.BMP|GIF|*.GIF 1 old.bmp", "1   1 "}));
}
