#include "lib/input/Calendr.h"

#include "framework/Forms.h"
#include "framework/Locale.h"
#include "framework/StdCtrls.h"
#include "tests/helpers/Shot.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

constexpr TColor kGreen = 0x00A000;  // RGB(0, 160, 0)
using Cell = std::pair<int, int>;

bool Same(const kxDate& a, int year, int month, int day) {
  return a.Year == year && a.Month == month && a.Day == day;
}

// Text pixels by their main colour; smoothing may blend the edges.
bool Reddish(COLORREF c) { return GetRValue(c) >= 128 && GetGValue(c) < 96 && GetBValue(c) < 96; }
bool Bluish(COLORREF c) { return GetBValue(c) >= 128 && GetRValue(c) < 96 && GetGValue(c) < 96; }
bool Greenish(COLORREF c) { return GetGValue(c) >= 100 && GetRValue(c) < 96 && GetBValue(c) < 96; }
bool Dark(COLORREF c) { return GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96; }

// A shown calendar on June 1998 (June 1 is a Monday) with the 10th
// selected, in cells of about 40 x 26 pixels.
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
    cal->OnChange = [this](TObject* sender) { changes += sender == cal; };
    cal->OnSelectCell = [this](TObject*, int col, int row, bool& canSelect) {
      asked.emplace_back(col, row);
      canSelect = !veto;
    };
    form->Show();
    Application().ProcessMessages();
  }
  void TearDown() override { delete form; }

  Cell CellOf(const kxDate& date) const {
    int col, row;
    EXPECT_TRUE(cal->DateToCell(date, col, row));
    return {col, row};
  }
  RECT Rect(const kxDate& date) const {
    const Cell c = CellOf(date);
    return cal->CellRect(c.first, c.second);
  }
  void Click(int col, int row) {
    RECT r = cal->CellRect(col, row);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(cal->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(cal->Handle(), WM_LBUTTONUP, 0, at);
  }
  void Scroll(UINT msg, WORD code, int position = 0) {
    SendMessageA(cal->Handle(), msg, MAKEWPARAM(code, position), 0);
  }
  bool Shows(int year, int month) const { return Same(cal->Date(), year, month, 1); }

  TForm* form = nullptr;
  kxvCalendar* cal = nullptr;
  int changes = 0;
  std::vector<Cell> asked;
  bool veto = false;
};

}  // namespace

TEST(kxvCalendar, StartsOnTodaySizedToItsCellsAndIsOnTheNordaPage) {
  TForm form(nullptr);
  auto* cal = new kxvCalendar(&form);
  const kxDate today;
  EXPECT_TRUE(Same(cal->Date(), today.Year, today.Month, 1));
  EXPECT_TRUE(Same(cal->SelDate(), today.Year, today.Month, today.Day));
  EXPECT_TRUE(cal->MinDateText() == "1900/01/01" && cal->MaxDateText() == "2099/12/31");
  EXPECT_EQ(cal->DateLabelFormat(), "yyyy/mm");
  EXPECT_TRUE(cal->ColorOfWeek().Sunday() == clRed && cal->ColorOfWeek().Saturday() == 0xFF0000);
  EXPECT_EQ(cal->ColorOfWeek().Wednesday(), clWindowText);
  EXPECT_EQ(cal->Options() & (goRangeSelect | goDrawFocusSelected), 0u);
  EXPECT_TRUE(cal->FixedCols() == 0 && cal->FixedRows() == 1 && cal->RowCount() == 7);
  const int edge = 2 * GetSystemMetrics(SM_CXEDGE);
  EXPECT_EQ(cal->Width(), 7 + 7 * 24 + edge);
  EXPECT_EQ(cal->Height(), 16 + 6 * 16 + 7 + edge);
  int col, row;
  ASSERT_TRUE(cal->DateToCell(today, col, row));
  EXPECT_TRUE(cal->Col() == col && cal->Row() == row);

  Calendr::Register();
  const TPaletteEntry* entry = FindRegisteredComponent("kxvCalendar");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Page, "NORDA");
  EXPECT_NE(dynamic_cast<kxvCalendar*>(entry->Create(&form)), nullptr);
}

