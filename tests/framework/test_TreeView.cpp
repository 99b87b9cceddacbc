#include "framework/TreeView.h"

#include "framework/Format.h"
#include "framework/Forms.h"
#include "tests/helpers/Mouse.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

LRESULT Tv(TCustomTreeView* tree, UINT msg, WPARAM wp, const void* lp = nullptr) {
  return SendMessageA(tree->Handle(), msg, wp, reinterpret_cast<LPARAM>(lp));
}

HTREEITEM Next(TCustomTreeView* tree, HTREEITEM item, UINT how) {
  return reinterpret_cast<HTREEITEM>(Tv(tree, TVM_GETNEXTITEM, how, item));
}

TVITEMA ItemOf(TCustomTreeView* tree, HTREEITEM item, char* text = nullptr, int size = 0) {
  TVITEMA tv{};
  tv.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_CHILDREN | TVIF_STATE | TVIF_PARAM;
  tv.hItem = item;
  tv.stateMask = TVIS_EXPANDED | TVIS_SELECTED;
  tv.pszText = text;
  tv.cchTextMax = size;
  Tv(tree, TVM_GETITEMA, 0, &tv);
  return tv;
}

String TextOf(TCustomTreeView* tree, HTREEITEM item) {
  char text[256] = "";
  ItemOf(tree, item, text, sizeof text);
  return text;
}

// The texts of the window's items below parent (TVI_ROOT for the top), as
// the window has them.
std::vector<String> WindowTexts(TCustomTreeView* tree, HTREEITEM parent) {
  std::vector<String> texts;
  HTREEITEM item = parent == TVI_ROOT ? Next(tree, nullptr, TVGN_ROOT) : Next(tree, parent, TVGN_CHILD);
  for (; item; item = Next(tree, item, TVGN_NEXT)) texts.push_back(TextOf(tree, item));
  return texts;
}

std::vector<String> ModelTexts(TTreeNode* first) {
  std::vector<String> texts;
  for (TTreeNode* n = first; n; n = n->GetNextSibling()) texts.push_back(n->Text());
  return texts;
}

bool WindowExpanded(TTreeNode* node) {
  return ItemOf(node->TreeView(), node->ItemId()).state & TVIS_EXPANDED;
}

// A key the user presses in the tree.
void Key(TCustomTreeView* tree, WPARAM key) {
  Tv(tree, WM_KEYDOWN, key);
  Tv(tree, WM_KEYUP, key);
}

class TreeViewTest : public ::testing::Test {
protected:
  TreeViewTest() {
    form.SetClientSize(320, 240);
    tree->SetParent(&form);
    tree->SetBounds(0, 0, 300, 220);
    tree->OnChange = [this](TObject*, TTreeNode* node) { changedTo.push_back(node); };
  }

  TForm form{nullptr};
  TTreeView* tree = new TTreeView(&form);
  std::vector<TTreeNode*> changedTo;
};

}  // namespace

