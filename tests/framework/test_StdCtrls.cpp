#include "framework/StdCtrls.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

String WindowText(HWND h) {
  char text[256];
  return String(text, GetWindowTextA(h, text, sizeof text));
}

DWORD ButtonType(TWinControl* c) { return GetWindowLongA(c->Handle(), GWL_STYLE) & BS_TYPEMASK; }

// A key as the message loop hands it to the dialog manager.
void PressKey(TForm& form, TWinControl* target, WPARAM key) {
  MSG msg{target->Handle(), WM_KEYDOWN, key, 1, 0, {}};
  IsDialogMessageA(form.Handle(), &msg);
}

template <class T>
T* Put(TForm& form, TWinControl* parent, int left, int top, int width, int height,
       const char* caption = nullptr) {
  auto* control = new T(&form);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  if (caption) control->SetCaption(caption);
  return control;
}

}  // namespace

// --- TButton ----------------------------------------------------------------

TEST(TButton, OneDefaultAndOneCancelButtonPerFormFollowingTheParent) {
  TForm form(nullptr), other(nullptr);
  auto* a = Put<TButton>(form, &form, 10, 10, 75, 25, "実行(&X)");
  auto* b = new TButton(&form);
  EXPECT_TRUE(a->TabStop());
  EXPECT_EQ(WindowText(a->Handle()), "実行(&X)");
  a->SetDefault(true);
  a->SetCancel(true);
  EXPECT_EQ(ButtonType(a), static_cast<DWORD>(BS_DEFPUSHBUTTON));
  b->SetDefault(true);
  b->SetCancel(true);
  EXPECT_EQ(form.DefaultButton(), a);  // b has no form yet
  auto* group = Put<TGroupBox>(form, &form, 0, 50, 200, 100);
  b->SetParent(group);
  EXPECT_EQ(form.DefaultButton(), b);
  EXPECT_EQ(form.CancelButton(), b);
  EXPECT_FALSE(a->Default() || a->Cancel());
  EXPECT_EQ(ButtonType(a), static_cast<DWORD>(BS_PUSHBUTTON));
  b->SetParent(&other);
  EXPECT_EQ(form.DefaultButton(), nullptr);
  EXPECT_EQ(other.CancelButton(), b);
  delete b;
  EXPECT_EQ(other.CancelButton(), nullptr);
}

TEST(TButton, EnterPressesTheFocusedOrDefaultButtonAndEscapeTheCancelButton) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  auto* group = Put<TGroupBox>(form, &form, 5, 5, 290, 100, "枠");
  auto* list = Put<TListBox>(form, group, 10, 20, 100, 60);
  auto* ok = Put<TButton>(form, group, 120, 20, 75, 25, "OK");
  auto* cancel = Put<TButton>(form, &form, 120, 120, 75, 25, "取消");
  int oks = 0, cancels = 0;
  ok->OnClick = [&](TObject*) { ++oks; };
  cancel->OnClick = [&](TObject*) { ++cancels; };
  ok->SetDefault(true);
  cancel->SetCancel(true);
  form.Show();
  list->SetFocus();
  PressKey(form, list, VK_RETURN);
  PressKey(form, list, VK_ESCAPE);
  EXPECT_EQ(oks, 1);
  EXPECT_EQ(cancels, 1);
  // The focused button takes the default frame and Enter, then gives both back.
  cancel->SetFocus();
  ASSERT_TRUE(cancel->Focused());
  EXPECT_EQ(ButtonType(ok), static_cast<DWORD>(BS_PUSHBUTTON));
  PressKey(form, cancel, VK_RETURN);
  EXPECT_EQ(cancels, 2);
  list->SetFocus();
  EXPECT_EQ(ButtonType(cancel), static_cast<DWORD>(BS_PUSHBUTTON));
  EXPECT_EQ(ButtonType(ok), static_cast<DWORD>(BS_DEFPUSHBUTTON));
  // A default button disabled, or inside a disabled group, is not pressed.
  ok->SetEnabled(false);
  PressKey(form, list, VK_RETURN);
  ok->SetEnabled(true);
  group->SetEnabled(false);
  PressKey(form, cancel, VK_RETURN);
  EXPECT_EQ(oks, 1);
  EXPECT_EQ(cancels, 2);
}

