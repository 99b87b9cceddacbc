#include "lib/input/Calendrdata.h"

#include "framework/Locale.h"

#include <gtest/gtest.h>

namespace {

kxMonthGrid Month(int year, int month, int start = 0, bool fill = false) {
  kxMonthGrid grid;
  grid.Month = kxDate(year, month, 1);
  grid.StartOfWeek = static_cast<int16_t>(start);
  grid.FillCell = fill;
  grid.Layout();
  return grid;
}

bool Same(const kxDate& a, int year, int month, int day) {
  return a.Year == year && a.Month == month && a.Day == day;
}

uint32_t Bits(std::initializer_list<int> days) {
  uint32_t mask = 0;
  for (int d : days) mask |= uint32_t(1) << d;
  return mask;
}

}  // namespace

// --- layout -----------------------------------------------------------------------

TEST(kxMonthGrid, AFirstOnSundaySitsUnderTheStartColumnOrAtTheEndOfRowOne) {
  // 1998-02-01 is a Sunday.
  kxMonthGrid sunday = Month(1998, 2, 0);
  EXPECT_EQ(sunday.Offset, 1);
  EXPECT_TRUE(Same(sunday.CellToDate(0, 1), 1998, 2, 1));
  int col, row;
  ASSERT_TRUE(sunday.DateToCell(kxDate(1998, 2, 1), col, row));
  EXPECT_EQ(col, 0);
  EXPECT_EQ(row, 1);

  kxMonthGrid monday = Month(1998, 2, 1);
  EXPECT_EQ(monday.Offset, -5);
  ASSERT_TRUE(monday.DateToCell(kxDate(1998, 2, 1), col, row));
  EXPECT_EQ(col, 6);
  EXPECT_EQ(row, 1);
  EXPECT_TRUE(Same(monday.CellToDate(6, 1), 1998, 2, 1));
  EXPECT_TRUE(IsZeroDate(monday.CellToDate(5, 1)));  // January's, without FillCell
  EXPECT_EQ(monday.Weekday(0), 1);
  EXPECT_EQ(monday.Weekday(6), 0);
}

TEST(kxMonthGrid, EveryMonthAndStartPutsTheFirstInRowOneAndRoundTripsEachCell) {
  for (int start = -6; start <= 6; ++start) {
    for (int month = 1; month <= 12; ++month) {
      kxMonthGrid grid = Month(1999, month, start, true);
      SCOPED_TRACE(testing::Message() << "start " << start << " month " << month);
      ASSERT_GE(grid.Offset, -5);
      ASSERT_LE(grid.Offset, 1);
      int col, row;
      ASSERT_TRUE(grid.DateToCell(grid.Month, col, row));
      EXPECT_EQ(row, 1);
      // The first's column shows the first's weekday.
      EXPECT_EQ(grid.Weekday(col), grid.Month.DayOfWeek());
      for (int r = 1; r <= 6; ++r) {
        for (int c = 0; c < 7; ++c) {
          const kxDate date = grid.CellToDate(c, r);
          ASSERT_FALSE(IsZeroDate(date));
          EXPECT_EQ(date.DayOfWeek(), grid.Weekday(c));
          ASSERT_TRUE(grid.DateToCell(date, col, row));
          EXPECT_EQ(col, c);
          EXPECT_EQ(row, r);
        }
      }
    }
  }
}

TEST(kxMonthGrid, ANegativeStartLaysOutAndNamesLikeItsPositiveTwin) {
  kxMonthGrid negative = Month(1998, 6, -1), positive = Month(1998, 6, 6);
  EXPECT_EQ(negative.Offset, positive.Offset);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(negative.Weekday(c), positive.Weekday(c));
    EXPECT_EQ(negative.CellText(c, 0), positive.CellText(c, 0));
  }
  EXPECT_EQ(negative.Weekday(0), 6);  // Saturday first
}

TEST(kxMonthGrid, NeighbouringMonthsCountOnlyWithFillCell) {
  // June 1998 starts on a Monday: cell (0, 1) is May 31 with Sunday first.
  kxMonthGrid plain = Month(1998, 6);
  int col = 9, row = 9;
  EXPECT_FALSE(plain.DateToCell(kxDate(1998, 7, 1), col, row));
  EXPECT_EQ(col, -1);
  EXPECT_EQ(row, -1);
  EXPECT_FALSE(plain.DateToCell(kxDate(1998, 5, 31), col, row));
  EXPECT_TRUE(IsZeroDate(plain.CellToDate(0, 1)));
  EXPECT_EQ(plain.CellText(0, 1), "");

  kxMonthGrid filled = Month(1998, 6, 0, true);
  ASSERT_TRUE(filled.DateToCell(kxDate(1998, 7, 1), col, row));
  EXPECT_EQ(row, 5);
  EXPECT_EQ(col, 3);
  ASSERT_TRUE(filled.DateToCell(kxDate(1998, 7, 11), col, row));
  EXPECT_EQ(row, 6);
  EXPECT_TRUE(Same(filled.CellToDate(0, 1), 1998, 5, 31));
  EXPECT_EQ(filled.CellText(0, 1), "31");
  // 42 cells from May 31 end on July 11.
  EXPECT_FALSE(filled.DateToCell(kxDate(1998, 7, 12), col, row));
  EXPECT_FALSE(filled.DateToCell(kxDate(1998, 5, 30), col, row));
  EXPECT_FALSE(filled.DateToCell(kxDate(0, 0, 0), col, row));
}

