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

TEST(kxMonthGrid, EveryMonthAndStartPutsTheFirstInRowOneAndRoundTripsAll42Cells) {
  for (int start = -6; start <= 6; ++start) {
    for (int month = 1; month <= 12; ++month) {
      const kxMonthGrid grid = Month(1999, month, start, true);
      SCOPED_TRACE(testing::Message() << "start " << start << " month " << month);
      ASSERT_TRUE(grid.Offset >= -5 && grid.Offset <= 1);
      int col, row;
      ASSERT_TRUE(grid.DateToCell(grid.Month, col, row));
      EXPECT_EQ(row, 1);
      for (int r = 1; r <= 6; ++r) {
        for (int c = 0; c < 7; ++c) {
          const kxDate date = grid.CellToDate(c, r);
          EXPECT_EQ(date.DayOfWeek(), grid.Weekday(c));
          ASSERT_TRUE(grid.DateToCell(date, col, row));
          EXPECT_TRUE(col == c && row == r);
        }
      }
      // One day either side of the 42 has no cell.
      kxDate before(grid.FirstCellDays() - 1), after(grid.FirstCellDays() + 42);
      EXPECT_FALSE(grid.DateToCell(before, col, row));
      EXPECT_FALSE(grid.DateToCell(after, col, row));
      EXPECT_TRUE(col == -1 && row == -1);
    }
  }
}

TEST(kxMonthGrid, NegativeStartsLayOutAndNameLikeTheirPositiveTwins) {
  const kxMonthGrid negative = Month(1998, 6, -1), positive = Month(1998, 6, 6);
  EXPECT_EQ(negative.Offset, positive.Offset);
  for (int c = 0; c < 7; ++c) EXPECT_EQ(negative.CellText(c, 0), positive.CellText(c, 0));
  EXPECT_EQ(negative.CellText(0, 0), ShortDayName(6));  // Saturday first
  // Outside the grid and outside the month (no FillCell): the zero date.
  EXPECT_TRUE(IsZeroDate(positive.CellToDate(7, 1)));
  EXPECT_TRUE(IsZeroDate(positive.CellToDate(0, 7)));
  EXPECT_TRUE(IsZeroDate(positive.CellToDate(0, 1)));  // May 30
  EXPECT_EQ(positive.CellText(0, 1), "");
  EXPECT_EQ(positive.CellText(2, 1), "1");
}

TEST(kxHolidayMarks, NationalHolidaysGoByTheDateTheOwnersMarksByMonthAndDay) {
  kxHolidayMarks marks;
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(1999, 10, 10)));
  marks.SetNational(true);
  // 1999-10-10 is a Sunday; from 2000 the day is the second Monday.
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(1999, 10, 10)));
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(1999, 10, 11)));
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(1999, 10, 12)));
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(2000, 10, 10)));
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(2000, 10, 9)));
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(2018, 12, 23)));
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(2026, 12, 23)));
  EXPECT_STREQ(marks.NationalName(kxDate(1998, 3, 21)), "春分の日");
  EXPECT_EQ(marks.NationalName(kxDate(2000, 3, 21)), nullptr);
  for (int m = 0; m <= 12; ++m) EXPECT_EQ(marks.Mask(m), 0u);  // not the owner's
  // The owner's marks hold in every year, with no substitute day after
  // a Sunday (1998-06-14).
  marks.SetHoliday(6, 14, true);
  EXPECT_EQ(marks.Mask(6), Bits({14}));
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(1998, 6, 14)) && marks.IsHolidayDate(kxDate(2026, 6, 14)));
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(1998, 6, 15)));
  EXPECT_FALSE(marks.IsNationalHoliday(kxDate(1998, 6, 14)));
  marks.SetNational(false);
  EXPECT_EQ(marks.NationalName(kxDate(1998, 3, 21)), nullptr);
  EXPECT_FALSE(marks.IsHolidayDate(kxDate(1999, 10, 11)));
  EXPECT_TRUE(marks.IsHolidayDate(kxDate(1998, 6, 14)));
  marks.Clear();
  for (int m = 0; m <= 12; ++m) EXPECT_EQ(marks.Mask(m), 0u);
}

