#include "lib/input/Calendr.h"

#include "framework/Forms.h"
#include "framework/Locale.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr TColor kGreen = 0x00A000;  // RGB(0, 160, 0)

bool Same(const kxDate& a, int year, int month, int day) {
  return a.Year == year && a.Month == month && a.Day == day;
}

// What the calendar draws, by WM_PRINTCLIENT into a memory bitmap: the null
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
  int Count(const RECT& r, const std::function<bool(COLORREF)>& match) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += match(At(x, y));
    }
    return n;
  }
};

// Text pixels by their main colour; smoothing may blend the edges.
bool Reddish(COLORREF c) { return GetRValue(c) >= 128 && GetGValue(c) < 96 && GetBValue(c) < 96; }
bool Bluish(COLORREF c) { return GetBValue(c) >= 128 && GetRValue(c) < 96 && GetGValue(c) < 96; }
bool Greenish(COLORREF c) { return GetGValue(c) >= 100 && GetRValue(c) < 96 && GetBValue(c) < 96; }
bool Dark(COLORREF c) { return GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96; }

// A shown form with a calendar on June 1998 (June 1 is a Monday), the 10th
// selected, cells of about 40 x 26 pixels.
class CalendarTest : public testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetClientSize(400, 300);
    cal = new kxvCalendar(form);
    cal->SetParent(form);
    cal->SetBounds(10, 10, 300, 200);
    cal->SetDate(kxDate(1998, 6, 1));
    cal->SetSelDate(kxDate(1998, 6, 10));
    cal->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, cal);
      ++changes;
    };
    cal->OnSelectCell = [this](TObject*, int col, int row, bool& canSelect) {
      asked.push_back({col, row});
      if (veto) canSelect = false;
    };
    form->Show();
    Application().ProcessMessages();
  }
  void TearDown() override { delete form; }

  RECT Cell(const kxDate& date) const {
    int col, row;
    EXPECT_TRUE(cal->DateToCell(date, col, row));
    return cal->CellRect(col, row);
  }
  void ClickAt(int x, int y) {
    SendMessageA(cal->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(cal->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  void ClickCell(int col, int row) {
    RECT r = cal->CellRect(col, row);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void Scroll(UINT msg, WORD code, int position = 0) {
    SendMessageA(cal->Handle(), msg, MAKEWPARAM(code, position), 0);
  }
  bool Shows(int year, int month) const { return Same(cal->Date(), year, month, 1); }

  TForm* form = nullptr;
  kxvCalendar* cal = nullptr;
  int changes = 0;
  std::vector<std::pair<int, int>> asked;
  bool veto = false;
};

}  // namespace

// --- construction and layout ------------------------------------------------------

TEST(kxvCalendar, StartsOnTodayWithTheDefaultsAndSizedToItsCells) {
  TForm form(nullptr);
  auto* cal = new kxvCalendar(&form);
  const kxDate today;
  EXPECT_TRUE(Same(cal->Date(), today.Year, today.Month, 1));
  EXPECT_TRUE(Same(cal->SelDate(), today.Year, today.Month, today.Day));
  EXPECT_EQ(cal->MinDateText(), "1900/01/01");
  EXPECT_EQ(cal->MaxDateText(), "2099/12/31");
  EXPECT_EQ(cal->DateLabelFormat(), "yyyy/mm");
  EXPECT_EQ(cal->ColorOfWeek().Sunday(), clRed);
  EXPECT_EQ(cal->ColorOfWeek().Saturday(), 0xFF0000);
  EXPECT_EQ(cal->ColorOfWeek().Wednesday(), clWindowText);
  EXPECT_EQ(cal->ColorOfHoliday(), clRed);
  EXPECT_FALSE(cal->Holiday());
  EXPECT_FALSE(cal->IsHoliday(1, 1));
  EXPECT_EQ(cal->ScrollBars(), ssNone);
  EXPECT_EQ(cal->BorderStyle(), bsSingle);
  EXPECT_TRUE(cal->Ctl3D());
  EXPECT_EQ(cal->Options() & (goRangeSelect | goDrawFocusSelected), 0u);
  EXPECT_TRUE(cal->ColCount() == 7 && cal->RowCount() == 7);
  EXPECT_TRUE(cal->FixedCols() == 0 && cal->FixedRows() == 1);
  EXPECT_TRUE(cal->DefaultColWidth() == 24 && cal->DefaultRowHeight() == 16);
  const int edge = 2 * GetSystemMetrics(SM_CXEDGE);
  EXPECT_EQ(cal->Width(), 7 + 7 * 24 + edge);
  EXPECT_EQ(cal->Height(), 16 + 6 * 16 + 7 + edge);
  // The grid's current cell is today's.
  int col, row;
  ASSERT_TRUE(cal->DateToCell(today, col, row));
  EXPECT_TRUE(cal->Col() == col && cal->Row() == row);
}

TEST_F(CalendarTest, TheFirstFallsUnderItsWeekdayFromTheStartColumn) {
  // 1998-02-01 is a Sunday.
  cal->SetDate(kxDate(1998, 2, 1));
  int col, row;
  ASSERT_TRUE(cal->DateToCell(kxDate(1998, 2, 1), col, row));
  EXPECT_TRUE(col == 0 && row == 1);
  EXPECT_EQ(cal->GetCellText(0, 1), "1");
  EXPECT_EQ(cal->GetCellText(0, 0), ShortDayName(0));
  cal->SetStartOfWeek(1);
  ASSERT_TRUE(cal->DateToCell(kxDate(1998, 2, 1), col, row));
  EXPECT_TRUE(col == 6 && row == 1);
  EXPECT_EQ(cal->GetCellText(6, 1), "1");
  EXPECT_EQ(cal->GetCellText(0, 1), "");
  EXPECT_EQ(cal->GetCellText(0, 0), ShortDayName(1));
  EXPECT_TRUE(Same(cal->CellToDate(0, 2), 1998, 2, 2));
  EXPECT_TRUE(cal->CellToDate(3, 0).Month == 0);
  // Stored modulo 7 with its sign; a negative start counts back from Sunday.
  cal->SetStartOfWeek(8);
  EXPECT_EQ(cal->StartOfWeek(), 1);
  cal->SetStartOfWeek(-8);
  EXPECT_EQ(cal->StartOfWeek(), -1);
  EXPECT_EQ(cal->GetCellText(0, 0), ShortDayName(6));
  ASSERT_TRUE(cal->DateToCell(kxDate(1998, 2, 1), col, row));
  EXPECT_TRUE(col == 1 && row == 1);
}

TEST_F(CalendarTest, NextMonthsDaysHaveCellsOnlyWithFillCell) {
  int col, row;
  EXPECT_FALSE(cal->DateToCell(kxDate(1998, 7, 1), col, row));
  EXPECT_TRUE(col == -1 && row == -1);
  cal->SetFillCell(true);
  ASSERT_TRUE(cal->DateToCell(kxDate(1998, 7, 1), col, row));
  EXPECT_TRUE(row == 5 || row == 6);
  EXPECT_EQ(cal->GetCellText(0, 1), "31");  // May 31
  // A neighbour's day can be selected now; the month shown stays.
  ClickCell(0, 1);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 5, 31));
  EXPECT_TRUE(Shows(1998, 6));
}

