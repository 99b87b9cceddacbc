#include "framework/Grids.h"

#include "framework/Forms.h"
#include "tests/helpers/Shot.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

namespace {

constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSilver = RGB(192, 192, 192);
using Cell = std::pair<int, int>;

// A grid that logs what it is asked and drawn, and refuses some cells.
class LogGrid : public TCustomGrid {
public:
  using TCustomGrid::TCustomGrid;
  using TCustomGrid::MoveColRow;

  std::set<Cell> refused;
  std::vector<Cell> asked;
  std::map<Cell, TGridDrawState> drawn;

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

bool Is(const RECT& r, int left, int top, int right, int bottom) {
  return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

// A shown 5 x 5 grid of 64 x 24 cells (65 x 25 with the lines), frameless,
// without scroll bars.
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

  void ClickCell(int col, int row, WPARAM keys = 0) {
    RECT r = grid->CellRect(col, row);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    SendMessageA(grid->Handle(), WM_LBUTTONUP, keys, at);
  }
  // A key, with Ctrl held as the thread's key state tells it.
  void Key(WORD key, bool ctrl = false) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageA(grid->Handle(), WM_KEYDOWN, key, 1);
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
  }
  Cell Current() const { return {grid->Col(), grid->Row()}; }

  TForm* form = nullptr;
  LogGrid* grid = nullptr;
  int clicks = 0;
};

}  // namespace

TEST_F(GridTest, CellRectAndMouseToCellFollowSizesLinesAndScrolling) {
  EXPECT_TRUE(Is(grid->CellRect(0, 0), 0, 0, 64, 24));
  grid->SetColWidths(1, 30);
  grid->SetRowHeights(2, 10);
  EXPECT_TRUE(Is(grid->CellRect(2, 3), 96, 61, 160, 85));
  int col, row;
  grid->MouseToCell(64, 24, col, row);  // a cell's lines count with it
  EXPECT_EQ(Cell(col, row), Cell(0, 0));
  grid->MouseToCell(96, 61, col, row);
  EXPECT_EQ(Cell(col, row), Cell(2, 3));
  for (POINT p : {POINT{-1, 5}, POINT{30, 130}, POINT{339, 30}}) {
    grid->MouseToCell(p.x, p.y, col, row);
    EXPECT_EQ(Cell(col, row), Cell(-1, -1));
  }
  grid->SetGridLineWidth(3);
  EXPECT_TRUE(Is(grid->CellRect(1, 1), 67, 27, 97, 51));
  grid->SetOptions(0);  // no lines drawn, no room taken
  EXPECT_TRUE(Is(grid->CellRect(1, 1), 64, 24, 94, 48));
  EXPECT_TRUE(Is(grid->CellRect(5, 1), 0, 0, 0, 0));
  // Scrolled: the fixed cells stay, the ones scrolled away have no place.
  grid->SetOptions(goVertLine | goHorzLine);
  grid->SetGridLineWidth(1);
  grid->SetDefaultColWidth(64);
  grid->SetDefaultRowHeight(24);
  grid->SetColCount(10);
  grid->SetRowCount(20);
  EXPECT_EQ(grid->VisibleRowCount(), 4);
  grid->SetLeftCol(3);
  grid->SetTopRow(100);
  EXPECT_EQ(grid->TopRow(), 16);
  EXPECT_TRUE(Is(grid->CellRect(3, 16), 65, 25, 129, 49));
  EXPECT_TRUE(Is(grid->CellRect(2, 16), 0, 0, 0, 0));
  EXPECT_TRUE(Is(grid->CellRect(0, 0), 0, 0, 64, 24));
  grid->MouseToCell(70, 30, col, row);
  EXPECT_EQ(Cell(col, row), Cell(3, 16));
}

TEST_F(GridTest, ClicksAndColRowMoveTheCurrentCellOnlyWhenSelectCellAgrees) {
  ClickCell(2, 3);
  EXPECT_EQ(Current(), Cell(2, 3));
  EXPECT_EQ(grid->asked.back(), Cell(2, 3));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(grid->Focused());
  grid->refused.insert({4, 1});
  ClickCell(4, 1);
  EXPECT_EQ(grid->asked.back(), Cell(4, 1));
  EXPECT_EQ(Current(), Cell(2, 3));
  EXPECT_EQ(clicks, 1);
  // Fixed cells are never asked about.
  grid->asked.clear();
  ClickCell(0, 2);
  ClickCell(3, 0);
  EXPECT_TRUE(grid->asked.empty());
  grid->SetCol(4);
  EXPECT_EQ(Current(), Cell(4, 3));
  grid->refused.insert({4, 2});
  grid->SetRow(2);
  EXPECT_EQ(Current(), Cell(4, 3));
  // MoveColRow carries out a decision already taken.
  grid->asked.clear();
  grid->MoveColRow(1, 1, true, false);
  EXPECT_TRUE(grid->asked.empty());
  EXPECT_EQ(Current(), Cell(1, 1));
  // Shift+click makes a block, and only with goRangeSelect.
  ClickCell(3, 2, MK_SHIFT);
  TGridRect sel = grid->Selection();
  EXPECT_TRUE(sel.Left == 1 && sel.Top == 1 && sel.Right == 3 && sel.Bottom == 2);
  grid->MoveColRow(4, 4, false, false);  // the anchor stays
  sel = grid->Selection();
  EXPECT_TRUE(sel.Left == 1 && sel.Top == 1 && sel.Right == 4 && sel.Bottom == 4);
  grid->SetOptions(grid->Options() & ~goRangeSelect);
  ClickCell(1, 1);
  ClickCell(3, 3, MK_SHIFT);
  sel = grid->Selection();
  EXPECT_TRUE(sel.Left == 3 && sel.Top == 3 && sel.Right == 3 && sel.Bottom == 3);
}