TEST_F(CalendarTest, TheFirstFallsUnderItsWeekdayAndNeighboursCountWithFillCell) {
  cal->SetDate(kxDate(1998, 2, 1));  // a Sunday
  EXPECT_EQ(CellOf(kxDate(1998, 2, 1)), Cell(0, 1));
  EXPECT_EQ(cal->GetCellText(0, 0), ShortDayName(0));
  cal->SetStartOfWeek(1);
  EXPECT_EQ(CellOf(kxDate(1998, 2, 1)), Cell(6, 1));
  EXPECT_EQ(cal->GetCellText(0, 0), ShortDayName(1));
  EXPECT_EQ(cal->GetCellText(0, 1), "");
  // Modulo 7 with the sign: -1 draws as Saturday first.
  cal->SetStartOfWeek(-8);
  EXPECT_EQ(cal->StartOfWeek(), -1);
  EXPECT_EQ(cal->GetCellText(0, 0), ShortDayName(6));
  EXPECT_EQ(CellOf(kxDate(1998, 2, 1)), Cell(1, 1));

  cal->SetStartOfWeek(0);
  cal->SetDate(kxDate(1998, 6, 1));
  int col, row;
  EXPECT_FALSE(cal->DateToCell(kxDate(1998, 7, 1), col, row));
  cal->SetFillCell(true);
  ASSERT_TRUE(cal->DateToCell(kxDate(1998, 7, 1), col, row));
  EXPECT_EQ(row, 5);
  EXPECT_EQ(CellOf(kxDate(1998, 7, 11)).second, 6);
  Click(0, 1);  // May 31 is selected; the month stays
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 5, 31));
  EXPECT_TRUE(Shows(1998, 6));
}

TEST_F(CalendarTest, ClicksAndKeysSelectDaysThroughOnSelectCellButNeverTheHeadingOrEmptyCells) {
  const Cell fifteenth = CellOf(kxDate(1998, 6, 15));
  Click(fifteenth.first, fifteenth.second);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], fifteenth);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 15));
  EXPECT_EQ(Cell(cal->Col(), cal->Row()), fifteenth);
  Click(3, 0);  // heading
  Click(0, 1);  // May 31
  Click(6, 6);  // after June 30
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 15));
  veto = true;
  Click(fifteenth.first + 1, fifteenth.second);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 15));

  veto = false;
  auto key = [&](WORD k) { SendMessageA(cal->Handle(), WM_KEYDOWN, k, 1); };
  key(VK_RIGHT);
  key(VK_DOWN);
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 23));
  cal->SetDay(1);
  key(VK_LEFT);  // May 31's cell is empty
  key(VK_UP);    // the heading
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 1));
  cal->SetDay(31);  // June has 30
  cal->SetSelDate(kxDate(1998, 7, 1));  // not shown
  EXPECT_TRUE(Same(cal->SelDate(), 1998, 6, 1));
  EXPECT_EQ(changes, 0);
}

TEST_F(CalendarTest, MonthStepsStopAtTheLimitsMonthsWithoutOnChange) {
  cal->SetMaxDate(kxDate(1998, 8, 15));
  cal->SetMinDateText("1998/05/20");
  EXPECT_EQ(cal->MinDateText(), "1998/05/20");
  cal->NextMonth();
  cal->NextMonth();
  cal->NextMonth();
  EXPECT_TRUE(Shows(1998, 8));
  EXPECT_EQ(changes, 2);
  for (int i = 0; i < 4; ++i) cal->PrevMonth();
  EXPECT_TRUE(Shows(1998, 5));
  EXPECT_EQ(changes, 5);
  // SetDate ignores the limits, and new limits do not move the month.
  cal->SetDate(kxDate(1990, 1, 17));
  cal->SetMaxDateText("1998/09/30");
  cal->SetMaxDateText("no date");
  EXPECT_EQ(cal->MaxDateText(), "1998/09/30");
  EXPECT_TRUE(Shows(1990, 1));
  changes = 0;
  cal->SetYear(1990);
  cal->SetMonth(1);
  EXPECT_EQ(changes, 0);
  cal->SetYear(1995);
  cal->SetMonth(4);
  EXPECT_TRUE(Shows(1995, 4));
  EXPECT_EQ(changes, 2);
}

