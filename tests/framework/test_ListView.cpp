#include "framework/ListView.h"

#include "framework/Forms.h"
#include "tests/helpers/Mouse.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

LRESULT Lv(TCustomListView* list, UINT msg, WPARAM wp, LPARAM lp = 0) {
  return SendMessageA(list->Handle(), msg, wp, lp);
}

// A text as the window hands it out through a buffer of size bytes.
String WindowText(TCustomListView* list, int index, int column, int size = 256) {
  std::vector<char> text(size + 1, '#');
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text.data();
  item.cchTextMax = size;
  Lv(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  return item.pszText;
}

UINT WindowState(TCustomListView* list, int index) {
  return static_cast<UINT>(Lv(list, LVM_GETITEMSTATE, index, LVIS_SELECTED | LVIS_FOCUSED));
}

void SetWindowState(TCustomListView* list, int index, UINT state) {
  LVITEMA item{};
  item.state = state;
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  Lv(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

class ListViewTest : public ::testing::Test {
protected:
  ListViewTest() {
    list->SetParent(&form);
    list->SetBounds(0, 0, 300, 220);
    list->AddColumn("名前", 100);
    list->OnChange = [this](TObject*, int index) { changes.push_back(index); };
  }

  // A notification as comctl32 sends it to the list's parent.
  LRESULT Notify(NMHDR& header, UINT code) {
    header = NMHDR{list->Handle(), static_cast<UINT_PTR>(list->ControlId()), code};
    return SendMessageA(form.Handle(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  }

  LRESULT Edit(UINT code, int index, const char* text = nullptr) {
    NMLVDISPINFOA info{};
    info.item.iItem = index;
    info.item.pszText = const_cast<char*>(text);
    return Notify(info.hdr, code);
  }

  TForm form{nullptr};
  TListView* list = new TListView(&form);
  std::vector<int> changes;
};

}  // namespace

TEST_F(ListViewTest, ColumnsAndItemsBeforeAndAfterTheWindow) {
  list->AddItem("一", {"いち"});
  list->HandleNeeded();
  EXPECT_EQ(list->AddColumn("数", ColumnHeaderWidth, taRightJustify), 1);
  list->AddItem("two");
  list->SetSubItem(1, 1, "に");
  EXPECT_EQ(Lv(list, LVM_GETITEMCOUNT, 0), 2);
  EXPECT_EQ(list->ColumnWidth(0), 100);
  EXPECT_GT(list->ColumnWidth(1), 0);
  EXPECT_EQ(WindowText(list, 0, 0), "一");
  EXPECT_EQ(WindowText(list, 0, 1), "いち");
  EXPECT_EQ(WindowText(list, 1, 1), "に");
  list->SetColumnWidth(1, 77);
  EXPECT_EQ(list->ColumnWidth(1), 77);
  list->Delete(0);
  EXPECT_EQ(WindowText(list, 0, 0), "two");
  list->Clear();
  EXPECT_EQ(Lv(list, LVM_GETITEMCOUNT, 0), 0);
}

TEST_F(ListViewTest, OwnersColumnsAreAskedAsShownAndMoveUpWhenOneGoes) {
  list->AddItem("一", {"いち"});
  list->AddItem("二");
  list->HandleNeeded();
  list->AddColumn("数", 60);
  list->AddColumn("甲", 60);
  list->AddColumn("乙", 60);
  std::vector<String> texts = {"甲0", "甲1", "乙0", "乙1"};
  list->OnColumnText = [&](int index, int column) -> const char* {
    if (column < 2) return nullptr;
    return texts[(column - 2) * 2 + index].c_str();
  };
  EXPECT_EQ(WindowText(list, 0, 1), "いち");  // stored texts come first
  EXPECT_EQ(WindowText(list, 1, 1), "");     // a stored row's empty sub-item
  EXPECT_EQ(WindowText(list, 1, 2), "甲1");
  EXPECT_EQ(WindowText(list, 0, 3), "乙0");
  list->DeleteColumn(2);
  EXPECT_EQ(list->ColumnCount(), 3);
  EXPECT_EQ(list->ColumnCaption(2), "乙");
  EXPECT_EQ(WindowText(list, 0, 1), "いち");
  texts = {"乙0", "乙1"};
  EXPECT_EQ(WindowText(list, 1, 2), "乙1");
}

TEST_F(ListViewTest, ShortBuffersNeverSplitADoubleByteCharacter) {
  list->AddItem("ab日本語");
  EXPECT_EQ(WindowText(list, 0, 0, 5), "ab日");
  EXPECT_EQ(WindowText(list, 0, 0, 6), "ab日");  // "本" would need the last byte
  EXPECT_EQ(WindowText(list, 0, 0, 7), "ab日本");
}

TEST_F(ListViewTest, AHundredThousandRows) {
  list->HandleNeeded();
  list->BeginUpdate();
  list->BeginUpdate();
  for (int i = 0; i < 100000; ++i) list->AddItem(IntToStr(i));
  list->EndUpdate();
  EXPECT_EQ(Lv(list, LVM_GETITEMCOUNT, 0), 0);  // still inside the outer pair
  list->EndUpdate();
  EXPECT_EQ(Lv(list, LVM_GETITEMCOUNT, 0), 100000);
  EXPECT_EQ(WindowText(list, 54321, 0), "54321");
  list->SetSelected(7, true);
  list->SetSortComparator(
      [this](auto& a, auto& b) { return CompareText(list->Caption(b), list->Caption(a)); });
  list->Sort();
  EXPECT_EQ(WindowText(list, 0, 0), "99999");
  EXPECT_EQ(list->Selected(), list->FindCaption(0, "7", false, false));
  EXPECT_EQ(Lv(list, LVM_GETSELECTEDCOUNT, 0), 1);
}

TEST_F(ListViewTest, SelectionFromTheModel) {
  for (const char* s : {"a", "b", "c", "d"}) list->AddItem(s);
  list->SetSelected(1, true);  // before the window
  list->HandleNeeded();
  list->SetItemFocused(3);
  EXPECT_EQ(WindowState(list, 1), static_cast<UINT>(LVIS_SELECTED));
  EXPECT_EQ(WindowState(list, 3), static_cast<UINT>(LVIS_FOCUSED));
  EXPECT_EQ(changes, (std::vector<int>{1, 3}));
  list->SelectAll();
  EXPECT_EQ(Lv(list, LVM_GETSELECTEDCOUNT, 0), 4);
  list->ClearSelection();
  EXPECT_EQ(Lv(list, LVM_GETSELECTEDCOUNT, 0), 0);
  EXPECT_EQ(list->Selected(), -1);
}

TEST_F(ListViewTest, SelectionFromTheWindow) {
  for (const char* s : {"a", "b", "c", "d"}) list->AddItem(s);
  SetWindowState(list, 2, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_TRUE(list->Selected(2));
  EXPECT_EQ(list->ItemFocused(), 2);
  EXPECT_EQ(changes.back(), 2);
  SetWindowState(list, -1, LVIS_SELECTED);
  EXPECT_EQ(list->SelCount(), 4);
  SetWindowState(list, -1, 0);
  EXPECT_EQ(list->SelCount(), 0);
  NMLVODSTATECHANGE range{};  // a shift-click
  range.iFrom = 1;
  range.iTo = 3;
  range.uNewState = LVIS_SELECTED;
  Notify(range.hdr, LVN_ODSTATECHANGED);
  EXPECT_EQ(list->SelCount(), 3);
  EXPECT_EQ(changes.back(), -1);
}

TEST_F(ListViewTest, SortingKeepsSelectionsWithTheirItems) {
  for (const char* s : {"c", "a", "B", "a"}) list->AddItem(s, {}, nullptr);
  list->SetSelected(0, true);
  list->SetItemFocused(3);
  list->AlphaSort();
  EXPECT_EQ(WindowText(list, 2, 0), "B");
  EXPECT_EQ(WindowState(list, 3), static_cast<UINT>(LVIS_SELECTED));
  EXPECT_EQ(WindowState(list, 1), static_cast<UINT>(LVIS_FOCUSED));  // stable
  list->SetAutoSort(true);
  list->SetCaption(3, "0");
  EXPECT_EQ(WindowText(list, 0, 0), "0");
  EXPECT_TRUE(list->Selected(0));
}

TEST_F(ListViewTest, TextsStayRightThroughManyChanges) {
  // A model of what every row should show, changed the same way.
  std::vector<std::vector<String>> model;
  for (int i = 0; i < 200; ++i) {
    model.push_back({"row" + IntToStr(i), "表" + IntToStr(i)});
    list->AddItem(model.back()[0], {model.back()[1]});
  }
  list->HandleNeeded();
  for (int k = 0; k < 3000; ++k) {
    const int row = (k * 37) % 200;
    const int column = k % 3;  // the third column is new to every row
    String text = String(k % 7, 'x') + "ソ" + IntToStr(k);
    if (model[row].size() <= static_cast<size_t>(column)) model[row].resize(column + 1);
    model[row][column] = text;
    if (column == 0) list->SetCaption(row, text);
    else list->SetSubItem(row, column, text);
  }
  list->Delete(5);
  model.erase(model.begin() + 5);
  for (int row = 0; row < list->Count(); ++row) {
    for (int column = 0; column < 4; ++column) {
      const String want = column < static_cast<int>(model[row].size()) ? model[row][column] : "";
      ASSERT_EQ(list->Text(row, column), want) << row << "," << column;
    }
    ASSERT_EQ(WindowText(list, row, 1), model[row][1]);
  }
  list->Clear();
  list->AddItem("alone", {"sub"});
  EXPECT_STREQ(list->Caption(0), "alone");
  EXPECT_STREQ(list->SubItem(0, 0), "sub");
  EXPECT_STREQ(list->SubItem(0, 1), "");
}

TEST_F(ListViewTest, SelectRowsAtOnce) {
  for (const char* s : {"a", "b", "c", "d"}) list->AddItem(s);
  list->HandleNeeded();
  changes.clear();
  list->SelectRows({0, 2, 3});
  EXPECT_EQ(changes, std::vector<int>{-1});
  EXPECT_EQ(list->SelCount(), 3);
  EXPECT_EQ(Lv(list, LVM_GETSELECTEDCOUNT, 0), 3);
  EXPECT_EQ(WindowState(list, 1), 0u);
}

TEST_F(ListViewTest, ColumnClick) {
  int clicked = -1;
  list->OnColumnClick = [&](TObject*, int column) { clicked = column; };
  NMLISTVIEW lv{};
  lv.iSubItem = 1;
  Notify(lv.hdr, LVN_COLUMNCLICK);
  EXPECT_EQ(clicked, 1);
}

TEST_F(ListViewTest, LabelEditAcceptAndCancel) {
  list->AddItem("old");
  bool allow = false;
  list->OnEditing = [&](TObject*, int, bool& allowEdit) { allowEdit = allow; };
  list->OnEdited = [](TObject*, int, String& text) { text += "!"; };
  EXPECT_EQ(Edit(LVN_BEGINLABELEDITA, 0), TRUE);
  allow = true;
  EXPECT_EQ(Edit(LVN_BEGINLABELEDITA, 0), FALSE);
  EXPECT_EQ(Edit(LVN_ENDLABELEDITA, 0, nullptr), FALSE);  // cancelled
  EXPECT_STREQ(list->Caption(0), "old");
  EXPECT_EQ(Edit(LVN_ENDLABELEDITA, 0, "新しい"), TRUE);
  EXPECT_EQ(WindowText(list, 0, 0), "新しい!");
  // The window's own editor, ended by Enter.
  ASSERT_TRUE(list->EditCaption(0));
  HWND editor = reinterpret_cast<HWND>(Lv(list, LVM_GETEDITCONTROL, 0));
  ASSERT_NE(editor, nullptr);
  SetWindowTextA(editor, "改");
  SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_STREQ(list->Caption(0), "改!");
  list->SetReadOnly(true);
  EXPECT_EQ(Edit(LVN_BEGINLABELEDITA, 0), TRUE);
}

TEST_F(ListViewTest, AnEditBelongsToItsCaptionWhileTheRowsChange) {
  for (const char* s : {"a", "b", "c"}) list->AddItem(s);
  std::vector<int> edited;
  list->OnEdited = [&](TObject*, int index, String&) { edited.push_back(index); };
  auto rebuild = [&](std::initializer_list<const char*> captions) {
    list->Clear();
    for (const char* s : captions) list->AddItem(s);
  };
  // Rebuilt while the user types: the typed name goes to "b" where it is now.
  EXPECT_EQ(Edit(LVN_BEGINLABELEDITA, 1), FALSE);
  rebuild({"x", "c", "b"});
  EXPECT_EQ(Edit(LVN_ENDLABELEDITA, 1, "bb"), TRUE);
  EXPECT_EQ(edited, std::vector<int>{2});
  EXPECT_STREQ(list->Caption(1), "c");
  EXPECT_STREQ(list->Caption(2), "bb");

  // Its row gone: the edit is cancelled, nothing else renamed.
  edited.clear();
  EXPECT_EQ(Edit(LVN_BEGINLABELEDITA, 2), FALSE);
  rebuild({"x", "c"});
  EXPECT_EQ(Edit(LVN_ENDLABELEDITA, 2, "y"), FALSE);
  EXPECT_EQ(Edit(LVN_ENDLABELEDITA, 1, "y"), FALSE);
  EXPECT_TRUE(edited.empty());
  EXPECT_STREQ(list->Caption(1), "c");

  // Rebuilt while the handler waits for the user (an error box).
  EXPECT_EQ(Edit(LVN_BEGINLABELEDITA, 0), FALSE);
  list->OnEdited = [&](TObject*, int, String&) { rebuild({"c", "x"}); };
  EXPECT_EQ(Edit(LVN_ENDLABELEDITA, 0, "z"), TRUE);
  EXPECT_STREQ(list->Caption(0), "c");
  EXPECT_STREQ(list->Caption(1), "z");
}

TEST_F(ListViewTest, FindCaptionIgnoresAsciiCase) {
  for (const char* s : {"Apple", "ａｂ", "APRICOT", "日本"}) list->AddItem(s);
  EXPECT_EQ(list->FindCaption(1, "ap", true, false), 2);
  EXPECT_EQ(list->FindCaption(3, "apple", false, false), -1);
  EXPECT_EQ(list->FindCaption(3, "apple", false, true), 0);
  EXPECT_EQ(list->FindCaption(0, "ＡＢ", false, false), -1);  // wide letters stay
  LVFINDINFOA how{LVFI_PARTIAL | LVFI_STRING, "日", 0, {}, 0};
  EXPECT_EQ(Lv(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&how)), 3);
}

TEST_F(ListViewTest, StateSurvivesRecreateWnd) {
  for (int i = 0; i < 200; ++i) list->AddItem("row", {IntToStr(i)});
  list->SetSelected(150, true);
  list->SetItemFocused(150);
  Lv(list, LVM_ENSUREVISIBLE, 150, FALSE);
  const LRESULT top = Lv(list, LVM_GETTOPINDEX, 0);
  EXPECT_GT(top, 0);
  list->SetColumnWidth(0, 90);
  list->RecreateWnd();
  EXPECT_EQ(WindowText(list, 150, 1), "150");
  EXPECT_EQ(WindowState(list, 150), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(list->ColumnWidth(0), 90);
  EXPECT_EQ(Lv(list, LVM_GETTOPINDEX, 0), top);
}

TEST_F(ListViewTest, ADraggedRowCarriesItsOwnPicture) {
  list->AddItem("一行目");
  list->AddItem("二行目");
  list->SetDragMode(dmAutomatic);
  form.SetClientSize(320, 240);
  form.Show();
  RECT r{LVIR_BOUNDS, 0, 0, 0};
  Lv(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  MouseTo(OnScreen(list->Handle(), r.left + 10, r.top + 3));
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseTo(OnScreen(list->Handle(), r.left + 60, r.top + 60));
  Application().ProcessMessages();
  ASSERT_TRUE(list->Dragging());
  int width = 0, height = 0;
  ImageList_GetIconSize(ImageList_GetDragImage(nullptr, nullptr), &width, &height);
  EXPECT_LE(height, 2 * (r.bottom - r.top));
  MouseButton(MOUSEEVENTF_LEFTUP);
  Application().ProcessMessages();
}
