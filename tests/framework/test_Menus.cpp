#include "framework/Menus.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/ListView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

TMenuItem* Item(TComponent* owner, TMenuItem* parent, const String& caption) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  if (parent) parent->Add(item);
  return item;
}

TMenuItem* Radio(TComponent* owner, TMenuItem* parent, const String& caption, int group) {
  TMenuItem* item = Item(owner, parent, caption);
  item->SetRadioItem(true);
  item->SetGroupIndex(group);
  return item;
}

// The marks of the items of parent, "x" checked, "." not.
String Marks(const TMenuItem* parent) {
  String marks;
  for (int i = 0; i < parent->Count(); ++i) marks += parent->Items(i)->Checked() ? 'x' : '.';
  return marks;
}

// Stands in for the user at every popup menu while installed.
class MenuSeam : public TUserSeam {
public:
  MenuSeam() { Application().SetUserSeam(this); }
  ~MenuSeam() override { Application().SetUserSeam(nullptr); }

  std::function<TMenuItem*(TPopupMenu&)> choose = [](TPopupMenu&) { return nullptr; };
  int opened = 0;
  POINT at{};

  TMenuItem* ChooseMenuItem(TPopupMenu& menu, int x, int y) override {
    ++opened;
    at = POINT{x, y};
    return choose(menu);
  }
  int Answer(const String&, const String&, const String&) override { return mrOk; }
  void Beep(UINT) override {}
  void Help(const String&, UINT, ULONG_PTR) override {}
};

// What a platform menu shows: captions joined by "|", "-" for a line,
// "(grey)", "(tick)", "(bullet)" for the states, a submenu in brackets.
String Shown(HMENU menu) {
  String text;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char caption[64] = "";
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = caption;
    info.cch = sizeof caption;
    GetMenuItemInfoA(menu, i, TRUE, &info);
    if (i > 0) text += '|';
    if (info.fType & MFT_SEPARATOR) {
      text += '-';
      continue;
    }
    text += caption;
    if (info.fState & MFS_GRAYED) text += "(grey)";
    if (info.fState & MFS_CHECKED) text += info.fType & MFT_RADIOCHECK ? "(bullet)" : "(tick)";
    if (info.hSubMenu) text += "[" + Shown(info.hSubMenu) + "]";
  }
  return text;
}

// A user at the keyboard, driven by a timer that the menu's own loop
// dispatches: once the menu window is up, notes what it shows, lets
// something else happen meanwhile and presses the keys; closes a menu that
// is still up long after.
struct KeyboardUser {
  std::vector<UINT> keys;
  std::function<void()> meanwhile;
  String shown;
  int ticks = 0;
  bool stuck = false;
};
KeyboardUser* user = nullptr;

BOOL CALLBACK FindMenuWindow(HWND hwnd, LPARAM found) {
  char cls[16];
  GetClassNameA(hwnd, cls, sizeof cls);
  if (String(cls) != "#32768" || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

void CALLBACK Press(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&menu));
  if (!menu) return;
  if (user->shown.empty()) {
    user->shown = Shown(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)));
    if (user->meanwhile) user->meanwhile();
    for (UINT key : user->keys) {
      PostMessageA(menu, WM_KEYDOWN, key, 1);
      PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
    }
  } else if (++user->ticks > 100) {
    user->stuck = true;
    EndMenu();
  }
}

// Opens the real menu by open (a Popup, a right click) and presses the
// keys; returns what it showed.
String PressKeys(const std::vector<UINT>& keys, const std::function<void()>& open,
                 const std::function<void()>& meanwhile = nullptr) {
  KeyboardUser typist;
  typist.keys = keys;
  typist.meanwhile = meanwhile;
  user = &typist;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, Press);
  open();
  KillTimer(nullptr, timer);
  user = nullptr;
  EXPECT_FALSE(typist.stuck) << "the keys did not close the menu";
  return typist.shown;
}

// The same for the menu opened at 10,10.
String PressKeys(TPopupMenu& menu, const std::vector<UINT>& keys) {
  return PressKeys(keys, [&] { menu.Popup(10, 10); });
}