TEST_F(CalendarTest, ScrollBarsMoveByMonthYearThumbAndEndWithinTheLimits) {
  cal->SetScrollBars(ssVertical);
  HWND h = cal->Handle();
  ASSERT_EQ(GetWindowLongA(h, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), WS_VSCROLL);
  int low = 0, high = 0;
  GetScrollRange(h, SB_VERT, &low, &high);
  EXPECT_TRUE(low == 1900 * 12 && high == 2099 * 12 + 11);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 1998 * 12 + 5);
  Scroll(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_TRUE(Shows(1998, 7));
  Scroll(WM_VSCROLL, SB_LINEUP);
  Scroll(WM_VSCROLL, SB_PAGEUP);
  EXPECT_TRUE(Shows(1997, 6));
  Scroll(WM_VSCROLL, SB_PAGEDOWN);
  Scroll(WM_VSCROLL, SB_PAGEDOWN);
  EXPECT_TRUE(Shows(1999, 6));
  EXPECT_EQ(changes, 5);
  Scroll(WM_VSCROLL, SB_THUMBPOSITION, 23981);
  EXPECT_TRUE(Shows(1998, 6));
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 23981);
  Scroll(WM_VSCROLL, SB_THUMBTRACK, 24000);  // followed only with tracking
  EXPECT_TRUE(Shows(1998, 6));
  cal->SetOptions(cal->Options() | goThumbTracking);
  Scroll(WM_VSCROLL, SB_THUMBTRACK, 24000);
  EXPECT_TRUE(Shows(2000, 1));
  Scroll(WM_VSCROLL, SB_TOP);
  Scroll(WM_VSCROLL, SB_LINEUP);
  EXPECT_TRUE(Shows(1900, 1));
  Scroll(WM_VSCROLL, SB_BOTTOM);
  const int before = changes;
  Scroll(WM_VSCROLL, SB_PAGEDOWN);
  Scroll(WM_VSCROLL, SB_ENDSCROLL);
  EXPECT_TRUE(Shows(2099, 12));
  EXPECT_EQ(changes, before);

  cal->SetScrollBars(ssHorizontal);
  h = cal->Handle();
  EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), WS_HSCROLL);
  cal->SetMinDate(kxDate(1998, 5, 20));
  cal->SetMaxDate(kxDate(1998, 8, 15));
  GetScrollRange(h, SB_HORZ, &low, &high);
  EXPECT_TRUE(low == 1998 * 12 + 4 && high == 1998 * 12 + 7);
  Scroll(WM_HSCROLL, SB_THUMBPOSITION, 23981 - 12);
  EXPECT_TRUE(Shows(1998, 5));
  Scroll(WM_HSCROLL, SB_LINERIGHT);
  EXPECT_EQ(GetScrollPos(h, SB_HORZ), 23981);
}

TEST_F(CalendarTest, HolidayMarksTheNationalHolidaysByDateAndLeavesTheOwnersMarksAlone) {
  cal->SetHoliday(6, 14, true);
  cal->SetHoliday(true);
  EXPECT_TRUE(cal->Holiday());
  EXPECT_FALSE(cal->IsHoliday(1, 1));  // the owner's marks only
  EXPECT_TRUE(cal->IsHoliday(6, 14));
  EXPECT_TRUE(cal->IsNationalHoliday(kxDate(1998, 3, 21)));
  EXPECT_EQ(cal->HolidayName(kxDate(1998, 3, 21)), "春分の日");
  EXPECT_EQ(cal->HolidayName(kxDate(2026, 11, 3)), "文化の日");
  EXPECT_EQ(cal->HolidayName(kxDate(2026, 12, 23)), "");
  EXPECT_FALSE(cal->IsNationalHoliday(kxDate(1998, 6, 14)));
  cal->SetHoliday(13, 10, true);
  cal->SetHoliday(6, 32, true);
  EXPECT_FALSE(cal->IsHoliday(13, 10) || cal->IsHoliday(6, 32));
  cal->SetHoliday(false);
  EXPECT_FALSE(cal->IsNationalHoliday(kxDate(1998, 3, 21)));
  EXPECT_EQ(cal->HolidayName(kxDate(1998, 3, 21)), "");
  EXPECT_TRUE(cal->IsHoliday(6, 14));
  cal->ClearHoliday();
  EXPECT_FALSE(cal->IsHoliday(6, 14));
}