TEST(kxMonthGrid, HeadingShowsTheLocaleWeekdayNamesAndTheRestDaysOrNothing) {
  kxMonthGrid grid = Month(1998, 6, 2);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(grid.CellText(c, 0), ShortDayName((2 + c) % 7));
    EXPECT_TRUE(IsZeroDate(grid.CellToDate(c, 0)));
  }
  // Tuesday first: June 1 (a Monday) is at the end of row 1.
  EXPECT_EQ(grid.CellText(6, 1), "1");
  EXPECT_EQ(grid.CellText(0, 2), "2");
  EXPECT_EQ(grid.CellText(0, 1), "");
  // Outside the grid.
  EXPECT_TRUE(IsZeroDate(grid.CellToDate(7, 1)));
  EXPECT_TRUE(IsZeroDate(grid.CellToDate(0, 7)));
  EXPECT_TRUE(IsZeroDate(grid.CellToDate(-1, 2)));
}

// --- holidays ---------------------------------------------------------------------

TEST(kxHolidayMarks, FixedHolidaysWithThisYearsEquinoxInsteadOfMarchTwentieth) {
  kxHolidayMarks marks;
  marks.MarkFixed();
  marks.SetEquinoxDay(1998);
  EXPECT_EQ(marks.Mask(1), Bits({1, 15}));
  EXPECT_EQ(marks.Mask(2), Bits({11}));
  EXPECT_EQ(marks.Mask(3), Bits({21}));
  EXPECT_EQ(marks.Mask(4), Bits({29}));
  EXPECT_EQ(marks.Mask(5), Bits({3, 4, 5}));
  EXPECT_EQ(marks.Mask(6), 0u);
  EXPECT_EQ(marks.Mask(7), Bits({20}));
  EXPECT_EQ(marks.Mask(9), Bits({15, 23}));
  EXPECT_EQ(marks.Mask(10), Bits({10}));
  EXPECT_EQ(marks.Mask(11), Bits({3, 23}));
  EXPECT_EQ(marks.Mask(12), Bits({23}));
  marks.SetEquinoxDay(2000);
  EXPECT_EQ(marks.Mask(3), Bits({20}));
  // A mark of the user's own in March survives outside the equinox days.
  marks.SetHoliday(3, 3, true);
  marks.SetEquinoxDay(1999);
  EXPECT_EQ(marks.Mask(3), Bits({3, 21}));
  marks.Clear();
  for (int m = 0; m <= 12; ++m) EXPECT_EQ(marks.Mask(m), 0u);
}

TEST(kxHolidayMarks, MonthsAndDaysOutsideTheTableReadFalseAndChangeNothing) {
  kxHolidayMarks marks;
  marks.SetHoliday(0, 31, true);  // index 0 and bit 31 are real storage
  EXPECT_TRUE(marks.IsHoliday(0, 31));
  EXPECT_EQ(marks.Mask(0), 0x80000000u);
  for (int month : {-1, 13, 256, 1 << 20}) marks.SetHoliday(month, 3, true);
  // 65539 would be day 3 if it were cut to 16 bits.
  for (int day : {-1, 32, 33, 65539}) marks.SetHoliday(1, day, true);
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(marks.Mask(m), 0u);
  EXPECT_EQ(marks.Mask(-1), 0u);
  EXPECT_EQ(marks.Mask(13), 0u);
  marks.SetHoliday(1, 3, true);
  EXPECT_FALSE(marks.IsHoliday(1, 65539));
  EXPECT_FALSE(marks.IsHoliday(13, 3));
  EXPECT_FALSE(marks.IsHoliday(-12, 3));
  EXPECT_TRUE(marks.IsHoliday(1, 3));
}

TEST(kxHolidayMarks, TheMondayAfterAMarkedSundayCountsAsAHoliday) {
  kxHolidayMarks marks;
  marks.MarkFixed();
  // 1999-10-10, Health and Sports Day, is a Sunday.
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(1999, 10, 10)));
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(1999, 10, 11)));
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(1999, 10, 12)));
  // In 1998 it is a Saturday: the Monday after is an ordinary day.
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(1998, 10, 10)));
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(1998, 10, 12)));
  // Across a month's end: 1998-11-23 is a Monday, 11-22 not marked.
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(1998, 11, 23)));
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(1998, 11, 24)));
}

// --- navigation -------------------------------------------------------------------

