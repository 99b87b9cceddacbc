#include "framework/Grids.h"

#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// What the grid draws, by WM_PRINTCLIENT into a memory bitmap: the null
// driver keeps no screen to read back.
struct Shot {
  int width, height;
  std::vector<COLORREF> pixels;

  explicit Shot(TWinControl* control) {
    RECT r;
    GetClientRect(control->Handle(), &r);
    width = r.right;
    height = r.bottom;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    SendMessageA(control->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (int i = 0; i < width * height; ++i) pixels.push_back(GetPixel(dc, i % width, i / width));
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return pixels[y * width + x]; }
};

// A grid that logs what it is asked and drawn, and can refuse cells.
class LogGrid : public TCustomGrid {
public:
  using TCustomGrid::TCustomGrid;
  using TCustomGrid::MoveColRow;

  std::set<std::pair<int, int>> refused;
  std::vector<std::pair<int, int>> asked;
  std::map<std::pair<int, int>, TGridDrawState> drawn;

protected:
  bool SelectCell(int col, int row) override {
    asked.emplace_back(col, row);
    return !refused.count({col, row});
  }
  void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) override {
    drawn[{col, row}] = state;
    TCustomGrid::DrawCell(col, row, rect, state);
  }
};

// A shown form with a 5 x 5 grid of 64 x 24 cells and no scroll bars.
class GridTest : public testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetClientSize(400, 300);
    grid = new LogGrid(form);
    grid->SetParent(form);
    grid->SetScrollBars(ssNone);
    grid->SetBorderStyle(bsNone);
    grid->SetBounds(10, 10, 340, 130);
    grid->SetColor(kWhite);
    grid->SetFixedColor(kGreen);
    grid->OnClick = [this](TObject*) { ++clicks; };
    form->Show();
    Application().ProcessMessages();
  }
  void TearDown() override { delete form; }

  POINT Centre(int col, int row) const {
    RECT r = grid->CellRect(col, row);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Click(int x, int y, WPARAM keys = 0) {
    SendMessageA(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
    SendMessageA(grid->Handle(), WM_LBUTTONUP, keys, MAKELPARAM(x, y));
  }
  void ClickCell(int col, int row, WPARAM keys = 0) {
    POINT p = Centre(col, row);
    Click(p.x, p.y, keys);
  }
  void Key(WORD key) { SendMessageA(grid->Handle(), WM_KEYDOWN, key, 1); }
  // The key with Ctrl held, as the thread's key state tells it.
  void CtrlKey(WORD key) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    Key(key);
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
  }
  std::pair<int, int> Current() const { return {grid->Col(), grid->Row()}; }

  TForm* form = nullptr;
  LogGrid* grid = nullptr;
  int clicks = 0;
};

}  // namespace

// --- geometry ---------------------------------------------------------------------

TEST_F(GridTest, CellsFollowTheirSizesWithALineAfterEach) {
  RECT r = grid->CellRect(0, 0);
  EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 64 && r.bottom == 24);
  grid->SetColWidths(1, 30);
  grid->SetRowHeights(2, 10);
  r = grid->CellRect(2, 3);
  EXPECT_TRUE(r.left == 65 + 31 && r.top == 25 + 25 + 11 && r.right == 96 + 64 && r.bottom == 61 + 24);
  grid->SetGridLineWidth(3);
  r = grid->CellRect(1, 1);
  EXPECT_TRUE(r.left == 67 && r.top == 27 && r.right == 97 && r.bottom == 51);
  // Without any lines the cells touch whatever the width says.
  grid->SetOptions(0);
  r = grid->CellRect(1, 1);
  EXPECT_TRUE(r.left == 64 && r.top == 24);
  // Out of range, or beyond the window: no rectangle.
  r = grid->CellRect(5, 1);
  EXPECT_TRUE(r.left == 0 && r.right == 0);
  grid->SetDefaultColWidth(200);
  EXPECT_EQ(grid->ColWidths(1), 200);
  r = grid->CellRect(3, 1);
  EXPECT_TRUE(r.left == 0 && r.right == 0);
}