TEST(TButton, AClickWithAModalResultEndsShowModal) {
  TForm form(nullptr);
  auto* plain = Put<TButton>(form, &form, 10, 10, 75, 25, "何も");
  auto* ok = Put<TButton>(form, &form, 100, 10, 75, 25, "OK");
  ok->SetModalResult(mrOk);
  int clicks = 0;
  plain->OnClick = [&](TObject*) { ++clicks; };
  ok->OnClick = [&](TObject*) { clicks += form.ModalResult() == mrOk ? 10 : 100; };
  PostMessageA(plain->Handle(), BM_CLICK, 0, 0);
  PostMessageA(ok->Handle(), BM_CLICK, 0, 0);
  PostMessageA(form.Handle(), WM_CLOSE, 0, 0);  // ends the loop should the clicks go astray
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(clicks, 11);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// --- TCheckBox --------------------------------------------------------------

TEST(TCheckBox, ChangesFireOnClickAndTheWindowsStateSurvivesNewWindows) {
  TForm form(nullptr);
  auto* group = Put<TGroupBox>(form, &form, 0, 0, 200, 100);
  auto* box = Put<TCheckBox>(form, group, 10, 20, 150, 20, "隠しファイル");
  std::vector<bool> seen;
  box->OnClick = [&](TObject*) { seen.push_back(box->Checked()); };
  box->SetChecked(true);
  box->SetChecked(true);  // unchanged: no event
  HWND h = box->Handle();
  EXPECT_EQ(WindowText(h), "隠しファイル");
  EXPECT_EQ(SendMessageA(h, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageA(h, BM_CLICK, 0, 0);  // the user's toggle
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  SendMessageA(h, BM_SETCHECK, BST_CHECKED, 0);  // known to the window only
  box->RecreateWnd();
  group->RecreateWnd();
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

// --- TLabel -----------------------------------------------------------------

TEST(TLabel, AutoSizeFitsTheTextInTheFontOnceLoaded) {
  TForm form(nullptr);
  auto* label = Put<TLabel>(form, &form, 10, 10, 300, 100);
  const int line = label->Height();  // an empty label keeps a line's height
  EXPECT_GT(line, 0);
  EXPECT_LT(line, 100);
  label->SetCaption("WWW");
  const int narrow = label->Width();
  label->SetCaption("WWWWWW");
  EXPECT_GT(label->Width(), narrow);
  label->Font().SetHeight(30);
  EXPECT_GT(label->Height(), line);
  label->SetAlignment(taRightJustify);
  const int right = label->Left() + label->Width();
  label->SetCaption("W");
  EXPECT_EQ(label->Left() + label->Width(), right);  // keeps its right edge

  auto* wrapped = new TLabel(&form);
  wrapped->SetWordWrap(true);
  wrapped->SetBounds(0, 0, 60, 10);
  wrapped->SetCaption("WWW WWW WWW WWW WWW WWW");
  EXPECT_EQ(wrapped->Width(), 60);
  EXPECT_GT(wrapped->Height(), 30);

  form.BeginLoad();  // made during a load, sized when it ends
  auto* loaded = Put<TLabel>(form, &form, 0, 0, 400, 50, "W");
  auto* fixed = Put<TLabel>(form, &form, 0, 0, 400, 50, "W");
  fixed->SetAutoSize(false);
  EXPECT_EQ(loaded->Width(), 400);
  form.EndLoad();
  EXPECT_LT(loaded->Width(), 400);
  EXPECT_EQ(fixed->Width(), 400);
}

// --- TGroupBox --------------------------------------------------------------

TEST(TGroupBox, DisablingItDisablesEverythingInsideButTheirOwnFlags) {
  TForm form(nullptr);
  auto* group = Put<TGroupBox>(form, &form, 0, 0, 300, 200, "システムファイル");
  auto* button = Put<TButton>(form, group, 10, 20, 75, 25, "検索");
  auto* list = Put<TListBox>(form, group, 10, 50, 100, 60);
  auto* panel = Put<TPanel>(form, group, 120, 50, 150, 60);
  auto* inner = Put<TCheckBox>(form, panel, 5, 5, 100, 20, "中");
  auto* off = Put<TButton>(form, group, 100, 20, 75, 25, "除外");
  off->SetEnabled(false);
  auto* label = Put<TLabel>(form, group, 10, 120, 0, 0, "ラベル");
  group->SetEnabled(false);
  // Made or enabled inside meanwhile, controls of other units too.
  auto* later = Put<TButton>(form, group, 200, 20, 75, 25, "後");
  auto* foreign = Put<TCustomControl>(form, panel, 5, 30, 20, 20);
  button->SetEnabled(false);
  button->SetEnabled(true);
  list->RecreateWnd();
  const std::vector<TWinControl*> all{group, button, list, panel, inner, later, foreign};
  for (TWinControl* c : all) EXPECT_FALSE(IsWindowEnabled(c->Handle()));
  EXPECT_TRUE(button->Enabled() && inner->Enabled() && label->Enabled());
  EXPECT_FALSE(ShowsEnabled(label));  // painted grey

  group->SetEnabled(true);
  for (TWinControl* c : all) EXPECT_TRUE(IsWindowEnabled(c->Handle()));
  EXPECT_FALSE(IsWindowEnabled(off->Handle()));  // disabled on its own
  EXPECT_TRUE(ShowsEnabled(label));
}

// --- TListBox ---------------------------------------------------------------

TEST(TListBox, ItemsLiveInTheListUntilTheWindowThenInTheWindow) {
  TForm form(nullptr);
  auto* list = Put<TListBox>(form, &form, 0, 0, 200, 100);
  TStrings& items = list->Items();
  TObject marker;
  items.Add("C:\\IO.SYS");
  items.Insert(0, "C:\\表示.TXT");
  items.SetObjects(1, &marker);
  EXPECT_THROW(items.Get(2), EStringListError);
  EXPECT_FALSE(list->HandleAllocated());
  HWND h = list->Handle();
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL | LBS_SORT));
  char text[64];
  SendMessageA(h, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "C:\\表示.TXT");
  SendMessageA(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("直接"));
  items.Delete(0);
  items.Put(0, "別名");
  EXPECT_EQ(items.Text(), "別名\r\n直接\r\n");  // Shift-JIS back out of the window
  EXPECT_EQ(items.Objects(0), &marker);
  EXPECT_THROW(items.Insert(3, "x"), EStringListError);
}

TEST(TListBox, SelectionInBothModesAndTheUsersClicks) {
  TForm form(nullptr);
  auto* list = Put<TListBox>(form, &form, 0, 0, 200, 100);
  for (const char* line : {"一", "二", "三", "四"}) list->Items().Add(line);
  list->SetSelected(2, true);
  EXPECT_EQ(list->SelCount(), -1);
  list->HandleNeeded();
  EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCURSEL, 0, 0), 2);
  list->SetSelected(1, false);  // not the selected line: no change
  EXPECT_EQ(list->ItemIndex(), 2);
  list->SetSelected(2, false);
  EXPECT_EQ(list->ItemIndex(), -1);

  list->SetMultiSelect(true);  // with ExtendedSelect
  EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & LBS_EXTENDEDSEL);
  list->SetSelected(1, true);
  list->SetSelected(3, true);
  list->SetItemIndex(2);  // the focus line, not a selection
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_TRUE(list->Selected(1) && !list->Selected(2) && list->Selected(3));
  EXPECT_THROW(list->Selected(4), EStringListError);
  int clicks = 0, doubles = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->OnDblClick = [&](TObject*) { ++doubles; };
  RECT item;
  SendMessageA(list->Handle(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM(item.left + 5, item.top + 2);
  SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
  SendMessageA(list->Handle(), WM_LBUTTONUP, MK_CONTROL, at);
  SendMessageA(list->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(list->Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(clicks, 1);  // the program's changes were none
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(list->SelCount(), 3);
  list->SetExtendedSelect(false);
  EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & LBS_MULTIPLESEL);
}

TEST(TListBox, LinesObjectsAndSelectionSurviveNewWindowsAndSorting) {
  TForm form(nullptr);
  auto* group = Put<TGroupBox>(form, &form, 0, 0, 300, 200);
  auto* list = Put<TListBox>(form, group, 10, 20, 200, 60);
  list->SetMultiSelect(true);
  TObject marker;
  for (int i = 0; i < 30; ++i) list->Items().Add("ファイル" + IntToStr(i));
  list->Items().SetObjects(7, &marker);
  list->SetSelected(3, true);
  list->SetSelected(7, true);
  list->SetTopIndex(5);
  const int top = list->TopIndex();
  list->RecreateWnd();
  group->RecreateWnd();  // takes the list's window down with it
  EXPECT_EQ(list->Items().Get(29), "ファイル29");
  EXPECT_EQ(list->Items().Objects(7), &marker);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_TRUE(list->Selected(3) && list->Selected(7));
  EXPECT_EQ(list->TopIndex(), top);

  list->Items().SetText("c\na\nB\n");
  list->SetSelected(0, true);  // "c"
  list->SetSorted(true);
  EXPECT_EQ(list->Items().Text(), "a\r\nB\r\nc\r\n");
  EXPECT_EQ(list->Items().Add("b2"), 2);
  EXPECT_TRUE(list->Selected(3));
}

TEST(TListBox, ThousandsOfLinesInAShownList) {
  TForm form(nullptr);
  auto* list = Put<TListBox>(form, &form, 0, 0, 300, 200);
  list->SetMultiSelect(true);
  form.Show();
  TStrings& items = list->Items();
  items.BeginUpdate();
  for (int i = 0; i < 5000; ++i) items.Add("C:\\WINDOWS\\SYSTEM\\ファイル" + IntToStr(i) + ".DLL");
  for (int i = 0; i < 5000; i += 2) list->SetSelected(i, true);
  items.EndUpdate();
  list->RecreateWnd();
  // Deleting the selected lines from the end, as the program does.
  items.BeginUpdate();
  for (int i = items.Count() - 1; i >= 0; --i) {
    if (list->Selected(i)) items.Delete(i);
  }
  items.EndUpdate();
  EXPECT_EQ(items.Count(), 2500);
  EXPECT_EQ(items.Get(2499), "C:\\WINDOWS\\SYSTEM\\ファイル4999.DLL");
}

// --- TCustomEdit ------------------------------------------------------------

namespace {

void Type(HWND h, const char* text) {
  for (const char* p = text; *p; ++p) SendMessageA(h, WM_CHAR, static_cast<unsigned char>(*p), 1);
}

// A key as the message loop hands it on: translated, then dispatched.
void Stroke(HWND h, WPARAM key) {
  MSG msg{h, WM_KEYDOWN, key, 1, 0, {}};
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  Application().ProcessMessages();
}

}  // namespace

TEST(TCustomEdit, TextSelectionLimitAndModifiedLiveInTheWindowAndSurviveNewWindows) {
  int changes = 0;
  TForm form(nullptr);
  auto* edit = Put<TEdit>(form, &form, 10, 10, 200, 24);
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetText("abcdef");
  edit->SetMaxLength(8);
  edit->SetSelStart(2);
  edit->SetSelLength(3);
  EXPECT_FALSE(edit->HandleAllocated());
  HWND h = edit->Handle();
  EXPECT_EQ(WindowText(h), "abcdef");
  EXPECT_EQ(SendMessageA(h, EM_GETLIMITTEXT, 0, 0), 8);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 3);
  EXPECT_FALSE(edit->Modified());
  Type(h, "X1234");  // replaces "cde"
  EXPECT_EQ(changes, 5);
  Type(h, "5");  // the box is full
  EXPECT_EQ(edit->Text(), "abX1234f");
  EXPECT_TRUE(edit->Modified());

  edit->SetAlignment(taRightJustify);
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_RIGHT);
  EXPECT_EQ(WindowText(edit->Handle()), "abX1234f");
  EXPECT_TRUE(edit->Modified());
  EXPECT_EQ(edit->SelStart(), 7);
  EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 8);

  const int before = changes;
  edit->SetText("表示");  // the program's text, reported by a single-line box
  EXPECT_EQ(edit->Text(), "表示");
  EXPECT_FALSE(edit->Modified());
  EXPECT_EQ(changes, before + 1);
  edit->SetReadOnly(true);
  Type(edit->Handle(), "q");
  EXPECT_EQ(edit->Text(), "表示");
  EXPECT_TRUE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_READONLY);
}

