#include "examples/gallery/Gallery.h"

#include "examples/gallery/BrowsePage.h"
#include "examples/gallery/EditPage.h"
#include "examples/gallery/EventLog.h"
#include "examples/gallery/FlagPage.h"
#include "examples/gallery/SuperImagePage.h"
#include "framework/Format.h"

#include <algorithm>

TGalleryForm::TGalleryForm(TComponent* owner) : TForm(owner) {
  SetCaption("VEMTAR ギャラリー");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(poScreenCenter);
  SetClientSize(640, 480);
  Font().SetName("ＭＳ Ｐゴシック");
  Font().SetCharset(SHIFTJIS_CHARSET);
  Font().SetHeight(12);
  // Every page's hints show, as tooltips, unless a control says otherwise.
  SetShowHint(true);

  Pages = Place<TPageControl>(this, this, "Pages", 4, 4, 632, 472);
  const struct {
    const char* caption;
    void (TGalleryForm::*build)(TTabSheet*);
  } pages[] = {{"カレンダー", &TGalleryForm::BuildCalendarPage},
               {"スピン", &TGalleryForm::BuildSpinPage},
               {"ボタン", &TGalleryForm::BuildButtonPage}};
  for (const auto& page : pages) {
    auto* sheet = new TTabSheet(this);
    sheet->SetCaption(page.caption);
    sheet->SetPageControl(Pages);
    (this->*page.build)(sheet);
  }
  EditPage = new TEditPage(this);
  BrowsePage = new TBrowsePage(this);
  ImagePage = new TImagePage(this);
  SuperImagePage = new TSuperImagePage(this);
  FlagPage = new TFlagPage(this);
  for (TTabSheet* sheet : std::initializer_list<TTabSheet*>{EditPage, BrowsePage, ImagePage,
                                                            SuperImagePage, FlagPage}) {
    sheet->SetPageControl(Pages);
  }
  Pages->SetActivePageIndex(0);
  SetActiveControl(Calendar);
  SetVisible(true);
}

void TGalleryForm::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.ClassName = "TGalleryForm";
}

void TGalleryForm::BuildCalendarPage(TTabSheet* sheet) {
  MonthLabel = Place<TLabel>(this, sheet, "MonthLabel", 12, 10, 120, 14);
  Calendar = Place<kxvCalendar>(this, sheet, "Calendar", 12, 30, 0, 0);
  Calendar->SetHoliday(true);
  Calendar->SetScrollBars(ssBoth);
  Calendar->SetMemoHeight(5);
  Calendar->SetBounds(12, 30, 320, 220);
  Calendar->SetDateLabel(MonthLabel);
  Calendar->SetHint("縦のスクロール バーで月を、横のスクロール バーで年を移ります");
  // The owner's note: a bar under the number of every national holiday.
  Calendar->OnDrawMemo = [this](TObject*, int col, int row, const RECT& strip, TGridDrawState) {
    if (row == 0) return;
    const kxDate date = Calendar->CellToDate(col, row);
    if (date.Month == 0 || !Calendar->IsNationalHoliday(date)) return;
    RECT mark = strip;
    InflateRect(&mark, -6, -1);
    Calendar->Canvas().FillRect(mark, RGB(0, 160, 0));
  };
  ChosenDay = Place<TPanel>(this, sheet, "ChosenDay", 12, 258, 320, 24);
  ChosenDay->SetBevelOuter(bvLowered);
  HolidayName = Place<TLabel>(this, sheet, "HolidayName", 12, 288, 320, 14);
  Calendar->OnSelectCell = [this](TObject*, int col, int row, bool&) {
    const kxDate chosen = Calendar->CellToDate(col, row);
    ShowCalendar(chosen);
    CalendarLog->Add("OnSelectCell: " + chosen.ToText());
  };
  Calendar->OnChange = [this](TObject*) {
    ShowCalendar(Calendar->SelDate());
    CalendarLog->Add("OnChange: " + Calendar->Date().Format("yyyy/mm"));
  };

  // The national holidays, the neighbouring months' days and the first
  // weekday; and the owner's own year-less mark on the chosen day.
  CalendarLog = Place<TEventLog>(this, sheet, "CalendarLog", 350, 132, 266, 284);
  PlaceSwitch(this, sheet, 350, 30, 200, "Holiday(&H)", true, CalendarLog,
              [this](bool on) { Calendar->SetHoliday(on), Calendar->Invalidate(); });
  PlaceSwitch(this, sheet, 350, 52, 200, "FillCell(&F)", false, CalendarLog,
              [this](bool on) { Calendar->SetFillCell(on); });
  PlaceSwitch(this, sheet, 350, 74, 200, "StartOfWeek = 月曜(&M)", false, CalendarLog,
              [this](bool on) { Calendar->SetStartOfWeek(on ? 1 : 0); });
  const int y = 96;
  OwnMark =
      Place<TButton>(this, sheet, "OwnMark", 350, y + 4, 200, 24, "選んだ日に印 (SetHoliday)(&K)");
  OwnMark->OnClick = [this](TObject*) {
    const kxDate day = Calendar->SelDate();
    if (day.Month == 0) return;
    const bool on = !Calendar->IsHoliday(day.Month, day.Day);
    Calendar->SetHoliday(day.Month, day.Day, on);
    Calendar->Invalidate();
    CalendarLog->Add(
        Format("SetHoliday(%d, %d, %s)", {int(day.Month), int(day.Day), on ? "true" : "false"}));
  };
  ShowCalendar(Calendar->SelDate());
}