TEST_F(GridTest, MouseToCellCountsTheLineWithTheCellBeforeItAndGivesMinusOneOutside) {
  int col, row;
  grid->MouseToCell(0, 0, col, row);
  EXPECT_TRUE(col == 0 && row == 0);
  grid->MouseToCell(64, 24, col, row);  // the lines after cell (0, 0)
  EXPECT_TRUE(col == 0 && row == 0);
  grid->MouseToCell(65, 25, col, row);
  EXPECT_TRUE(col == 1 && row == 1);
  grid->MouseToCell(4 * 65 + 10, 4 * 25 + 3, col, row);
  EXPECT_TRUE(col == 4 && row == 4);
  grid->MouseToCell(5 * 65 + 2, 30, col, row);  // right of the last column
  EXPECT_TRUE(col == -1 && row == -1);
  grid->MouseToCell(30, 5 * 25 + 1, col, row);  // below the last row
  EXPECT_TRUE(col == -1 && row == -1);
  grid->MouseToCell(-1, 5, col, row);
  EXPECT_TRUE(col == -1 && row == -1);
}

TEST_F(GridTest, ScrolledCellsLeaveTheFixedOnesInPlace) {
  grid->SetColCount(10);
  grid->SetRowCount(20);
  grid->SetLeftCol(3);
  grid->SetTopRow(4);
  EXPECT_EQ(grid->LeftCol(), 3);
  RECT r = grid->CellRect(0, 0);
  EXPECT_TRUE(r.left == 0 && r.right == 64);
  r = grid->CellRect(3, 4);
  EXPECT_TRUE(r.left == 65 && r.top == 25);
  r = grid->CellRect(2, 4);
  EXPECT_TRUE(r.left == 0 && r.right == 0);
  int col, row;
  grid->MouseToCell(70, 30, col, row);
  EXPECT_TRUE(col == 3 && row == 4);
  // 340 x 130 holds four whole rows (and a part) after the heading.
  EXPECT_EQ(grid->VisibleRowCount(), 4);
  grid->SetTopRow(100);
  EXPECT_EQ(grid->TopRow(), 16);
}

// --- the current cell -------------------------------------------------------------

TEST_F(GridTest, AClickMovesTheCurrentCellThroughSelectCellWhichMayRefuse) {
  ClickCell(2, 3);
  EXPECT_EQ(Current(), std::make_pair(2, 3));
  ASSERT_FALSE(grid->asked.empty());
  EXPECT_EQ(grid->asked.back(), std::make_pair(2, 3));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(grid->Focused());

  grid->refused.insert({4, 1});
  ClickCell(4, 1);
  EXPECT_EQ(grid->asked.back(), std::make_pair(4, 1));
  EXPECT_EQ(Current(), std::make_pair(2, 3));
  EXPECT_EQ(clicks, 1);

  // Fixed cells and the empty room are not asked about.
  grid->asked.clear();
  ClickCell(0, 2);
  ClickCell(3, 0);
  Click(335, 20);
  EXPECT_TRUE(grid->asked.empty());
  EXPECT_EQ(Current(), std::make_pair(2, 3));

  // Col and Row ask too.
  grid->SetCol(4);
  EXPECT_EQ(grid->asked.back(), std::make_pair(4, 3));
  EXPECT_EQ(grid->Col(), 4);
  grid->refused.insert({4, 2});
  grid->SetRow(2);
  EXPECT_EQ(grid->Row(), 3);
  // MoveColRow is for a decision already taken.
  grid->asked.clear();
  grid->MoveColRow(1, 1, false, false);
  EXPECT_TRUE(grid->asked.empty());
  EXPECT_EQ(Current(), std::make_pair(1, 1));
}