TEST(kxHolidayMarks, MonthsAndDaysOutsideTheTableReadFalseAndChangeNothing) {
  kxHolidayMarks marks;
  marks.SetHoliday(0, 31, true);  // index 0 and bit 31 are real storage
  EXPECT_EQ(marks.Mask(0), 0x80000000u);
  for (int month : {-1, 13, 1 << 20}) marks.SetHoliday(month, 3, true);
  // 65539 would be day 3 if it were cut to 16 bits.
  for (int day : {-1, 32, 65539}) marks.SetHoliday(1, day, true);
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(marks.Mask(m), 0u);
  marks.SetHoliday(1, 3, true);
  EXPECT_FALSE(marks.IsHoliday(1, 65539));
  EXPECT_FALSE(marks.IsHoliday(13, 3));
  EXPECT_FALSE(marks.IsHoliday(-12, 3));
  EXPECT_EQ(marks.Mask(13), 0u);
}

TEST(CalendarNavigation, StepsAndScrollRequestsStayWithinTheLimitsOnDayOne) {
  const kxDate min(1900, 1, 15), max(2099, 12, 31);
  EXPECT_TRUE(Same(PrevMonthOf(kxDate(1998, 1, 1), min), 1997, 12, 1));
  EXPECT_TRUE(Same(NextMonthOf(kxDate(1998, 1, 31), max), 1998, 2, 1));
  EXPECT_TRUE(Same(PrevMonthOf(kxDate(1900, 2, 1), min), 1900, 1, 1));
  EXPECT_TRUE(Same(NextMonthOf(kxDate(2099, 12, 1), max), 2099, 12, 1));
  kxDate month(1998, 3, 1);
  EXPECT_TRUE(ScrollMonth(month, scPageUp, 0, false, min, max));
  EXPECT_TRUE(Same(month, 1997, 3, 1));
  EXPECT_TRUE(ScrollMonth(month, scThumbPosition, 23981, false, min, max));
  EXPECT_TRUE(Same(month, 1998, 6, 1));
  EXPECT_EQ(MonthPosition(month), 23981);
  EXPECT_FALSE(ScrollMonth(month, scThumbTrack, 24000, false, min, max));
  EXPECT_TRUE(ScrollMonth(month, scThumbTrack, 24000, true, min, max));
  EXPECT_TRUE(Same(month, 2000, 1, 1));
  EXPECT_TRUE(ScrollMonth(month, scTop, 0, false, min, max));
  EXPECT_TRUE(Same(month, 1900, 1, 1));
  EXPECT_TRUE(ScrollMonth(month, scThumbPosition, -5, false, min, max));
  EXPECT_TRUE(Same(month, 1900, 1, 1));
  EXPECT_TRUE(ScrollMonth(month, scBottom, 0, false, min, max));
  EXPECT_TRUE(ScrollMonth(month, scPageDown, 0, false, min, max));
  EXPECT_TRUE(Same(month, 2099, 12, 1));
  month = kxDate(2150, 5, 1);  // other requests only bring it into the limits
  EXPECT_TRUE(ScrollMonth(month, 8, 0, false, min, max));
  EXPECT_TRUE(Same(month, 2099, 12, 1));
}

TEST(CalendarSize, ZeroKeepsTheCellsOtherSizesSnapAndTheMemoGoesIntoWeekRows) {
  kxCalendarFrame frame;
  frame.Border = 4;
  kxCalendarCells cells{24, 16, 16};
  int width = 0, height = 0;
  CalcCalendarSize(frame, cells, width, height);
  EXPECT_TRUE(width == 7 + 7 * 24 + 4 && height == 16 + 6 * 16 + 7 + 4);
  frame.VBar = 16;
  frame.MemoHeight = 10;
  width = 300;
  height = 200;
  CalcCalendarSize(frame, cells, width, height);
  const int h = (200 - 7 - 60 - 4) / 7;
  EXPECT_TRUE(cells.ColWidth == 39 && cells.HeadHeight == h && cells.RowHeight == h + 10);
  EXPECT_TRUE(width == 7 + 7 * 39 + 4 + 16 && height == h + 6 * (h + 10) + 7 + 4);
  int again = width, againHeight = height;  // snapped sizes stay
  CalcCalendarSize(frame, cells, again, againHeight);
  EXPECT_TRUE(again == width && againHeight == height);
  width = height = 3;  // too small: cells shrink to nothing, not below
  CalcCalendarSize(frame, cells, width, height);
  EXPECT_TRUE(cells.ColWidth == 0 && cells.HeadHeight == 0 && width == 7 + 4 + 16);
}