void TGalleryForm::BuildSpinPage(TTabSheet* sheet) {
  Place<TLabel>(this, sheet, "", 12, 16, 200, 14, "数値 (-10 から 50 まで):");
  Number = Place<kxvSpinEdit>(this, sheet, "Number", 12, 36, 100, 22);
  Number->SetMin(-10);
  Number->SetMax(50);
  Number->SetPosition(0);
  Number->SetHint("矢印か ↑↓ キーで -10 から 50 まで");
  NumberInfo = Place<TPanel>(this, sheet, "NumberInfo", 12, 70, 320, 24);
  NumberInfo->SetBevelOuter(bvLowered);
  SpinLog = Place<TEventLog>(this, sheet, "SpinLog", 12, 104, 320, 200);
  auto show = [this] { NumberInfo->SetCaption(Format("上: %d 回  下: %d 回", {ups_, downs_})); };
  Number->OnUpClick = [this, show](TObject*) { ++ups_, show(), SpinLog->Add("OnUpClick"); };
  Number->OnDownClick = [this, show](TObject*) { ++downs_, show(), SpinLog->Add("OnDownClick"); };
  Number->OnChange = [this](TObject*) { SpinLog->Add("OnChange: " + Number->Text()); };
  show();

  // The spin edit's settings, each applied as it is changed.
  PlaceSwitch(this, sheet, 350, 16, 200, "Wrap(&W)", false, SpinLog,
              [this](bool on) { Number->SetWrap(on); });
  PlaceSwitch(this, sheet, 350, 38, 200, "ArrowKeys(&K)", true, SpinLog,
              [this](bool on) { Number->SetArrowKeys(on); });
  PlaceSwitch(this, sheet, 350, 60, 200, "AlignButton = udLeft(&L)", false, SpinLog,
              [this](bool on) { Number->SetAlignButton(on ? udLeft : udRight); });
  const int y = 82;
  Place<TLabel>(this, sheet, "", 350, y + 4, 70, 14, "Increment:");
  Step = Place<kxvSpinEdit>(this, sheet, "Step", 420, y, 60, 22);
  Step->SetMin(1);
  Step->SetMax(10);
  Step->SetPosition(1);
  Step->OnChange = [this](TObject*) {
    Number->SetIncrement(Step->Position());
    SpinLog->Add("SetIncrement(" + Step->Text() + ")");
  };

  // The arrows alone, on a plain edit box and lying down.
  Place<TLabel>(this, sheet, "", 350, y + 40, 250, 14, "kxvSpin + TEdit (udHorizontal):");
  PlainBox = Place<TEdit>(this, sheet, "PlainBox", 350, y + 58, 90, 22);
  Arrows = Place<kxvSpin>(this, sheet, "Arrows", 440, y + 58, 32, 22);
  Arrows->SetOrientation(udHorizontal);
  Arrows->SetMax(20);
  Arrows->SetAssociate(PlainBox);
  Arrows->OnClick = [this](TObject*, TUDBtnType button) {
    SpinLog->Add(String("kxvSpin OnClick: ") + (button == btNext ? "btNext " : "btPrev ") +
                 PlainBox->Text());
  };
}