TEST(TCustomEdit, MultiLineStylesAndTheKeysTheBoxWants) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  auto* memo = Put<TMemo>(form, &form, 10, 10, 200, 100);
  auto* edit = Put<TEdit>(form, &form, 10, 120, 200, 24);
  memo->SetText("one");
  const DWORD style = GetWindowLongA(memo->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & ES_MULTILINE);
  EXPECT_FALSE(style & (ES_AUTOHSCROLL | WS_VSCROLL));  // wraps
  memo->SetScrollBars(ssVertical);
  memo->SetWordWrap(false);
  EXPECT_TRUE(GetWindowLongA(memo->Handle(), GWL_STYLE) & (ES_AUTOHSCROLL | WS_VSCROLL));
  EXPECT_FALSE(GetWindowLongA(edit->Handle(), GWL_STYLE) & (ES_MULTILINE | WS_VSCROLL));

  form.Show();
  memo->SetFocus();
  memo->SetSelStart(3);
  memo->SetWantTabs(true);
  PressKey(form, memo, VK_RETURN);
  PressKey(form, memo, VK_TAB);
  PressKey(form, memo, VK_ESCAPE);  // not taken for a dialog's: the form stays
  Application().ProcessMessages();
  EXPECT_EQ(memo->Text(), "one\r\n\t");
  EXPECT_TRUE(memo->Focused());
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  memo->SetWantTabs(false);
  PressKey(form, memo, VK_TAB);
  EXPECT_TRUE(edit->Focused());
}