TEST_F(GridTest, RangeSelectionByShiftClickAndByDragging) {
  ClickCell(1, 1);
  ClickCell(3, 2, MK_SHIFT);
  TGridRect sel = grid->Selection();
  EXPECT_TRUE(sel.Left == 1 && sel.Top == 1 && sel.Right == 3 && sel.Bottom == 2);
  EXPECT_EQ(Current(), std::make_pair(3, 2));
  POINT from = Centre(2, 1), to = Centre(4, 3);
  SendMessageA(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  SendMessageA(grid->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
  SendMessageA(grid->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
  sel = grid->Selection();
  EXPECT_TRUE(sel.Left == 2 && sel.Top == 1 && sel.Right == 4 && sel.Bottom == 3);
  // Without the option a block is never made.
  grid->SetOptions(grid->Options() & ~goRangeSelect);
  ClickCell(1, 1);
  ClickCell(3, 3, MK_SHIFT);
  sel = grid->Selection();
  EXPECT_TRUE(sel.Left == 3 && sel.Top == 3 && sel.Right == 3 && sel.Bottom == 3);
}

TEST_F(GridTest, ArrowsHomeEndAndPagesMoveTheCurrentCellWithinTheScrollingCells) {
  grid->SetRowCount(20);
  grid->SetFocus();
  EXPECT_EQ(SendMessageA(grid->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS,
            DLGC_WANTARROWS);
  EXPECT_EQ(Current(), std::make_pair(1, 1));
  Key(VK_LEFT);  // the fixed column is not reached
  Key(VK_UP);
  EXPECT_EQ(Current(), std::make_pair(1, 1));
  Key(VK_RIGHT);
  Key(VK_DOWN);
  EXPECT_EQ(Current(), std::make_pair(2, 2));
  Key(VK_END);
  EXPECT_EQ(Current(), std::make_pair(4, 2));
  Key(VK_RIGHT);
  EXPECT_EQ(Current(), std::make_pair(4, 2));
  Key(VK_HOME);
  EXPECT_EQ(Current(), std::make_pair(1, 2));
  // A page is the rows the window shows; the grid scrolls to follow.
  Key(VK_NEXT);
  EXPECT_EQ(Current(), std::make_pair(1, 6));
  EXPECT_EQ(grid->TopRow(), 3);
  Key(VK_PRIOR);
  EXPECT_EQ(Current(), std::make_pair(1, 2));
  EXPECT_EQ(grid->TopRow(), 2);
  CtrlKey(VK_END);
  EXPECT_EQ(Current(), std::make_pair(4, 19));
  EXPECT_EQ(grid->TopRow(), 16);
  CtrlKey(VK_HOME);
  EXPECT_EQ(Current(), std::make_pair(1, 1));
  EXPECT_EQ(grid->TopRow(), 1);
  // A refused cell stops the move.
  grid->refused.insert({2, 1});
  Key(VK_RIGHT);
  EXPECT_EQ(Current(), std::make_pair(1, 1));
  // The key event sees the key first and may take it.
  grid->OnKeyDown = [](TObject*, WORD& key, TShiftState) {
    if (key == VK_DOWN) key = 0;
  };
  Key(VK_DOWN);
  EXPECT_EQ(Current(), std::make_pair(1, 1));
}

TEST_F(GridTest, ArrowsReachTheGridThroughTheDialogManager) {
  grid->SetFocus();
  ASSERT_TRUE(grid->Focused());
  MSG msg{grid->Handle(), WM_KEYDOWN, VK_DOWN, 1, 0, {}};
  EXPECT_TRUE(IsDialogMessageA(form->Handle(), &msg));
  Application().ProcessMessages();
  EXPECT_EQ(Current(), std::make_pair(1, 2));
  EXPECT_TRUE(grid->Focused());
  EXPECT_TRUE(GetWindowLongA(grid->Handle(), GWL_STYLE) & WS_TABSTOP);
}

// --- drawing ----------------------------------------------------------------------

TEST_F(GridTest, DrawsFixedCellsLinesSelectionAndTheRoomBeyond) {
  grid->SetCtl3D(false);  // no raised edges on the fixed cells
  ClickCell(2, 2);
  form->SetFocus();  // the grid not focused: its current cell shows selected
  Application().ProcessMessages();
  grid->drawn.clear();
  Shot shot(grid);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(shot.At(10, 10), kGreen);                // fixed (0, 0)
  EXPECT_EQ(shot.At(65 + 10, 10), kGreen);           // fixed (1, 0)
  EXPECT_EQ(shot.At(65 + 10, 25 + 10), kWhite);      // (1, 1)
  EXPECT_EQ(shot.At(2 * 65 + 10, 2 * 25 + 10), highlight);  // current (2, 2)
  EXPECT_EQ(shot.At(64, 10), RGB(0, 0, 0));          // line between fixed cells
  EXPECT_EQ(shot.At(2 * 65 - 1, 25 + 10), RGB(192, 192, 192));  // between the others
  EXPECT_EQ(shot.At(65 + 10, 2 * 25 - 1), RGB(192, 192, 192));
  EXPECT_EQ(shot.At(5 * 65 + 5, 10), kWhite);        // right of the last column
  EXPECT_EQ(shot.At(10, 5 * 25 + 2), kWhite);        // below the last row
  EXPECT_EQ(grid->drawn.size(), 25u);
  EXPECT_EQ(grid->drawn[std::make_pair(0, 3)], TGridDrawState(gdFixed));
  EXPECT_EQ(grid->drawn[std::make_pair(2, 2)], TGridDrawState(gdSelected));
  EXPECT_EQ(grid->drawn[std::make_pair(3, 2)], TGridDrawState(0u));

  // Focused, the current cell is drawn as focused and by default not filled.
  grid->SetFocus();
  ASSERT_TRUE(grid->Focused());
  Shot focused(grid);
  EXPECT_EQ(grid->drawn[std::make_pair(2, 2)], TGridDrawState(gdSelected | gdFocused));
  EXPECT_EQ(focused.At(2 * 65 + 10, 2 * 25 + 10), kWhite);
  grid->SetOptions(grid->Options() | goDrawFocusSelected);
  EXPECT_EQ(Shot(grid).At(2 * 65 + 10, 2 * 25 + 10), highlight);

  // Options leave lines out: the background shows there.
  grid->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine);
  Shot vertOnly(grid);
  EXPECT_EQ(vertOnly.At(65 + 10, 2 * 25 - 1), kWhite);
  EXPECT_EQ(vertOnly.At(2 * 65 - 1, 25 + 10), RGB(192, 192, 192));
}

TEST_F(GridTest, Ctl3DRaisesTheFixedCells) {
  Shot shot(grid);
  EXPECT_EQ(shot.At(65 + 10, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(shot.At(65 + 10, 23), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(shot.At(65 + 10, 10), kGreen);
}

// --- scroll bars and frame ----------------------------------------------------------

TEST_F(GridTest, OwnScrollBarsScrollTheCellsAndFollowTheTopRow) {
  grid->SetRowCount(20);
  grid->SetScrollBars(ssVertical);
  HWND h = grid->Handle();
  EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_HSCROLL);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 1);
  SendMessageA(h, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(grid->TopRow(), 2);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 2);
  SendMessageA(h, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(grid->TopRow(), 6);
  SendMessageA(h, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(grid->TopRow(), 16);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 16);
  SendMessageA(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), 0);
  EXPECT_EQ(grid->TopRow(), 16);  // not tracked without the option
  SendMessageA(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5), 0);
  EXPECT_EQ(grid->TopRow(), 5);
  grid->SetOptions(grid->Options() | goThumbTracking);
  SendMessageA(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 9), 0);
  EXPECT_EQ(grid->TopRow(), 9);
  SendMessageA(h, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(grid->TopRow(), 1);
  // All rows in view: the bar goes.
  grid->SetRowCount(3);
  EXPECT_FALSE(GetWindowLongA(grid->Handle(), GWL_STYLE) & WS_VSCROLL);
  grid->SetScrollBars(ssNone);
  grid->SetRowCount(20);
  EXPECT_FALSE(GetWindowLongA(grid->Handle(), GWL_STYLE) & WS_VSCROLL);
}

TEST_F(GridTest, BorderStyleAndCtl3DMakeTheFrame) {
  auto style = [&] { return GetWindowLongA(grid->Handle(), GWL_STYLE); };
  auto exStyle = [&] { return GetWindowLongA(grid->Handle(), GWL_EXSTYLE); };
  EXPECT_FALSE(style() & WS_BORDER);
  EXPECT_FALSE(exStyle() & WS_EX_CLIENTEDGE);
  grid->SetBorderStyle(bsSingle);
  EXPECT_TRUE(exStyle() & WS_EX_CLIENTEDGE);
  RECT client = grid->ClientRect();
  EXPECT_EQ(client.right, 340 - 2 * GetSystemMetrics(SM_CXEDGE));
  grid->SetCtl3D(false);
  EXPECT_FALSE(exStyle() & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(style() & WS_BORDER);
  // The new window keeps the grid's state.
  EXPECT_EQ(GetParent(grid->Handle()), form->Handle());
  EXPECT_EQ(grid->ColCount(), 5);
}