TEST(CalendarNavigation, MonthStepsStopAtTheMonthsOfTheLimits) {
  const kxDate min(1900, 1, 15), max(2099, 12, 31);
  EXPECT_TRUE(Same(PrevMonthOf(kxDate(1998, 1, 1), min), 1997, 12, 1));
  EXPECT_TRUE(Same(NextMonthOf(kxDate(1998, 12, 1), max), 1999, 1, 1));
  // A day other than 1 is put back first, so no month is skipped.
  EXPECT_TRUE(Same(NextMonthOf(kxDate(1998, 1, 31), max), 1998, 2, 1));
  EXPECT_TRUE(Same(PrevMonthOf(kxDate(1900, 1, 1), min), 1900, 1, 1));
  EXPECT_TRUE(Same(PrevMonthOf(kxDate(1900, 2, 1), min), 1900, 1, 1));
  EXPECT_TRUE(Same(NextMonthOf(kxDate(2099, 12, 1), max), 2099, 12, 1));
}

TEST(CalendarNavigation, ScrollRequestsMoveByYearThumbOrEndWithinTheLimits) {
  const kxDate min(1900, 1, 1), max(2099, 12, 31);
  kxDate month(1998, 3, 1);
  EXPECT_TRUE(ScrollMonth(month, scPageUp, 0, false, min, max));
  EXPECT_TRUE(Same(month, 1997, 3, 1));
  EXPECT_TRUE(ScrollMonth(month, scPageDown, 0, false, min, max));
  EXPECT_TRUE(Same(month, 1998, 3, 1));
  EXPECT_TRUE(ScrollMonth(month, scThumbPosition, 23981, false, min, max));
  EXPECT_TRUE(Same(month, 1998, 6, 1));
  EXPECT_EQ(MonthPosition(month), 23981);
  // Tracking is dropped unless asked for.
  EXPECT_FALSE(ScrollMonth(month, scThumbTrack, 24000, false, min, max));
  EXPECT_TRUE(Same(month, 1998, 6, 1));
  EXPECT_TRUE(ScrollMonth(month, scThumbTrack, 24000, true, min, max));
  EXPECT_TRUE(Same(month, 2000, 1, 1));
  EXPECT_TRUE(ScrollMonth(month, scTop, 0, false, min, max));
  EXPECT_TRUE(Same(month, 1900, 1, 1));
  EXPECT_TRUE(ScrollMonth(month, scBottom, 0, false, min, max));
  EXPECT_TRUE(Same(month, 2099, 12, 1));
  EXPECT_TRUE(ScrollMonth(month, scPageDown, 0, false, min, max));
  EXPECT_TRUE(Same(month, 2099, 12, 1));
  EXPECT_TRUE(ScrollMonth(month, scThumbPosition, -5, false, min, max));
  EXPECT_TRUE(Same(month, 1900, 1, 1));
  EXPECT_TRUE(ScrollMonth(month, scPageUp, 0, false, min, max));
  EXPECT_TRUE(Same(month, 1900, 1, 1));
  // Other requests leave the month, only brought into the limits.
  month = kxDate(2150, 5, 1);
  EXPECT_TRUE(ScrollMonth(month, 8, 0, false, min, max));
  EXPECT_TRUE(Same(month, 2099, 12, 1));
}

// --- size -------------------------------------------------------------------------

TEST(CalendarSize, ZeroKeepsTheCellsAndOtherSizesSnapToWholeCells) {
  kxCalendarFrame frame;
  frame.Border = 4;
  kxCalendarCells cells{24, 16, 16};
  int width = 0, height = 0;
  CalcCalendarSize(frame, cells, width, height);
  EXPECT_EQ(width, 7 + 7 * 24 + 4);
  EXPECT_EQ(height, 16 + 6 * 16 + 7 + 4);

  frame.VBar = 16;
  frame.HBar = 16;
  width = 300;
  height = 0;
  CalcCalendarSize(frame, cells, width, height);
  EXPECT_EQ(cells.ColWidth, (300 - 7 - 16 - 4) / 7);
  EXPECT_EQ(width, 7 + 7 * 39 + 4 + 16);
  EXPECT_EQ(height, 16 + 6 * 16 + 7 + 4 + 16);
  // A snapped size stays as it is.
  int again = width;
  height = 0;
  CalcCalendarSize(frame, cells, again, height);
  EXPECT_EQ(again, width);
}

TEST(CalendarSize, TheMemoStripGoesIntoEveryWeekRowButNotTheHeading) {
  kxCalendarFrame frame;
  frame.Border = 4;
  frame.MemoHeight = 10;
  kxCalendarCells cells{24, 16, 16};
  int width = 0, height = 200;
  CalcCalendarSize(frame, cells, width, height);
  const int h = (200 - 7 - 60 - 4) / 7;
  EXPECT_EQ(cells.HeadHeight, h);
  EXPECT_EQ(cells.RowHeight, h + 10);
  EXPECT_EQ(height, h + 6 * (h + 10) + 7 + 4);
  EXPECT_LE(height, 200);
  // Too small for any cell: the cells shrink to nothing, not below.
  width = 3;
  height = 3;
  CalcCalendarSize(frame, cells, width, height);
  EXPECT_EQ(cells.ColWidth, 0);
  EXPECT_EQ(cells.HeadHeight, 0);
  EXPECT_EQ(cells.RowHeight, 10);
  EXPECT_EQ(width, 7 + 4);
}