void TGalleryForm::BuildButtonPage(TTabSheet* sheet) {
  // A plus sign on white, the colour of its bottom-left corner, which the
  // button leaves out.
  glyph_.SetSize(16, 16);
  TCanvas& canvas = glyph_.Canvas();
  canvas.FillRect(RECT{0, 0, 16, 16}, clWhite);
  canvas.FillRect(RECT{2, 7, 14, 9}, RGB(0, 0, 160));
  canvas.FillRect(RECT{7, 2, 9, 14}, RGB(0, 0, 160));

  RepeatButton = Place<kxvButton>(this, sheet, "RepeatButton", 12, 16, 160, 32, "押し続ける");
  RepeatButton->SetRepeat(true);
  RepeatButton->SetGlyph(&glyph_);
  RepeatButton->SetHint("押し続けると OnClick が繰り返されます");
  RepeatButton->OnClick = [this](TObject*) {
    ++clicks_, ShowClicks();
    ButtonLog->Add(Format("OnClick (%d)", {clicks_}));
  };
  ClickCount = Place<TPanel>(this, sheet, "ClickCount", 12, 60, 160, 24);
  ClickCount->SetBevelOuter(bvLowered);
  ResetButton = Place<TButton>(this, sheet, "ResetButton", 184, 60, 75, 24, "リセット");
  ResetButton->OnClick = [this](TObject*) {
    clicks_ = 0, ShowClicks();
    ButtonLog->Add("リセット");
  };
  ButtonLog = Place<TEventLog>(this, sheet, "ButtonLog", 12, 94, 320, 200);

  // The repeat and its two intervals, and where the glyph sits.
  PlaceSwitch(this, sheet, 350, 16, 200, "Repeat(&R)", true, ButtonLog,
              [this](bool on) { RepeatButton->SetRepeat(on); });
  const struct {
    const char* caption;
    kxvSpinEdit** spin;
    int value;
    void (kxvButton::*set)(uint32_t);
    const char* name;
  } intervals[] = {{"FirstInterval (ms):", &FirstInterval, int(RepeatButton->FirstInterval()),
                    &kxvButton::SetFirstInterval, "SetFirstInterval"},
                   {"NextInterval (ms):", &NextInterval, int(RepeatButton->NextInterval()),
                    &kxvButton::SetNextInterval, "SetNextInterval"}};
  int y = 42;
  for (const auto& entry : intervals) {
    Place<TLabel>(this, sheet, "", 350, y + 4, 120, 14, entry.caption);
    kxvSpinEdit* spin = Place<kxvSpinEdit>(this, sheet, "", 470, y, 70, 22);
    spin->SetMin(50);
    spin->SetMax(2000);
    spin->SetIncrement(50);
    spin->SetPosition(int16_t(entry.value));
    const auto set = entry.set;
    const String name = entry.name;
    spin->OnChange = [this, spin, set, name](TObject*) {
      (RepeatButton->*set)(uint32_t(spin->Position()));
      ButtonLog->Add(name + "(" + IntToStr(spin->Position()) + ")");
    };
    *entry.spin = spin;
    y += 28;
  }
  Place<TLabel>(this, sheet, "", 350, y + 4, 120, 14, "Layout:");
  Layouts = Place<TListBox>(this, sheet, "", 350, y + 20, 120, 58);
  for (const char* layout : {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}) {
    Layouts->Items().Add(layout);
  }
  Layouts->SetItemIndex(RepeatButton->Layout());
  Layouts->OnClick = [this](TObject*) {
    RepeatButton->SetLayout(static_cast<TButtonLayout>(std::clamp(Layouts->ItemIndex(), 0, 3)));
    ButtonLog->Add("SetLayout(" + Layouts->Items().Get(std::clamp(Layouts->ItemIndex(), 0, 3)) +
                   ")");
  };
  ShowClicks();
}

void TGalleryForm::ShowCalendar(const kxDate& chosen) {
  ChosenDay->SetCaption("表示: " + Calendar->Date().Format("yyyy/mm") +
                        "  選択: " + chosen.ToText());
  HolidayName->SetCaption(Calendar->HolidayName(chosen));
}

void TGalleryForm::ShowClicks() { ClickCount->SetCaption(Format("クリック: %d 回", {clicks_})); }