TEST(TCustomEdit, EnterReachesTheBoxUnlessTheFormHasADefaultButton) {
  String typed;
  TForm form(nullptr);
  auto* edit = Put<TEdit>(form, &form, 10, 10, 200, 24);
  auto* button = Put<TButton>(form, &form, 10, 50, 75, 25, "OK");
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  edit->OnKeyPress = [&](TObject*, char& key) { typed += key; };
  form.Show();
  edit->SetFocus();
  PressKey(form, edit, VK_RETURN);
  Application().ProcessMessages();
  EXPECT_EQ(typed, "\r");
  button->SetDefault(true);
  PressKey(form, edit, VK_RETURN);
  Application().ProcessMessages();
  EXPECT_EQ(typed, "\r");
  EXPECT_EQ(clicks, 1);
}

TEST(TCustomEdit, KeyEventsChangeOrSwallowKeysAndNeverSplitADoubleByteCharacter) {
  TForm form(nullptr);
  auto* edit = Put<TEdit>(form, &form, 10, 10, 200, 24);
  String seen;
  edit->OnKeyPress = [&seen](TObject*, char& key) {
    seen += key;
    if (key == 'x' || key == "表"[0]) key = 0;
    else if (key == 'a') key = 'A';
  };
  HWND h = edit->Handle();
  Type(h, "axb表示");
  // A double-byte character is seen by its lead byte; 表's trail byte "\\"
  // goes with its lead byte.
  EXPECT_EQ(seen, (String{'a', 'x', 'b', "表"[0], "示"[0]}));
  const String text = edit->Text();
  EXPECT_EQ(text.substr(0, 2), "Ab");
  EXPECT_EQ(text.find('\\'), String::npos);

  std::vector<WORD> downs;
  edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    downs.push_back(key);
    if (key == VK_HOME || key == 'Q') key = 0;
  };
  Stroke(h, VK_HOME);  // the caret stays at the end
  Stroke(h, 'Q');      // and the character goes with the key
  Stroke(h, 'W');
  EXPECT_EQ(edit->Text(), text + "w");
  EXPECT_EQ(downs, (std::vector<WORD>{VK_HOME, 'Q', 'W'}));
}