TEST_F(TreeViewTest, NodesBuiltBeforeAndAfterTheWindowAreItsItems) {
  tree->RecreateWnd();  // no window yet: nothing happens
  TTreeView early(nullptr);
  early.SetParent(&form);
  TTreeNode* c = early.Items().Add(nullptr, "C:");
  TTreeNode* win = early.Items().AddChild(c, "Windows");
  int tag = 7;
  TTreeNode* jp = early.Items().AddChildObject(c, "表示ソフト", &tag);  // trail byte 0x5C
  EXPECT_FALSE(early.HandleAllocated());
  EXPECT_EQ(win->ItemId(), nullptr);
  EXPECT_EQ(Tv(&early, TVM_GETCOUNT, 0), 3);
  EXPECT_EQ(WindowTexts(&early, c->ItemId()), (std::vector<String>{"Windows", "表示ソフト"}));
  EXPECT_EQ(ItemOf(&early, c->ItemId()).cChildren, 1);

  TTreeNode* d = early.Items().Add(c, "D:");
  TTreeNode* deep = early.Items().AddChild(jp, "日本語");
  EXPECT_EQ(WindowTexts(&early, TVI_ROOT), (std::vector<String>{"C:", "D:"}));
  EXPECT_EQ(TextOf(&early, deep->ItemId()), "日本語");
  EXPECT_EQ(Next(&early, deep->ItemId(), TVGN_PARENT), jp->ItemId());

  EXPECT_EQ(early.Items().Count(), 5);
  EXPECT_EQ(early.Items().GetFirstNode(), c);
  EXPECT_EQ(early.Items().Item(3), deep);
  EXPECT_EQ(early.Items().Item(4), d);
  EXPECT_EQ(early.Items().Item(5), nullptr);
  EXPECT_EQ(deep->Level(), 2);
  EXPECT_EQ(jp->Index(), 1);
  EXPECT_EQ(jp->Parent(), c);
  EXPECT_EQ(c->Parent(), nullptr);
  EXPECT_EQ(c->Item(1), jp);
  EXPECT_EQ(jp->Data(), &tag);
  jp->SetText("名前ソ表");
  EXPECT_EQ(TextOf(&early, jp->ItemId()), "名前ソ表");
}

TEST_F(TreeViewTest, LazyExpansionAddsChildrenAndTheVetoKeepsNodesClosed) {
  TTreeNode* lazy = tree->Items().Add(nullptr, "lazy");
  TTreeNode* locked = tree->Items().Add(nullptr, "locked");
  TTreeNode* empty = tree->Items().Add(nullptr, "empty");
  tree->HandleNeeded();
  for (TTreeNode* n : {lazy, locked, empty}) n->SetHasChildren(true);
  std::vector<TTreeNode*> asked;
  tree->OnExpanding = [&](TObject*, TTreeNode* node, bool& allow) {
    asked.push_back(node);
    if (node == lazy && node->Count() == 0) {
      tree->Items().AddChild(node, "one");
      tree->Items().AddChild(node, "two");
    }
    allow = node != locked;
  };
  EXPECT_EQ(ItemOf(tree, lazy->ItemId()).cChildren, 1);  // "+" before any child

  tree->SetSelected(lazy);
  Key(tree, VK_ADD);  // the user opens it
  EXPECT_EQ(asked, std::vector<TTreeNode*>{lazy});
  EXPECT_TRUE(lazy->Expanded());
  EXPECT_TRUE(WindowExpanded(lazy));
  EXPECT_EQ(WindowTexts(tree, lazy->ItemId()), (std::vector<String>{"one", "two"}));

  tree->SetSelected(locked);
  Key(tree, VK_ADD);
  locked->Expand();
  EXPECT_EQ(asked.size(), 3u);
  EXPECT_FALSE(locked->Expanded());
  EXPECT_FALSE(WindowExpanded(locked));
  EXPECT_TRUE(locked->HasChildren());

  empty->Expand();  // asked, got nothing: the button goes
  EXPECT_EQ(asked.back(), empty);
  EXPECT_FALSE(empty->HasChildren());
  EXPECT_EQ(ItemOf(tree, empty->ItemId()).cChildren, 0);

  bool allowCollapse = false;
  tree->OnCollapsing = [&](TObject*, TTreeNode*, bool& allow) { allow = allowCollapse; };
  lazy->Collapse();
  EXPECT_TRUE(WindowExpanded(lazy));
  allowCollapse = true;
  lazy->Collapse();
  EXPECT_FALSE(WindowExpanded(lazy));
  lazy->Expand();  // asked again even though the window opened it once
  EXPECT_EQ(asked.back(), lazy);
  EXPECT_EQ(lazy->Count(), 2);
  EXPECT_TRUE(WindowExpanded(lazy));
}