TEST_F(CalendarTest, PaintsEachMonthsOwnHolidaysWhicheverWayTheMonthChanged) {
  cal->SetScrollBars(ssVertical);
  cal->SetHoliday(true);
  cal->SetColorOfHoliday(kGreen);
  // The days of the month shown painted in the holiday colour, and those
  // painted in another.
  auto expect = [&](std::initializer_list<int> holidays, std::initializer_list<int> others) {
    const Shot shot(cal);
    const kxDate& month = cal->Date();
    for (int day : holidays) {
      EXPECT_GT(shot.Count(Rect(kxDate(month.Year, month.Month, day)), Greenish), 5)
          << month.ToText() << "/" << day;
    }
    for (int day : others) {
      EXPECT_EQ(shot.Count(Rect(kxDate(month.Year, month.Month, day)), Greenish), 0)
          << month.ToText() << "/" << day;
    }
  };
  cal->SetDate(kxDate(2026, 12, 1));
  expect({}, {23});  // the Emperor's Birthday until 2018
  cal->PrevMonth();
  expect({3, 23}, {4, 24});
  cal->SetYear(2019);  // 11/3 a Sunday
  expect({3, 4}, {5});
  cal->SetMonth(12);
  expect({}, {23});  // no Emperor's Birthday that year
  cal->SetYear(2018);
  expect({23, 24}, {25});
  Scroll(WM_VSCROLL, SB_THUMBPOSITION, 2020 * 12 + 6);  // the Olympic July
  expect({23, 24}, {20});
  Scroll(WM_VSCROLL, SB_PAGEDOWN);
  expect({22, 23}, {19, 24});
  Scroll(WM_VSCROLL, SB_LINEDOWN);
  expect({8, 9}, {10, 11});
  cal->SetDate(kxDate(2026, 3, 1));
  expect({20}, {21});
  Scroll(WM_VSCROLL, SB_THUMBPOSITION, 2023 * 12 + 2);  // the equinox of the year shown
  expect({21}, {20});
  cal->SetYear(2026);
  cal->SetMonth(9);
  expect({21, 22, 23}, {24});
  // The neighbouring months' days too.
  cal->SetFillCell(true);
  cal->SetDate(kxDate(2026, 12, 1));
  const Shot filled(cal);
  EXPECT_GT(filled.Count(Rect(kxDate(2027, 1, 1)), Greenish), 5);
  EXPECT_EQ(filled.Count(Rect(kxDate(2027, 1, 4)), Greenish), 0);
}