TEST(TWinControl, EnterAndExitFollowTheFocusFromControlToControlOfAWindow) {
  std::vector<String> log;
  TForm form(nullptr), other(nullptr);
  auto* a = Put<TEdit>(form, &form, 10, 10, 100, 24);
  auto* group = Put<TGroupBox>(form, &form, 10, 40, 200, 100);
  auto* b = Put<TEdit>(form, group, 10, 20, 100, 24);
  auto* c = Put<TEdit>(other, &other, 10, 10, 100, 24);
  auto watch = [&log](TEdit* edit, const String& name) {
    edit->OnEnter = [&log, name](TObject*) { log.push_back(name + "+"); };
    edit->OnExit = [&log, name](TObject*) { log.push_back(name + "-"); };
  };
  watch(a, "a");
  watch(b, "b");
  watch(c, "c");
  form.Show();
  other.Show();
  a->SetFocus();
  b->SetFocus();
  c->SetFocus();  // another window: b stays its window's control
  b->SetFocus();
  EXPECT_EQ(log, (std::vector<String>{"a+", "a-", "b+", "c+"}));
  a->SetText("x");
  PostMessageA(group->Handle(), WM_NEXTDLGCTL, 0, 0);  // from b on, in the order of Tab
  Application().ProcessMessages();
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(a->SelLength(), 1);  // AutoSelect
}
