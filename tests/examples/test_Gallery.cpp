// The gallery's window built in process, as GALLERY.EXE builds it, and its
// calendar page painted.
#include "examples/gallery/Gallery.h"

#include "tests/helpers/Shot.h"

#include <gtest/gtest.h>

namespace {

// Text pixels by their main colour; smoothing may blend the edges.
bool Reddish(COLORREF c) { return GetRValue(c) >= 128 && GetGValue(c) < 96 && GetBValue(c) < 96; }
bool Greenish(COLORREF c) { return GetGValue(c) >= 100 && GetRValue(c) < 96 && GetBValue(c) < 96; }
bool Dark(COLORREF c) { return GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96; }

}  // namespace

TEST(GalleryCalendar, December2026HasThe23rdAsAWorkingDayAndAChosenHolidayIsNamed) {
  TGalleryForm form(nullptr);
  Application().ProcessMessages();
  kxvCalendar* calendar = form.Calendar;
  calendar->SetDate(kxDate(2026, 12, 1));
  calendar->SetSelDate(kxDate(2026, 12, 1));  // away from the days looked at
  auto rect = [&](const kxDate& date) {
    int col = 0, row = 0;
    EXPECT_TRUE(calendar->DateToCell(date, col, row));
    return calendar->CellRect(col, row);
  };
  const Shot december(calendar);
  // A Wednesday, the Emperor's Birthday until 2018: the weekday colour, no
  // note bar.
  const RECT the23rd = rect(kxDate(2026, 12, 23));
  EXPECT_GT(december.Count(the23rd, Dark), 5);
  EXPECT_EQ(december.Count(the23rd, Reddish), 0);
  EXPECT_EQ(december.Count(the23rd, Greenish), 0);
  EXPECT_EQ(form.HolidayName->Caption(), "");

  // A month back, a Monday holiday is red with its bar, and chosen, named.
  calendar->PrevMonth();
  const Shot november(calendar);
  const RECT the23rdOfNovember = rect(kxDate(2026, 11, 23));
  EXPECT_GT(november.Count(the23rdOfNovember, Reddish), 5);
  EXPECT_GT(november.Count(the23rdOfNovember, Greenish), 5);
  EXPECT_EQ(november.Count(rect(kxDate(2026, 11, 24)), Reddish), 0);
  calendar->SetSelDate(kxDate(2026, 11, 3));
  EXPECT_EQ(form.ChosenDay->Caption(), "表示: 2026/11  選択: 2026/11/03");
  EXPECT_EQ(form.HolidayName->Caption(), "文化の日");
  calendar->SetSelDate(kxDate(2026, 11, 4));
  EXPECT_EQ(form.HolidayName->Caption(), "");
}