// --- selecting --------------------------------------------------------------------

TEST_F(CalendarTest, AClickOnADaySelectsItThroughOnSelectCell) {
  RECT r = Cell(kxDate(1998, 6, 15));
  ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_EQ(asked.size(), 1u);
  int col, row;
  cal->DateToCell(kxDate(1998, 6, 15), col, row);
  EXPECT_EQ(asked[0], std::make_pair(col, row));
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 15));
  EXPECT_TRUE(cal->Col() == col && cal->Row() == row);
  EXPECT_EQ(changes, 0);  // the month did not change

  veto = true;
  r = Cell(kxDate(1998, 6, 16));
  ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 15));
  EXPECT_TRUE(cal->Col() == col && cal->Row() == row);
}

TEST_F(CalendarTest, HeadingAndEmptyCellsSelectNothingAndAskNobody) {
  ClickCell(3, 0);  // the heading
  ClickCell(0, 1);  // May 31, not shown
  ClickCell(6, 6);  // after June 30
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 10));
  // Outside every cell.
  ClickAt(cal->ClientRect().right - 1, cal->ClientRect().bottom - 1);
  EXPECT_TRUE(asked.empty());
}

TEST_F(CalendarTest, ArrowKeysWalkTheDaysAndStopAtTheMonthsEdge) {
  cal->SetFocus();
  auto key = [&](WORD k) { SendMessageA(cal->Handle(), WM_KEYDOWN, k, 1); };
  key(VK_RIGHT);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 11));
  key(VK_DOWN);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 18));
  EXPECT_EQ(asked.size(), 2u);
  cal->SetSelDate(kxDate(1998, 6, 1));
  key(VK_LEFT);  // May 31's cell is empty
  key(VK_UP);    // the heading
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 1));
}