TEST_F(TreeViewTest, SelectionChangeFiresOnChangeOnceWithTheNode) {
  TTreeNode* a = tree->Items().Add(nullptr, "a");
  TTreeNode* b = tree->Items().Add(nullptr, "b");
  TTreeNode* c = tree->Items().Add(nullptr, "c");
  tree->SetSelected(a);
  EXPECT_EQ(changedTo, std::vector<TTreeNode*>{a});
  tree->SetSelected(a);
  EXPECT_EQ(changedTo.size(), 1u);
  Key(tree, VK_DOWN);  // the user moves on
  EXPECT_EQ(changedTo, (std::vector<TTreeNode*>{a, b}));
  EXPECT_TRUE(b->Selected());
  EXPECT_EQ(Next(tree, nullptr, TVGN_CARET), b->ItemId());

  tree->OnChanging = [&](TObject*, TTreeNode* to, bool& allow) { allow = to != c; };
  Key(tree, VK_DOWN);
  EXPECT_EQ(tree->Selected(), b);
  EXPECT_EQ(changedTo.size(), 2u);

  int clicks = 0;
  tree->OnClick = [&](TObject*) { ++clicks; };
  NMHDR header{tree->Handle(), static_cast<UINT_PTR>(tree->ControlId()), static_cast<UINT>(NM_CLICK)};
  SendMessageA(form.Handle(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(clicks, 1);
}

TEST_F(TreeViewTest, SortingFollowsLstrcmpA) {
  const std::vector<String> texts{"cherry", "Banana", "apple", "Apple", "さくら", "あおい", "bad"};
  for (const String& t : texts) tree->Items().Add(nullptr, t);
  std::vector<String> expected = texts;
  std::sort(expected.begin(), expected.end(),
            [](const String& x, const String& y) { return lstrcmpA(x.c_str(), y.c_str()) < 0; });
  std::vector<String> bytewise = texts;
  std::sort(bytewise.begin(), bytewise.end());
  ASSERT_NE(expected, bytewise);  // letter case is not byte order here

  tree->AlphaSort();
  EXPECT_EQ(ModelTexts(tree->Items().GetFirstNode()), expected);
  EXPECT_EQ(WindowTexts(tree, TVI_ROOT), expected);

  TTreeNode* parent = tree->Items().GetFirstNode();
  tree->SetSortType(stText);
  for (const char* t : {"zeta", "Alpha", "beta", "ガ", "カ"}) tree->Items().AddChild(parent, t);
  std::vector<String> kids = ModelTexts(parent->GetFirstChild());
  EXPECT_TRUE(std::is_sorted(kids.begin(), kids.end(), [](const String& x, const String& y) {
    return lstrcmpA(x.c_str(), y.c_str()) < 0;
  }));
  EXPECT_EQ(WindowTexts(tree, parent->ItemId()), kids);
  TTreeNode* renamed = parent->GetFirstChild();
  renamed->SetText("zzz");  // a renamed node moves to its place
  EXPECT_NE(parent->GetFirstChild(), renamed);
  kids = ModelTexts(parent->GetFirstChild());
  EXPECT_TRUE(std::is_sorted(kids.begin(), kids.end(), [](const String& x, const String& y) {
    return lstrcmpA(x.c_str(), y.c_str()) < 0;
  }));
  EXPECT_EQ(WindowTexts(tree, parent->ItemId()), kids);
}

TEST_F(TreeViewTest, RecreateKeepsNodesExpandedAndSelected) {
  TTreeNode* top = tree->Items().Add(nullptr, "上");
  TTreeNode* mid = tree->Items().AddChild(top, "中");
  TTreeNode* low = tree->Items().AddChild(mid, "下");
  TTreeNode* other = tree->Items().Add(nullptr, "other");
  tree->Items().AddChild(other, "closed");
  top->Expand();
  Tv(tree, TVM_EXPAND, TVE_EXPAND, mid->ItemId());  // opened by the window alone
  tree->SetSelected(low);
  changedTo.clear();

  HWND before = tree->Handle();
  tree->RecreateWnd();
  EXPECT_NE(tree->Handle(), before);
  EXPECT_EQ(Tv(tree, TVM_GETCOUNT, 0), 5);
  EXPECT_EQ(WindowTexts(tree, TVI_ROOT), (std::vector<String>{"上", "other"}));
  EXPECT_EQ(TextOf(tree, low->ItemId()), "下");
  EXPECT_TRUE(WindowExpanded(top));
  EXPECT_TRUE(WindowExpanded(mid));
  EXPECT_FALSE(WindowExpanded(other));
  EXPECT_EQ(Next(tree, nullptr, TVGN_CARET), low->ItemId());
  EXPECT_EQ(tree->Selected(), low);
  EXPECT_TRUE(changedTo.empty());

  tree->SetParent(nullptr);  // window gone: the state stays in the nodes
  EXPECT_FALSE(tree->HandleAllocated());
  EXPECT_TRUE(mid->Expanded());
  EXPECT_EQ(tree->Selected(), low);
  EXPECT_EQ(low->ItemId(), nullptr);
}

TEST_F(TreeViewTest, DeletingANodeTakesItsChildrenAndMovesTheSelection) {
  TTreeNode* a = tree->Items().Add(nullptr, "a");
  TTreeNode* b = tree->Items().Add(nullptr, "b");
  TTreeNode* a1 = tree->Items().AddChild(a, "a1");
  TTreeNode* a2 = tree->Items().AddChild(a1, "a2");
  tree->Items().AddChild(a2, "a3");
  TTreeNode* b1 = tree->Items().AddChild(b, "b1");
  tree->SetSelected(a2);
  changedTo.clear();

  a->Delete();
  EXPECT_EQ(changedTo, std::vector<TTreeNode*>{b});
  EXPECT_EQ(tree->Items().Count(), 2);
  EXPECT_EQ(Tv(tree, TVM_GETCOUNT, 0), 2);
  EXPECT_EQ(tree->Items().GetFirstNode(), b);
  EXPECT_EQ(b->Index(), 0);

  b1->Delete();  // the last child: no "+" left
  EXPECT_FALSE(b->HasChildren());
  EXPECT_EQ(ItemOf(tree, b->ItemId()).cChildren, 0);
  tree->Items().Clear();
  EXPECT_EQ(changedTo, (std::vector<TTreeNode*>{b, nullptr}));
  EXPECT_EQ(Tv(tree, TVM_GETCOUNT, 0), 0);
  EXPECT_EQ(tree->Items().GetFirstNode(), nullptr);
}

namespace {
HWND watched;
std::vector<WPARAM> redraws;
LRESULT CALLBACK Watch(int code, WPARAM wp, LPARAM lp) {
  auto* msg = reinterpret_cast<CWPSTRUCT*>(lp);
  if (code == HC_ACTION && msg->hwnd == watched && msg->message == WM_SETREDRAW) {
    redraws.push_back(msg->wParam);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
}  // namespace

TEST_F(TreeViewTest, BeginUpdateNestsAndRedrawsOnlyAtTheOuterEnd) {
  watched = tree->Handle();
  redraws.clear();
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, Watch, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  tree->Items().BeginUpdate();
  tree->Items().BeginUpdate();
  tree->Items().Add(nullptr, "x");
  tree->Items().EndUpdate();
  EXPECT_TRUE(tree->Items().Updating());
  EXPECT_EQ(redraws, std::vector<WPARAM>{FALSE});
  tree->Items().EndUpdate();
  tree->Items().EndUpdate();  // one too many: ignored
  EXPECT_EQ(redraws, (std::vector<WPARAM>{FALSE, TRUE}));
  UnhookWindowsHookEx(hook);
  EXPECT_FALSE(tree->Items().Updating());
}

TEST_F(TreeViewTest, LabelEditsReachTheNodeUnlessReadOnly) {
  TTreeNode* node = tree->Items().Add(nullptr, "old");
  // What comctl32 sends the parent around the user's label edit.
  auto edit = [&](UINT code, const char* text) {
    NMTVDISPINFOA info{};
    info.hdr = {tree->Handle(), static_cast<UINT_PTR>(tree->ControlId()), code};
    info.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_HANDLE;
    info.item.hItem = node->ItemId();
    info.item.lParam = reinterpret_cast<LPARAM>(node);
    info.item.pszText = const_cast<char*>(text);
    return SendMessageA(form.Handle(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
  };
  EXPECT_EQ(edit(TVN_BEGINLABELEDITA, nullptr), FALSE);
  EXPECT_EQ(edit(TVN_ENDLABELEDITA, "新しい名前"), TRUE);
  EXPECT_EQ(node->Text(), "新しい名前");
  EXPECT_EQ(edit(TVN_ENDLABELEDITA, nullptr), FALSE);  // cancelled
  EXPECT_EQ(node->Text(), "新しい名前");
  tree->SetReadOnly(true);
  EXPECT_EQ(edit(TVN_BEGINLABELEDITA, nullptr), TRUE);
}

TEST_F(TreeViewTest, StylesFollowTheProperties) {
  auto style = [this] { return static_cast<DWORD>(GetWindowLongA(tree->Handle(), GWL_STYLE)); };
  const DWORD lines = TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT;
  EXPECT_EQ(style() & lines, lines);
  EXPECT_TRUE(style() & TVS_EDITLABELS);
  EXPECT_FALSE(style() & TVS_SHOWSELALWAYS);
  tree->SetReadOnly(true);
  tree->SetHideSelection(false);
  EXPECT_FALSE(style() & TVS_EDITLABELS);
  EXPECT_TRUE(style() & TVS_SHOWSELALWAYS);
  tree->RecreateWnd();
  EXPECT_FALSE(style() & TVS_EDITLABELS);
  EXPECT_TRUE(style() & TVS_SHOWSELALWAYS);
  EXPECT_EQ(style() & lines, lines);
}

TEST_F(TreeViewTest, SiblingStepsAndPlacesFollowEveryChange) {
  TTreeNode* parent = tree->Items().Add(nullptr, "p");
  for (const char* text : {"d", "b", "e", "a"}) tree->Items().AddChild(parent, text);
  auto check = [&] {
    int i = 0;
    for (TTreeNode* n = parent->GetFirstChild(); n; n = n->GetNextSibling(), ++i) {
      EXPECT_EQ(n->Index(), i) << n->Text();
      EXPECT_EQ(parent->Item(i), n);
      EXPECT_EQ(n->GetPrevSibling(), i ? parent->Item(i - 1) : nullptr);
    }
    EXPECT_EQ(i, parent->Count());
  };
  check();
  parent->AlphaSort();
  EXPECT_EQ(ModelTexts(parent->GetFirstChild()), (std::vector<String>{"a", "b", "d", "e"}));
  check();
  parent->Item(1)->Delete();
  check();
  tree->SetSortType(stText);
  tree->Items().AddChild(parent, "c");  // in its place
  EXPECT_EQ(ModelTexts(parent->GetFirstChild()), (std::vector<String>{"a", "c", "d", "e"}));
  check();
}

TEST_F(TreeViewTest, ACollapseThatTakesTheSelectionUpFiresOnChange) {
  TTreeNode* top = tree->Items().Add(nullptr, "top");
  TTreeNode* inner = tree->Items().AddChild(top, "inner");
  tree->HandleNeeded();
  top->Expand(false);
  tree->SetSelected(inner);
  std::vector<TTreeNode*> changed;
  tree->OnChange = [&](TObject*, TTreeNode* node) { changed.push_back(node); };
  top->Collapse(false);
  EXPECT_EQ(tree->Selected(), top);
  EXPECT_EQ(changed, std::vector<TTreeNode*>{top});
}

TEST_F(TreeViewTest, IndentBeforeAndAfterTheWindow) {
  tree->SetIndent(19);
  tree->HandleNeeded();
  EXPECT_EQ(Tv(tree, TVM_GETINDENT, 0), 19);
  tree->SetIndent(25);
  EXPECT_EQ(Tv(tree, TVM_GETINDENT, 0), 25);
  EXPECT_EQ(tree->Indent(), 25);
}

namespace {
// Decides a "+" for every third node, counting the questions.
class DeferringTree : public TCustomTreeView {
public:
  using TCustomTreeView::TCustomTreeView;
  std::vector<String> asked;

protected:
  bool DecideHasChildren(TTreeNode* node) override {
    asked.push_back(node->Text());
    return node->Index() % 3 == 0;
  }
};
}  // namespace

TEST(TreeViewDeferred, ButtonsAreDecidedForTheNodesShownAndOnceEach) {
  TForm form(nullptr);
  form.SetClientSize(200, 200);
  auto* tree = new DeferringTree(&form);
  tree->SetParent(&form);
  tree->SetBounds(0, 0, 200, 200);
  TTreeNode* top = tree->Items().Add(nullptr, "top");
  tree->SetDeferHasChildren(true);
  for (int i = 0; i < 2000; ++i) tree->Items().AddChild(top, "n" + std::to_string(10000 + i));
  EXPECT_TRUE(top->HasChildrenKnown());
  form.Show();
  top->Expand(false);
  UpdateWindow(tree->Handle());
  // Only the first screenful was asked about, each node once.
  const size_t shown = tree->asked.size();
  EXPECT_GE(shown, 5u);
  EXPECT_LE(shown, 40u);
  UpdateWindow(tree->Handle());
  InvalidateRect(tree->Handle(), nullptr, TRUE);
  UpdateWindow(tree->Handle());
  EXPECT_EQ(tree->asked.size(), shown);
  EXPECT_EQ(std::set<String>(tree->asked.begin(), tree->asked.end()).size(), shown);
  EXPECT_TRUE(top->Item(0)->HasChildren());
  EXPECT_FALSE(top->Item(1)->HasChildren());
  EXPECT_EQ(tree->asked.size(), shown);

  // Scrolling to the end finds the nodes it shows; a node never shown
  // is decided when the program asks, once.
  TTreeNode* last = top->Item(1999);
  EXPECT_FALSE(last->HasChildrenKnown());
  Tv(tree, TVM_ENSUREVISIBLE, 0, last->ItemId());
  UpdateWindow(tree->Handle());
  EXPECT_TRUE(last->HasChildrenKnown());
  TTreeNode* middle = top->Item(999);
  EXPECT_FALSE(middle->HasChildrenKnown());
  EXPECT_TRUE(middle->HasChildren());  // 999 is a multiple of 3
  EXPECT_TRUE(middle->HasChildren());
  EXPECT_EQ(std::count(tree->asked.begin(), tree->asked.end(), middle->Text()), 1);
  EXPECT_LT(tree->asked.size(), 100u);

  // Children made for a node shown without a "+" give it one; deleting
  // them all at once closes it and takes its "+" and a selection among
  // them.
  TTreeNode* inner = top->Item(4);
  ASSERT_EQ(ItemOf(tree, inner->ItemId()).cChildren, 0);
  tree->Items().AddChild(inner, "x");
  tree->Items().AddChild(inner, "y");
  EXPECT_EQ(ItemOf(tree, inner->ItemId()).cChildren, 1);  // (Wine's control also sets it)
  inner->Expand(false);
  tree->SetSelected(inner->Item(1));
  std::vector<TTreeNode*> changes;
  tree->OnChange = [&](TObject*, TTreeNode* node) { changes.push_back(node); };
  inner->DeleteChildren();
  EXPECT_EQ(changes, std::vector<TTreeNode*>{inner});
  EXPECT_EQ(inner->Count(), 0);
  EXPECT_FALSE(inner->Expanded());
  EXPECT_FALSE(inner->HasChildren());
  EXPECT_EQ(ItemOf(tree, inner->ItemId()).cChildren, 0);
  EXPECT_EQ(Next(tree, inner->ItemId(), TVGN_CHILD), nullptr);
  EXPECT_EQ(tree->Selected(), inner);
  EXPECT_EQ(Tv(tree, TVM_GETCOUNT, 0), 2001);
}

TEST_F(TreeViewTest, ADraggedNodeCarriesItsOwnPicture) {
  tree->Items().Add(nullptr, "一番目");
  TTreeNode* second = tree->Items().Add(nullptr, "二番目の長い名前");
  tree->SetDragMode(dmAutomatic);
  form.Show();
  RECT r{};
  const HTREEITEM item = second->ItemId();
  std::memcpy(&r, &item, sizeof item);
  Tv(tree, TVM_GETITEMRECT, TRUE, &r);
  // The control follows the mouse from the press until it leaves the place
  // of a click: the move waits in the queue, as after a real press.
  MouseTo(OnScreen(tree->Handle(), r.left + 5, r.top + 3));
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseTo(OnScreen(tree->Handle(), r.left + 40, r.top + 60));
  Application().ProcessMessages();
  ASSERT_TRUE(tree->Dragging());
  POINT hotspot{};
  int width = 0, height = 0;
  ImageList_GetIconSize(ImageList_GetDragImage(nullptr, &hotspot), &width, &height);
  // The node's picture, held where it was grabbed: a row high, its text wide.
  EXPECT_LE(height, 2 * (r.bottom - r.top));
  EXPECT_GT(width, r.right - r.left - 8);
  EXPECT_LT(width, tree->Width() / 2);
  EXPECT_EQ(hotspot.y, 3);
  MouseButton(MOUSEEVENTF_LEFTUP);
  Application().ProcessMessages();
  EXPECT_FALSE(tree->Dragging());
}

TEST_F(TreeViewTest, PointsDropTargetsAndScrollingFindTheNodes) {
  std::vector<TTreeNode*> nodes;
  for (int i = 0; i < 40; ++i) nodes.push_back(tree->Items().Add(nullptr, Format("項目 %d", {i})));
  TTreeNode* hidden = tree->Items().AddChild(nodes[39], "閉じた中の項目");
  form.Show();
  RECT r{};
  const HTREEITEM item = nodes[1]->ItemId();
  std::memcpy(&r, &item, sizeof item);
  ASSERT_TRUE(Tv(tree, TVM_GETITEMRECT, TRUE, &r));
  // The text is the node; the empty rest of its line is not.
  EXPECT_EQ(tree->GetNodeAt(r.left + 2, (r.top + r.bottom) / 2), nodes[1]);
  EXPECT_EQ(tree->GetNodeAt(r.right + 40, (r.top + r.bottom) / 2), nullptr);

  // Drawn as the target, then not, with no node selected.
  auto drawn = [this](TTreeNode* node) {
    return (Tv(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node->ItemId()),
               reinterpret_cast<const void*>(TVIS_DROPHILITED)) &
            TVIS_DROPHILITED) != 0;
  };
  tree->SetDropTarget(nodes[1]);
  EXPECT_EQ(tree->DropTarget(), nodes[1]);
  EXPECT_TRUE(drawn(nodes[1]));
  tree->SetDropTarget(nodes[2]);
  EXPECT_FALSE(drawn(nodes[1]));
  tree->SetDropTarget(nullptr);
  EXPECT_EQ(tree->DropTarget(), nullptr);
  EXPECT_FALSE(drawn(nodes[2]));

  // A node inside a closed one far below: its branch opens and it scrolls
  // into the client area.
  hidden->MakeVisible();
  EXPECT_TRUE(nodes[39]->Expanded());
  EXPECT_NE(Next(tree, nullptr, TVGN_FIRSTVISIBLE), nodes[0]->ItemId());
  const HTREEITEM shown = hidden->ItemId();
  std::memcpy(&r, &shown, sizeof shown);
  ASSERT_TRUE(Tv(tree, TVM_GETITEMRECT, TRUE, &r));
  EXPECT_GE(r.top, 0);
  RECT client{};
  GetClientRect(tree->Handle(), &client);
  EXPECT_LE(r.bottom, client.bottom);
  EXPECT_EQ(tree->GetNodeAt(r.left + 2, (r.top + r.bottom) / 2), hidden);
}
