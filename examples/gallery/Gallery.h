// The library's gallery: one window with a page for each family of the
// library's input controls, so that they can be seen and tried.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "lib/imaging/Simage.h"
#include "lib/input/Button.h"
#include "lib/input/Calendr.h"
#include "lib/input/Spinedit.h"

class TGalleryForm : public TForm {
public:
  explicit TGalleryForm(TComponent* owner);

  TPageControl* Pages = nullptr;
  // The calendar page: holidays marked, a month on each scroll bar, the
  // month in a label above, a mark in the note strip of each holiday, and
  // the month and the chosen day below.
  kxvCalendar* Calendar = nullptr;
  TLabel* MonthLabel = nullptr;
  TPanel* ChosenDay = nullptr;
  // The spin page: a number from -10 to 50 and what the arrows did.
  kxvSpinEdit* Number = nullptr;
  TPanel* NumberInfo = nullptr;
  // The button page: a repeating button and its count of clicks.
  kxvButton* RepeatButton = nullptr;
  TPanel* ClickCount = nullptr;
  TButton* ResetButton = nullptr;
  // The picture page: a picture read by any of the library's loaders (the
  // plug-ins beside the gallery, the viewer where the registry names it),
  // its zoom and placement, and the depth it is saved at.
  kxvSuperImage* Picture = nullptr;
  TButton* OpenButton = nullptr;
  TButton* SaveButton = nullptr;
  TListBox* Zooms = nullptr;
  TListBox* Aligns = nullptr;
  TListBox* Depths = nullptr;
  TPanel* PictureInfo = nullptr;
  TOpenDialog* OpenDialog = nullptr;
  TSaveDialog* SaveDialog = nullptr;

protected:
  void CreateParams(TCreateParams& params) override;

private:
  void BuildCalendarPage(TTabSheet* sheet);
  void BuildSpinPage(TTabSheet* sheet);
  void BuildButtonPage(TTabSheet* sheet);
  void BuildPicturePage(TTabSheet* sheet);
  void OpenPicture();
  void SavePicture();
  // The file shown, its size and its depth, below the picture.
  void ShowPictureInfo(const String& fileName);
  // The month shown and the day chosen, in the panel below the calendar.
  void ShowCalendar(const kxDate& chosen);
  void ShowClicks();

  int clicks_ = 0;
  int ups_ = 0;
  int downs_ = 0;
  TBitmap glyph_;
};