// The file list's menu in small: a submenu with a disabled entry, lines,
// a hidden entry and a radio group.
struct FileMenu {
  TForm form{nullptr};
  TPopupMenu* menu = new TPopupMenu(&form);
  TMenuItem* rename = Item(&form, menu->Items(), "名前の変更");
  TMenuItem* upper = Item(&form, rename, "大文字にする");
  TMenuItem* lower = Item(&form, rename, "小文字にする");
  TMenuItem* any = Item(&form, rename, "任意");
  TMenuItem* erase = Item(&form, menu->Items(), "削除...");
  TMenuItem* line = Item(&form, menu->Items(), "-");
  TMenuItem* hidden = Item(&form, menu->Items(), "隠し");
  TMenuItem* sortName = Radio(&form, menu->Items(), "名前", 1);
  TMenuItem* sortSize = Radio(&form, menu->Items(), "サイズ", 1);
  std::vector<const TMenuItem*> clicked;

  FileMenu() {
    any->SetEnabled(false);
    hidden->SetVisible(false);
    sortName->SetChecked(true);
    for (TMenuItem* item : {upper, lower, any, erase, hidden, sortName, sortSize}) {
      item->OnClick = [this](TObject* sender) {
        clicked.push_back(static_cast<TMenuItem*>(sender));
      };
    }
  }
};

}  // namespace

// --- TMenuItem --------------------------------------------------------------

TEST(TMenuItem, ItemsFormATreeAndAnItemIsInOneMenuAtATime) {
  TForm form(nullptr);
  TMenuItem* root = Item(&form, nullptr, "");
  TMenuItem* a = Item(&form, root, "A");
  TMenuItem* c = Item(&form, root, "C");
  TMenuItem* b = Item(&form, nullptr, "B");
  root->Insert(1, b);
  ASSERT_EQ(root->Count(), 3);
  EXPECT_EQ(root->Items(1), b);
  EXPECT_EQ(b->Parent(), root);
  EXPECT_EQ(root->IndexOf(c), 2);
  EXPECT_THROW(root->Add(a), EMenuError);   // already in
  EXPECT_THROW(a->Add(root), EMenuError);   // would hold itself
  TMenuItem* d = Item(&form, nullptr, "D");
  EXPECT_THROW(root->Insert(4, d), EMenuError);
  EXPECT_THROW(d->Add(d), EMenuError);
  EXPECT_THROW(root->Delete(3), EMenuError);

  // Taking out leaves the item alive and free to go elsewhere.
  root->Delete(0);
  EXPECT_EQ(root->IndexOf(a), -1);
  EXPECT_EQ(a->Parent(), nullptr);
  b->Add(a);
  EXPECT_EQ(a->Parent(), b);
  root->Remove(c);
  EXPECT_EQ(root->Count(), 1);
  delete c;
  EXPECT_EQ(form.ComponentCount(), 4);  // root, a, b, d
}

TEST(TMenuItem, AParentDeletesItsItemsAndADeletedItemLeavesItsParent) {
  struct Counted : TMenuItem {
    explicit Counted(int& gone) : TMenuItem(nullptr), gone(gone) {}
    ~Counted() override { ++gone; }
    int& gone;
  };
  TForm form(nullptr);
  TMenuItem* root = Item(&form, nullptr, "");
  TMenuItem* sub = Item(&form, root, "sub");
  Item(&form, sub, "1");
  int gone = 0;
  sub->Add(new Counted(gone));  // no owner: only its parent deletes it
  TMenuItem* last = Item(&form, root, "last");
  delete last;
  EXPECT_EQ(root->Count(), 1);
  delete sub;  // with its two items
  EXPECT_EQ(gone, 1);
  EXPECT_EQ(root->Count(), 0);
  EXPECT_EQ(form.ComponentCount(), 1);
  Item(&form, Item(&form, root, "x"), "y");
  root->Clear();
  EXPECT_EQ(root->Count(), 0);
  EXPECT_EQ(form.ComponentCount(), 1);
}