TEST_F(CalendarTest, PaintsWeekdayColoursTheHeadingAndTheSelectedDayHighlighted) {
  Shot shot(cal);
  const RECT sunday = Rect(kxDate(1998, 6, 14)), saturday = Rect(kxDate(1998, 6, 13)),
             tuesday = Rect(kxDate(1998, 6, 16)), selected = Rect(kxDate(1998, 6, 10));
  EXPECT_GT(shot.Count(sunday, Reddish), 5);
  EXPECT_GT(shot.Count(saturday, Bluish), 5);
  EXPECT_EQ(shot.Count(saturday, Reddish) + shot.Count(sunday, Bluish), 0);
  EXPECT_GT(shot.Count(tuesday, Dark), 5);
  EXPECT_EQ(shot.At(tuesday.left + 1, tuesday.bottom - 1), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(shot.At(selected.left + 1, selected.bottom - 1), GetSysColor(COLOR_HIGHLIGHT));
  const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  EXPECT_GT(shot.Count(selected, [&](COLORREF c) { return c == highlightText; }), 5);
  const RECT head = cal->CellRect(0, 0);
  EXPECT_EQ(shot.At(head.left + 2, head.bottom - 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_GT(shot.Count(head, Reddish), 3);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(shot.Count(cal->CellRect(0, 1), [&](COLORREF c) { return c != window; }), 0);
  // Only the seven indices take a colour.
  cal->SetColorOfWeek(7, kGreen);
  cal->SetColorOfWeek(-1, kGreen);
  for (int i = 0; i < 7; ++i) EXPECT_NE(cal->ColorOfWeek().GetColor(i), kGreen);
  cal->SetColorOfWeek(2, kGreen);
  EXPECT_GT(Shot(cal).Count(tuesday, Greenish), 5);
}

TEST_F(CalendarTest, PaintsHolidaysAndTheMondayAfterASundayHolidayInTheHolidayColour) {
  cal->SetHoliday(true);
  cal->SetColorOfHoliday(kGreen);
  cal->SetYear(1999);
  cal->SetMonth(10);  // 1999-10-10 is a Sunday
  Shot shot(cal);
  const RECT sunday = Rect(kxDate(1999, 10, 10)), monday = Rect(kxDate(1999, 10, 11)),
             tuesday = Rect(kxDate(1999, 10, 12));
  EXPECT_GT(shot.Count(sunday, Greenish), 5);
  EXPECT_EQ(shot.Count(sunday, Reddish), 0);
  EXPECT_GT(shot.Count(monday, Greenish), 5);
  EXPECT_EQ(shot.Count(tuesday, Greenish), 0);
  EXPECT_GT(shot.Count(Rect(kxDate(1999, 10, 17)), Reddish), 5);
  cal->SetColorOfHoliday(clNone);  // off, though the marks stay
  Shot off(cal);
  EXPECT_EQ(off.Count(sunday, Greenish) + off.Count(monday, Greenish), 0);
  EXPECT_GT(off.Count(sunday, Reddish), 5);
  EXPECT_GT(off.Count(monday, Dark), 5);
}

TEST_F(CalendarTest, DrawEventsGetEveryCellAndTheMemoStripBelowTheText) {
  cal->SetMemoHeight(10);
  EXPECT_EQ(cal->RowHeights(1) - cal->RowHeights(0), 10);
  int cells = 0, memos = 0;
  cal->OnDrawCell = [&](TObject*, int col, int row, const RECT& r, TGridDrawState state) {
    ++cells;
    EXPECT_EQ((state & gdSelected) != 0, Same(cal->CellToDate(col, row), 1998, 6, 10));
    EXPECT_EQ((state & gdFixed) != 0, row == 0);
    EXPECT_EQ(r.bottom - r.top, cal->RowHeights(row));
  };
  cal->OnDrawMemo = [&](TObject*, int col, int row, const RECT& r, TGridDrawState) {
    ++memos;
    const RECT cell = cal->CellRect(col, row);
    EXPECT_TRUE(r.bottom == cell.bottom && r.top == cell.bottom - 10 && r.left == cell.left);
  };
  Shot shot(cal);
  EXPECT_TRUE(cells == 49 && memos == 49);
  const RECT sunday = Rect(kxDate(1998, 6, 14));
  EXPECT_GT(shot.Count(sunday, Reddish), 5);
  EXPECT_EQ(shot.Count(RECT{sunday.left, sunday.bottom - 10, sunday.right, sunday.bottom},
                       Reddish), 0);
}

TEST_F(CalendarTest, TheDateLabelShowsTheMonthUntilItGoes) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  cal->SetDateLabel(label);
  EXPECT_EQ(label->Caption(), "1998/06");
  cal->NextMonth();
  cal->SetDateLabelFormat("yyyy'年'm'月'");
  EXPECT_EQ(label->Caption(), "1998年7月");
  delete label;
  EXPECT_EQ(cal->DateLabel(), nullptr);
  cal->NextMonth();
  EXPECT_TRUE(Shows(1998, 8));
}

TEST_F(CalendarTest, BoundsSnapToWholeCellsAndFrameChangesKeepTheCells) {
  const int edge = GetSystemMetrics(SM_CXEDGE), col = (300 - 7 - 2 * edge) / 7;
  EXPECT_EQ(cal->Width(), 7 + 7 * col + 2 * edge);
  EXPECT_EQ(cal->Height(), 7 + 7 * ((200 - 7 - 2 * edge) / 7) + 2 * edge);
  auto fills = [&] {
    const RECT last = cal->CellRect(6, 6), client = cal->ClientRect();
    return last.right + 1 == client.right && last.bottom + 1 == client.bottom;
  };
  EXPECT_TRUE(fills());
  cal->SetBorderStyle(bsNone);
  EXPECT_EQ(cal->Width(), 7 + 7 * col);
  cal->SetBorderStyle(bsSingle);
  cal->SetCtl3D(false);
  EXPECT_EQ(cal->DefaultColWidth(), col);
  EXPECT_EQ(cal->Width(), 7 + 7 * col + 2 * GetSystemMetrics(SM_CXBORDER));
  EXPECT_TRUE(fills());
  cal->SetScrollBars(ssVertical);
  cal->SetWidthHeight();
  EXPECT_TRUE(fills());
  // A stored layout's size stands as it is.
  cal->BeginLoad();
  cal->SetBounds(0, 0, 250, 150);
  cal->EndLoad();
  EXPECT_EQ(cal->Width(), 250);
}