TEST_F(CalendarTest, SetDayAndSetSelDateSelectOnlyDaysOfTheMonthShown) {
  cal->SetDay(20);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 20));
  cal->SetDay(31);  // June has 30
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 20));
  cal->SetSelDate(kxDate(1998, 7, 1));
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 20));
  veto = true;
  cal->SetSelDate(kxDate(1998, 6, 5));
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 20));
  // Another month keeps the selection, without a cell for it.
  veto = false;
  cal->NextMonth();
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 20));
  EXPECT_EQ(changes, 1);
}

// --- months -----------------------------------------------------------------------

TEST_F(CalendarTest, MonthStepsStopAtTheLimitsWithoutOnChange) {
  cal->SetMaxDate(kxDate(1998, 8, 15));
  cal->SetMinDateText("1998/05/20");
  EXPECT_EQ(cal->MinDateText(), "1998/05/20");
  EXPECT_TRUE(Same(cal->MinDate(), 1998, 5, 20));
  cal->NextMonth();
  cal->NextMonth();
  EXPECT_TRUE(Shows(1998, 8));
  EXPECT_EQ(changes, 2);
  cal->NextMonth();
  EXPECT_TRUE(Shows(1998, 8));
  EXPECT_EQ(changes, 2);
  cal->PrevMonth();
  cal->PrevMonth();
  cal->PrevMonth();
  EXPECT_TRUE(Shows(1998, 5));
  EXPECT_EQ(changes, 5);
  cal->PrevMonth();
  EXPECT_TRUE(Shows(1998, 5));
  EXPECT_EQ(changes, 5);
  // The limits do not apply to SetDate, nor move the month shown.
  cal->SetDate(kxDate(1990, 1, 17));
  EXPECT_TRUE(Shows(1990, 1));
  cal->SetMaxDateText("1998/09/30");
  EXPECT_EQ(cal->MaxDateText(), "1998/09/30");
  EXPECT_TRUE(Shows(1990, 1));
  cal->SetMaxDateText("no date");
  cal->SetMaxDateText("1998");
  EXPECT_EQ(cal->MaxDateText(), "1998/09/30");
  // Year and month setters report only a change.
  changes = 0;
  cal->SetYear(1990);
  cal->SetMonth(1);
  EXPECT_EQ(changes, 0);
  cal->SetYear(1995);
  cal->SetMonth(4);
  EXPECT_TRUE(Shows(1995, 4));
  EXPECT_EQ(changes, 2);
}

TEST_F(CalendarTest, TheVerticalBarMovesByMonthYearThumbAndEnd) {
  cal->SetScrollBars(ssVertical);
  HWND h = cal->Handle();
  ASSERT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);
  int low = 0, high = 0;
  GetScrollRange(h, SB_VERT, &low, &high);
  EXPECT_TRUE(low == 1900 * 12 && high == 2099 * 12 + 11);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 1998 * 12 + 5);
  Scroll(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_TRUE(Shows(1998, 7));
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 1998 * 12 + 6);
  Scroll(WM_VSCROLL, SB_LINEUP);
  Scroll(WM_VSCROLL, SB_LINEUP);
  EXPECT_TRUE(Shows(1998, 5));
  Scroll(WM_VSCROLL, SB_PAGEUP);
  EXPECT_TRUE(Shows(1997, 5));
  Scroll(WM_VSCROLL, SB_PAGEDOWN);
  Scroll(WM_VSCROLL, SB_PAGEDOWN);
  EXPECT_TRUE(Shows(1999, 5));
  EXPECT_EQ(changes, 6);
  Scroll(WM_VSCROLL, SB_THUMBPOSITION, 23981);
  EXPECT_TRUE(Shows(1998, 6));
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 23981);
  // Dragging the thumb is followed only with thumb tracking.
  Scroll(WM_VSCROLL, SB_THUMBTRACK, 24000);
  EXPECT_TRUE(Shows(1998, 6));
  cal->SetOptions(cal->Options() | goThumbTracking);
  Scroll(WM_VSCROLL, SB_THUMBTRACK, 24000);
  EXPECT_TRUE(Shows(2000, 1));
  Scroll(WM_VSCROLL, SB_TOP);
  EXPECT_TRUE(Shows(1900, 1));
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 1900 * 12);
  Scroll(WM_VSCROLL, SB_LINEUP);
  EXPECT_TRUE(Shows(1900, 1));
  const int before = changes;
  Scroll(WM_VSCROLL, SB_BOTTOM);
  EXPECT_TRUE(Shows(2099, 12));
  Scroll(WM_VSCROLL, SB_LINEDOWN);
  Scroll(WM_VSCROLL, SB_PAGEDOWN);
  Scroll(WM_VSCROLL, SB_ENDSCROLL);
  EXPECT_TRUE(Shows(2099, 12));
  EXPECT_EQ(changes, before + 1);
}