TEST_F(GridTest, KeysMoveTheCurrentCellThroughSelectCellAndScrollItIntoView) {
  grid->SetRowCount(20);
  grid->SetFocus();
  // Arrows come to the grid through the dialog manager.
  MSG msg{grid->Handle(), WM_KEYDOWN, VK_DOWN, 1, 0, {}};
  EXPECT_TRUE(IsDialogMessageA(form->Handle(), &msg));
  EXPECT_EQ(Current(), Cell(1, 2));
  EXPECT_TRUE(grid->Focused());
  Key(VK_LEFT);  // not into the fixed column
  Key(VK_RIGHT);
  EXPECT_EQ(Current(), Cell(2, 2));
  Key(VK_END);
  Key(VK_RIGHT);
  EXPECT_EQ(Current(), Cell(4, 2));
  Key(VK_HOME);
  EXPECT_EQ(Current(), Cell(1, 2));
  Key(VK_NEXT);  // a page: the rows in view
  EXPECT_EQ(Current(), Cell(1, 6));
  EXPECT_EQ(grid->TopRow(), 3);
  Key(VK_END, true);
  EXPECT_EQ(Current(), Cell(4, 19));
  EXPECT_EQ(grid->TopRow(), 16);
  Key(VK_HOME, true);
  EXPECT_EQ(Current(), Cell(1, 1));
  EXPECT_EQ(grid->TopRow(), 1);
  grid->refused.insert({2, 1});
  Key(VK_RIGHT);
  EXPECT_EQ(Current(), Cell(1, 1));
  // The key event comes first and may take the key.
  grid->OnKeyDown = [](TObject*, WORD& key, TShiftState) { key = 0; };
  Key(VK_DOWN);
  EXPECT_EQ(Current(), Cell(1, 1));
}

TEST_F(GridTest, PaintsFixedCellsLinesTheSelectionAndTheRoomBeyond) {
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  Shot raised(grid);  // Ctl3D raises the fixed cells
  EXPECT_EQ(raised.At(75, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(raised.At(75, 23), GetSysColor(COLOR_BTNSHADOW));
  grid->SetCtl3D(false);
  ClickCell(2, 2);
  form->SetFocus();
  grid->drawn.clear();
  Shot shot(grid);
  EXPECT_EQ(shot.At(75, 10), kGreen);     // fixed (1, 0)
  EXPECT_EQ(shot.At(75, 35), kWhite);     // (1, 1)
  EXPECT_EQ(shot.At(140, 60), highlight);  // the current cell, not focused
  EXPECT_EQ(shot.At(64, 10), RGB(0, 0, 0));  // between fixed cells
  EXPECT_EQ(shot.At(129, 35), kSilver);      // between the others
  EXPECT_EQ(shot.At(75, 49), kSilver);
  EXPECT_EQ(shot.At(330, 10), kWhite);  // right of the last column
  EXPECT_EQ(shot.At(10, 127), kWhite);  // below the last row
  EXPECT_EQ(grid->drawn.size(), 25u);
  EXPECT_EQ(grid->drawn[Cell(0, 3)], TGridDrawState(gdFixed));
  EXPECT_EQ(grid->drawn[Cell(2, 2)], TGridDrawState(gdSelected));
  EXPECT_EQ(grid->drawn[Cell(3, 2)], TGridDrawState(0));
  // Focused, the current cell is not filled unless goDrawFocusSelected.
  grid->SetFocus();
  EXPECT_EQ(Shot(grid).At(140, 60), kWhite);
  EXPECT_EQ(grid->drawn[Cell(2, 2)], TGridDrawState(gdSelected | gdFocused));
  grid->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goDrawFocusSelected);
  Shot vertical(grid);
  EXPECT_EQ(vertical.At(140, 60), highlight);
  EXPECT_EQ(vertical.At(75, 49), kWhite);  // the left-out line
  EXPECT_EQ(vertical.At(129, 35), kSilver);
}

TEST_F(GridTest, ScrollBarsAndFrameAreWindowStylesTheGridKeepsCurrent) {
  grid->SetRowCount(20);
  grid->SetScrollBars(ssVertical);
  HWND h = grid->Handle();
  EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), WS_VSCROLL);
  auto scroll = [&](WORD code, int pos = 0) {
    SendMessageA(grid->Handle(), WM_VSCROLL, MAKEWPARAM(code, pos), 0);
  };
  scroll(SB_LINEDOWN);
  EXPECT_EQ(grid->TopRow(), 2);
  scroll(SB_PAGEDOWN);
  EXPECT_EQ(grid->TopRow(), 6);
  scroll(SB_BOTTOM);
  EXPECT_EQ(grid->TopRow(), 16);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 16);
  scroll(SB_THUMBTRACK, 5);  // not followed without goThumbTracking
  EXPECT_EQ(grid->TopRow(), 16);
  scroll(SB_THUMBPOSITION, 5);
  EXPECT_EQ(grid->TopRow(), 5);
  grid->SetOptions(grid->Options() | goThumbTracking);
  scroll(SB_THUMBTRACK, 9);
  EXPECT_EQ(grid->TopRow(), 9);
  scroll(SB_TOP);
  EXPECT_EQ(grid->TopRow(), 1);
  grid->SetRowCount(3);  // all in view: the bar goes
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);

  EXPECT_FALSE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  grid->SetBorderStyle(bsSingle);
  EXPECT_TRUE(GetWindowLongA(grid->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(grid->ClientRect().right, 340 - 2 * GetSystemMetrics(SM_CXEDGE));
  grid->SetCtl3D(false);
  EXPECT_FALSE(GetWindowLongA(grid->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(GetWindowLongA(grid->Handle(), GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(grid->RowCount(), 3);
}