TEST(TMenuItem, MenusAndItemsOwnedByTheFormGoInEitherOrder) {
  auto* form = new TForm(nullptr);
  auto* early = new TPopupMenu(form);  // made before its items: goes after them
  Item(form, Item(form, early->Items(), "a"), "b");
  TMenuItem* c = Item(form, nullptr, "c");
  auto* late = new TPopupMenu(form);  // made after its items: goes first, with them
  late->Items()->Add(c);
  Item(nullptr, c, "d");
  EXPECT_EQ(form->ComponentCount(), 5);
  delete late;
  EXPECT_EQ(form->ComponentCount(), 3);
  delete form;
}

TEST(TMenuItem, CheckingARadioItemClearsTheOthersOfItsGroupOnly) {
  TForm form(nullptr);
  TMenuItem* sort = Item(&form, nullptr, "ソート");
  TMenuItem* none = Radio(&form, sort, "なし", 1);
  Radio(&form, sort, "名前", 1);
  TMenuItem* size = Radio(&form, sort, "サイズ", 1);
  Item(&form, sort, "-");
  TMenuItem* plain = Item(&form, sort, "普通");  // group 1, not a radio item
  plain->SetGroupIndex(1);
  TMenuItem* forward = Radio(&form, sort, "昇順", 2);
  TMenuItem* backward = Radio(&form, sort, "降順", 2);
  TMenuItem* elsewhere = Radio(&form, Item(&form, nullptr, "他"), "別", 1);

  none->SetChecked(true);
  forward->SetChecked(true);
  plain->SetChecked(true);
  elsewhere->SetChecked(true);
  EXPECT_EQ(Marks(sort), "x...xx.");
  size->SetChecked(true);
  EXPECT_EQ(Marks(sort), "..x.xx.");
  backward->SetChecked(true);
  EXPECT_EQ(Marks(sort), "..x.x.x");
  EXPECT_TRUE(elsewhere->Checked());  // another parent's group

  // Joining a group with the mark takes it from the others.
  forward->SetGroupIndex(1);
  forward->SetChecked(true);
  EXPECT_EQ(Marks(sort), "....xxx");
  backward->SetGroupIndex(1);
  EXPECT_EQ(Marks(sort), "....x.x");
  plain->SetRadioItem(true);
  EXPECT_EQ(Marks(sort), "....x..");
  // So does a checked radio item put into the menu.
  TMenuItem* time = Radio(&form, nullptr, "日付", 1);
  time->SetChecked(true);
  sort->Insert(0, time);
  EXPECT_EQ(Marks(sort), "x.......");
  // Clearing the mark is allowed: nothing marks another one.
  time->SetChecked(false);
  EXPECT_EQ(Marks(sort), "........");
}

// --- TPopupMenu through the seam -------------------------------------------

TEST(TPopupMenu, OnlyWhatTheUserCouldChooseIsClicked) {
  FileMenu m;
  MenuSeam seam;
  int popups = 0;
  m.menu->OnPopup = [&](TObject* sender) {
    EXPECT_EQ(sender, m.menu);
    EXPECT_EQ(seam.opened, popups++);  // before the choice
    m.erase->SetEnabled(false);
  };
  for (TMenuItem* target : {m.erase, m.any, m.line, m.hidden, m.rename, m.menu->Items()}) {
    seam.choose = [target](TPopupMenu&) { return target; };
    m.menu->Popup(1, 2);
  }
  EXPECT_TRUE(m.clicked.empty());
  // Nor anything below a disabled submenu, nor another menu's item.
  m.rename->SetEnabled(false);
  seam.choose = [&](TPopupMenu&) { return m.upper; };
  m.menu->Popup(1, 2);
  TPopupMenu other(nullptr);
  TMenuItem* stranger = Item(nullptr, other.Items(), "外");
  bool strangerClicked = false;
  stranger->OnClick = [&](TObject*) { strangerClicked = true; };
  seam.choose = [&](TPopupMenu&) { return stranger; };
  m.menu->Popup(1, 2);
  EXPECT_FALSE(strangerClicked);
  EXPECT_TRUE(m.clicked.empty());

  m.rename->SetEnabled(true);
  m.menu->OnPopup = nullptr;
  seam.choose = [&](TPopupMenu& menu) {
    EXPECT_EQ(&menu, m.menu);
    return m.lower;
  };
  m.menu->Popup(30, 40);
  EXPECT_EQ(seam.at.x, 30);
  EXPECT_EQ(seam.at.y, 40);
  EXPECT_EQ(m.clicked, (std::vector<const TMenuItem*>{m.lower}));
  m.erase->Click();  // disabled: not even by the program
  EXPECT_EQ(m.clicked.size(), 1u);
}