TEST_F(CalendarTest, TheHorizontalBarAndTheLimitsMakeTheRange) {
  cal->SetScrollBars(ssHorizontal);
  HWND h = cal->Handle();
  EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_HSCROLL);
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);
  cal->SetMinDate(kxDate(1998, 5, 20));
  cal->SetMaxDate(kxDate(1998, 8, 15));
  int low = 0, high = 0;
  GetScrollRange(h, SB_HORZ, &low, &high);
  EXPECT_TRUE(low == 1998 * 12 + 4 && high == 1998 * 12 + 7);
  Scroll(WM_HSCROLL, SB_RIGHT);
  EXPECT_TRUE(Shows(1998, 8));
  Scroll(WM_HSCROLL, SB_PAGERIGHT);
  EXPECT_TRUE(Shows(1998, 8));
  Scroll(WM_HSCROLL, SB_THUMBPOSITION, 23981 - 12);
  EXPECT_TRUE(Shows(1998, 5));
  Scroll(WM_HSCROLL, SB_LINERIGHT);
  EXPECT_TRUE(Shows(1998, 6));
  EXPECT_EQ(GetScrollPos(h, SB_HORZ), 23981);
  cal->SetScrollBars(ssNone);
  EXPECT_FALSE(GetWindowLongA(cal->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
}

// --- holidays ---------------------------------------------------------------------

TEST_F(CalendarTest, HolidaysAreTheFixedOnesWithTheYearsEquinoxAndOnlySetYearMovesIt) {
  cal->SetHoliday(true);
  EXPECT_TRUE(cal->Holiday());
  for (const kxMonthDay* h = FixedHolidays; h->Month; ++h) {
    if (h->Month == 3) continue;
    EXPECT_TRUE(cal->IsHoliday(h->Month, h->Day)) << int(h->Month) << "/" << int(h->Day);
  }
  EXPECT_TRUE(cal->IsHoliday(3, 21));  // 1998
  EXPECT_FALSE(cal->IsHoliday(3, 20));
  EXPECT_FALSE(cal->IsHoliday(6, 10));
  cal->SetYear(2000);
  EXPECT_TRUE(cal->IsHoliday(3, 20));
  EXPECT_FALSE(cal->IsHoliday(3, 21));
  cal->SetDate(kxDate(1999, 3, 1));  // keeps 2000's mark
  EXPECT_TRUE(cal->IsHoliday(3, 20));
  // Own marks; months and days outside the table change nothing.
  cal->SetHoliday(6, 10, true);
  cal->SetHoliday(13, 10, true);
  cal->SetHoliday(6, 32, true);
  EXPECT_TRUE(cal->IsHoliday(6, 10));
  EXPECT_FALSE(cal->IsHoliday(13, 10));
  EXPECT_FALSE(cal->IsHoliday(6, 32));
  cal->SetHoliday(false);
  EXPECT_FALSE(cal->IsHoliday(1, 1));
  EXPECT_FALSE(cal->IsHoliday(6, 10));
}

// --- drawing ----------------------------------------------------------------------

TEST_F(CalendarTest, SundaysRedSaturdaysBlueWeekdaysInTheTextColourAndTheSelectionHighlighted) {
  Shot shot(cal);
  const RECT sunday = Cell(kxDate(1998, 6, 14)), saturday = Cell(kxDate(1998, 6, 13)),
             tuesday = Cell(kxDate(1998, 6, 16)), selected = Cell(kxDate(1998, 6, 10));
  EXPECT_GT(shot.Count(sunday, Reddish), 5);
  EXPECT_EQ(shot.Count(sunday, Bluish), 0);
  EXPECT_GT(shot.Count(saturday, Bluish), 5);
  EXPECT_EQ(shot.Count(saturday, Reddish), 0);
  EXPECT_GT(shot.Count(tuesday, Dark), 5);
  EXPECT_EQ(shot.Count(tuesday, Reddish) + shot.Count(tuesday, Bluish), 0);
  const COLORREF window = GetSysColor(COLOR_WINDOW), highlight = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(shot.At(tuesday.left + 1, tuesday.bottom - 1), window);
  EXPECT_EQ(shot.At(selected.left + 1, selected.bottom - 1), highlight);
  EXPECT_EQ(shot.At(selected.right - 1, selected.top), highlight);
  const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  EXPECT_GT(shot.Count(selected, [&](COLORREF c) { return c == highlightText; }), 5);
  // The heading: fixed colour, weekday colours, the locale's names.
  const RECT head0 = cal->CellRect(0, 0), head3 = cal->CellRect(3, 0);
  EXPECT_EQ(shot.At(head3.left + 2, head3.bottom - 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_GT(shot.Count(head0, Reddish), 3);
  // Empty cells are plain.
  const RECT empty = cal->CellRect(0, 1);
  EXPECT_EQ(shot.Count(empty, [&](COLORREF c) { return c != window; }), 0);
  // Text centred: the ink's middle near the cell's.
  const RECT tue = tuesday;
  int left = tue.right, right = tue.left;
  for (int y = tue.top; y < tue.bottom; ++y) {
    for (int x = tue.left; x < tue.right; ++x) {
      if (Dark(shot.At(x, y))) {
        left = std::min(left, x);
        right = std::max(right, x + 1);
      }
    }
  }
  EXPECT_LE(std::abs((left + right) / 2 - (tue.left + tue.right) / 2), 2);
}

TEST_F(CalendarTest, HolidaysAndTheMondayAfterASundayHolidayInTheHolidayColour) {
  cal->SetHoliday(true);
  cal->SetColorOfHoliday(kGreen);
  cal->SetYear(1999);
  cal->SetMonth(10);
  // 1999-10-10 is a Sunday.
  Shot shot(cal);
  const RECT sunday = Cell(kxDate(1999, 10, 10)), monday = Cell(kxDate(1999, 10, 11)),
             tuesday = Cell(kxDate(1999, 10, 12)), plainSunday = Cell(kxDate(1999, 10, 17));
  EXPECT_GT(shot.Count(sunday, Greenish), 5);
  EXPECT_EQ(shot.Count(sunday, Reddish), 0);
  EXPECT_GT(shot.Count(monday, Greenish), 5);
  EXPECT_EQ(shot.Count(tuesday, Greenish), 0);
  EXPECT_GT(shot.Count(tuesday, Dark), 5);
  EXPECT_GT(shot.Count(plainSunday, Reddish), 5);
  // clNone: holidays in their weekday's colours, marks or not.
  cal->SetColorOfHoliday(clNone);
  EXPECT_TRUE(cal->IsHoliday(10, 10));
  Shot off(cal);
  EXPECT_EQ(off.Count(sunday, Greenish), 0);
  EXPECT_GT(off.Count(sunday, Reddish), 5);
  EXPECT_EQ(off.Count(monday, Greenish), 0);
  EXPECT_GT(off.Count(monday, Dark), 5);
}

TEST_F(CalendarTest, WeekdayColoursTakeOnlyTheSevenIndices) {
  cal->SetColorOfWeek(7, kGreen);
  cal->SetColorOfWeek(-1, kGreen);
  for (int i = 0; i < 7; ++i) EXPECT_NE(cal->ColorOfWeek().GetColor(i), kGreen);
  EXPECT_EQ(cal->ColorOfWeek().GetColor(7), 0);
  cal->SetColorOfWeek(1, kGreen);
  EXPECT_EQ(cal->ColorOfWeek().Monday(), kGreen);
  Shot shot(cal);
  EXPECT_GT(shot.Count(Cell(kxDate(1998, 6, 15)), Greenish), 5);
  // Another set's colours all at once.
  kxvColorOfWeek plain(nullptr);
  for (int i = 0; i < 7; ++i) plain.SetColor(i, clBlack);
  cal->SetColorOfWeek(plain);
  EXPECT_EQ(cal->ColorOfWeek().Sunday(), clBlack);
  EXPECT_EQ(Shot(cal).Count(Cell(kxDate(1998, 6, 14)), Reddish), 0);
}

TEST_F(CalendarTest, DrawEventsGetEveryCellAndTheMemoStrip) {
  cal->SetMemoHeight(10);
  EXPECT_EQ(cal->RowHeights(1) - cal->RowHeights(0), 10);
  EXPECT_LE(cal->Height(), 200);
  int cells = 0, memos = 0;
  cal->OnDrawCell = [&](TObject*, int col, int row, const RECT& r, TGridDrawState state) {
    ++cells;
    const bool selected = Same(cal->CellToDate(col, row), 1998, 6, 10);
    EXPECT_EQ((state & gdSelected) != 0, selected) << col << "," << row;
    EXPECT_EQ((state & gdFixed) != 0, row == 0);
    EXPECT_EQ(r.bottom - r.top, cal->RowHeights(row));
  };
  cal->OnDrawMemo = [&](TObject*, int col, int row, const RECT& r, TGridDrawState) {
    ++memos;
    const RECT cell = cal->CellRect(col, row);
    EXPECT_EQ(r.bottom, cell.bottom);
    EXPECT_EQ(r.bottom - r.top, 10);
    EXPECT_TRUE(r.left == cell.left && r.right == cell.right);
  };
  Shot shot(cal);
  EXPECT_EQ(cells, 49);
  EXPECT_EQ(memos, 49);
  // The day's text sits above the strip.
  const RECT sunday = Cell(kxDate(1998, 6, 14));
  EXPECT_EQ(shot.Count(RECT{sunday.left, sunday.bottom - 10, sunday.right, sunday.bottom}, Reddish),
            0);
  EXPECT_GT(shot.Count(sunday, Reddish), 5);
}

// --- label ------------------------------------------------------------------------

TEST_F(CalendarTest, TheDateLabelShowsTheMonthUntilItGoes) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  cal->SetDateLabel(label);
  EXPECT_EQ(label->Caption(), "1998/06");
  cal->NextMonth();
  EXPECT_EQ(label->Caption(), "1998/07");
  cal->SetDateLabelFormat("yyyy'年'm'月'");
  EXPECT_EQ(label->Caption(), "1998年7月");
  delete label;
  EXPECT_EQ(cal->DateLabel(), nullptr);
  cal->NextMonth();
  EXPECT_TRUE(Shows(1998, 8));
}

// --- size -------------------------------------------------------------------------

TEST_F(CalendarTest, BoundsSnapToWholeCellsAndTheFrameKeepsTheCells) {
  const int edge = GetSystemMetrics(SM_CXEDGE);
  const int col = (300 - 7 - 2 * edge) / 7, head = (200 - 7 - 2 * edge) / 7;
  EXPECT_EQ(cal->DefaultColWidth(), col);
  EXPECT_EQ(cal->Width(), 7 + 7 * col + 2 * edge);
  EXPECT_EQ(cal->Height(), 7 + 7 * head + 2 * edge);
  // The cells fill the client area exactly.
  EXPECT_EQ(cal->CellRect(6, 6).right + 1, cal->ClientRect().right);
  EXPECT_EQ(cal->CellRect(6, 6).bottom + 1, cal->ClientRect().bottom);

  cal->SetBorderStyle(bsNone);
  EXPECT_EQ(cal->DefaultColWidth(), col);
  EXPECT_EQ(cal->Width(), 7 + 7 * col);
  EXPECT_FALSE(GetWindowLongA(cal->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  cal->SetBorderStyle(bsSingle);
  EXPECT_EQ(cal->Width(), 7 + 7 * col + 2 * edge);
  cal->SetCtl3D(false);
  EXPECT_EQ(cal->DefaultColWidth(), col);
  EXPECT_EQ(cal->Width(), 7 + 7 * col + 2 * GetSystemMetrics(SM_CXBORDER));
  EXPECT_TRUE(GetWindowLongA(cal->Handle(), GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(cal->CellRect(6, 6).right + 1, cal->ClientRect().right);

  // A stored layout's size stands as it is.
  cal->BeginLoad();
  cal->SetBounds(0, 0, 250, 150);
  cal->EndLoad();
  EXPECT_EQ(cal->Width(), 250);
  EXPECT_EQ(cal->DefaultColWidth(), (250 - 7 - 2) / 7);

  // Room for the month bar.
  cal->SetScrollBars(ssVertical);
  cal->SetWidthHeight();
  EXPECT_EQ(cal->CellRect(6, 6).right + 1, cal->ClientRect().right);
}

TEST(kxvCalendarRegister, PutsTheCalendarOnTheNordaPage) {
  Calendr::Register();
  const TPaletteEntry* entry = FindRegisteredComponent("kxvCalendar");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Page, "NORDA");
  TForm form(nullptr);
  TComponent* made = entry->Create(&form);
  EXPECT_NE(dynamic_cast<kxvCalendar*>(made), nullptr);
  EXPECT_EQ(made->Owner(), &form);
}
