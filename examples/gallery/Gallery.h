// The library's gallery: one window with a page for each of the library's
// controls, each with its main settings and a log of its events, so that
// they can be seen and tried.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "lib/input/Button.h"
#include "lib/input/Calendr.h"
#include "lib/input/Spinedit.h"

class TBrowsePage;
class TEditPage;
class TEventLog;
class TFlagPage;
class TImagePage;
class TSuperImagePage;

class TGalleryForm : public TForm {
public:
  explicit TGalleryForm(TComponent* owner);

  TPageControl* Pages = nullptr;
  // The calendar page: holidays marked, a month on each scroll bar, the
  // month in a label above, a mark in the note strip of each national
  // holiday, the month and the chosen day below, and under them the chosen
  // day's holiday, if it is one.
  kxvCalendar* Calendar = nullptr;
  TLabel* MonthLabel = nullptr;
  TPanel* ChosenDay = nullptr;
  TLabel* HolidayName = nullptr;
  // The spin page: a number from -10 to 50 and what the arrows did.
  TButton* OwnMark = nullptr;
  TEventLog* CalendarLog = nullptr;
  kxvSpinEdit* Number = nullptr;
  TPanel* NumberInfo = nullptr;
  TEventLog* SpinLog = nullptr;
  kxvSpinEdit* Step = nullptr;
  TEdit* PlainBox = nullptr;
  kxvSpin* Arrows = nullptr;
  // The button page: a repeating button and its count of clicks.
  kxvButton* RepeatButton = nullptr;
  TPanel* ClickCount = nullptr;
  TButton* ResetButton = nullptr;
  TEventLog* ButtonLog = nullptr;
  kxvSpinEdit* FirstInterval = nullptr;
  kxvSpinEdit* NextInterval = nullptr;
  TListBox* Layouts = nullptr;
  TEditPage* EditPage = nullptr;
  TBrowsePage* BrowsePage = nullptr;
  TImagePage* ImagePage = nullptr;
  TSuperImagePage* SuperImagePage = nullptr;
  TFlagPage* FlagPage = nullptr;

protected:
  void CreateParams(TCreateParams& params) override;

private:
  void BuildCalendarPage(TTabSheet* sheet);
  void BuildSpinPage(TTabSheet* sheet);
  void BuildButtonPage(TTabSheet* sheet);
  // The month shown and the day chosen, in the panel below the calendar.
  void ShowCalendar(const kxDate& chosen);
  void ShowClicks();

  int clicks_ = 0;
  int ups_ = 0;
  int downs_ = 0;
  TBitmap glyph_;
};