// --- TPopupMenu for real ----------------------------------------------------

TEST(TPopupMenu, TheRealMenuShowsTheItemsAndTakesTheKeyboard) {
  FileMenu m;
  // Down onto the submenu, Right into it (its first item), Down, Enter.
  String shown = PressKeys(*m.menu, {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN});
  EXPECT_EQ(shown,
            "名前の変更[大文字にする|小文字にする|任意(grey)]|削除...|-|名前(bullet)|サイズ");
  EXPECT_EQ(m.clicked, (std::vector<const TMenuItem*>{m.lower}));

  // Escape closes it unused.
  m.clicked.clear();
  PressKeys(*m.menu, {VK_DOWN, VK_DOWN, VK_ESCAPE, VK_ESCAPE});
  EXPECT_TRUE(m.clicked.empty());

  // Changes show at the next opening, OnPopup's included. Enter on the
  // disabled item does nothing; Escape then closes.
  m.menu->OnPopup = [&](TObject*) { m.erase->SetEnabled(false); };
  m.sortSize->SetChecked(true);
  m.hidden->SetVisible(true);
  m.upper->SetCaption("大文字(&U)");
  m.rename->Delete(m.rename->IndexOf(m.lower));
  delete m.lower;
  m.menu->Items()->Delete(m.menu->Items()->IndexOf(m.line));
  shown = PressKeys(*m.menu, {VK_DOWN, VK_DOWN, VK_RETURN, VK_ESCAPE});
  EXPECT_EQ(shown,
            "名前の変更[大文字(&U)|任意(grey)]|削除...(grey)|隠し|名前|サイズ(bullet)");
  EXPECT_TRUE(m.clicked.empty());
  delete m.line;

  // Up from no selection goes to the last entry.
  shown = PressKeys(*m.menu, {VK_UP, VK_RETURN});
  EXPECT_EQ(m.clicked, (std::vector<const TMenuItem*>{m.sortSize}));
}

TEST(TPopupMenu, AnItemDeletedWhileTheMenuIsOpenIsNotClicked) {
  FileMenu m;
  // Timers and posted work run while the menu is up.
  PressKeys({VK_DOWN, VK_DOWN, VK_RETURN}, [&] { m.menu->Popup(10, 10); }, [&] { delete m.erase; });
  EXPECT_TRUE(m.clicked.empty());
}

// --- PopupMenu of a control -------------------------------------------------

TEST(TWinControl, RightClickOpensThePopupMenuAtTheMouseAndTheParentsWithout) {
  MenuSeam seam;
  TForm form(nullptr);
  form.SetClientSize(200, 100);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(10, 10, 150, 80);
  auto* inner = new TPanel(&form);
  inner->SetParent(panel);
  inner->SetBounds(20, 20, 50, 40);
  auto* menu = new TPopupMenu(&form);
  TMenuItem* item = Item(&form, menu->Items(), "項目");
  int clicks = 0;
  item->OnClick = [&](TObject*) { ++clicks; };
  seam.choose = [&](TPopupMenu&) { return item; };

  auto rightClick = [](TWinControl* control, int x, int y) {
    SendMessageA(control->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    SendMessageA(control->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(x, y));
  };
  rightClick(panel, 5, 6);
  EXPECT_EQ(seam.opened, 0);  // no menu anywhere yet

  panel->SetPopupMenu(menu);
  rightClick(panel, 5, 6);
  POINT expected{5, 6};
  ClientToScreen(panel->Handle(), &expected);
  EXPECT_EQ(seam.opened, 1);
  EXPECT_EQ(seam.at.x, expected.x);
  EXPECT_EQ(seam.at.y, expected.y);
  EXPECT_EQ(menu->PopupComponent(), panel);
  EXPECT_EQ(clicks, 1);

  // A control without a menu passes the click up to its parent's.
  rightClick(inner, 1, 1);
  expected = POINT{1, 1};
  ClientToScreen(inner->Handle(), &expected);
  EXPECT_EQ(seam.opened, 2);
  EXPECT_EQ(seam.at.x, expected.x);
  EXPECT_EQ(menu->PopupComponent(), panel);

  // Outside the client area the platform keeps the message.
  POINT outside{-5, -5};
  ClientToScreen(panel->Handle(), &outside);
  SendMessageA(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()),
               MAKELPARAM(outside.x, outside.y));
  EXPECT_EQ(seam.opened, 2);

  // A menu that goes is dropped by the controls that showed it.
  inner->SetPopupMenu(menu);
  delete menu;
  EXPECT_EQ(panel->PopupMenu(), nullptr);
  EXPECT_EQ(inner->PopupMenu(), nullptr);
  rightClick(inner, 1, 1);
  EXPECT_EQ(seam.opened, 2);
}

TEST(TWinControl, ShiftF10AndTheMenuKeyOpenThePopupMenuAtTheTopLeft) {
  MenuSeam seam;
  TForm form(nullptr);
  form.SetClientSize(200, 100);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(30, 20, 100, 50);
  auto* menu = new TPopupMenu(&form);
  panel->SetPopupMenu(menu);
  POINT corner{0, 0};
  ClientToScreen(panel->Handle(), &corner);

  BYTE keys[256];
  GetKeyboardState(keys);
  BYTE shifted[256];
  std::copy(keys, keys + 256, shifted);
  shifted[VK_SHIFT] = 0x80;
  SetKeyboardState(shifted);
  SendMessageA(panel->Handle(), WM_SYSKEYDOWN, VK_F10, 0);
  SetKeyboardState(keys);
  EXPECT_EQ(seam.opened, 1);
  EXPECT_EQ(seam.at.x, corner.x);
  EXPECT_EQ(seam.at.y, corner.y);

  SendMessageA(panel->Handle(), WM_KEYDOWN, VK_APPS, 0);
  EXPECT_EQ(seam.opened, 1);  // on the release
  SendMessageA(panel->Handle(), WM_KEYUP, VK_APPS, 0xC0000001);
  EXPECT_EQ(seam.opened, 2);
  EXPECT_EQ(seam.at.x, corner.x);
  EXPECT_EQ(seam.at.y, corner.y);
}

TEST(TWinControl, RightClickOpensTheRealMenu) {
  TForm form(nullptr);
  form.SetClientSize(200, 100);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(10, 10, 150, 80);
  auto* menu = new TPopupMenu(&form);
  panel->SetPopupMenu(menu);
  TMenuItem* first = Item(&form, menu->Items(), "すべて選択");
  TMenuItem* second = Item(&form, menu->Items(), "選択の切り替え");
  TObject* clicked = nullptr;
  first->OnClick = second->OnClick = [&](TObject* sender) { clicked = sender; };
  form.Show();
  String shown = PressKeys({VK_DOWN, VK_DOWN, VK_RETURN}, [&] {
    SendMessageA(panel->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 30));
    SendMessageA(panel->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(40, 30));
  });
  EXPECT_EQ(shown, "すべて選択|選択の切り替え");
  EXPECT_EQ(clicked, second);
}

TEST(TWinControl, RightClickOnAListViewOpensItsPopupMenu) {
  MenuSeam seam;
  TForm form(nullptr);
  form.SetClientSize(200, 100);
  auto* list = new TListView(&form);
  list->SetParent(&form);
  list->SetBounds(0, 0, 200, 100);
  list->AddColumn("名前", 100);
  list->AddItem("a.txt");
  auto* menu = new TPopupMenu(&form);
  list->SetPopupMenu(menu);
  form.Show();
  // The list view follows the mouse after the press until the button comes
  // up: the release waits in the queue, as it would after a real click, and
  // the mouse is where the click is (the menu opens where the mouse was).
  POINT at{10, 30};
  ClientToScreen(list->Handle(), &at);
  SetCursorPos(at.x, at.y);
  PostMessageA(list->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(10, 30));
  SendMessageA(list->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 30));
  Application().ProcessMessages();
  EXPECT_EQ(seam.opened, 1);
  EXPECT_EQ(menu->PopupComponent(), list);
}
