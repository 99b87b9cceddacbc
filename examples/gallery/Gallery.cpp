#include "examples/gallery/Gallery.h"

#include "framework/Format.h"
#include "lib/core/File.h"

#include <algorithm>

TGalleryForm::TGalleryForm(TComponent* owner) : TForm(owner) {
  SetCaption("VEMTAR ギャラリー");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(poScreenCenter);
  SetClientSize(480, 330);
  Font().SetName("ＭＳ Ｐゴシック");
  Font().SetCharset(SHIFTJIS_CHARSET);
  Font().SetHeight(12);

  Pages = Place<TPageControl>(this, this, "Pages", 4, 4, 472, 322);
  const struct {
    const char* caption;
    void (TGalleryForm::*build)(TTabSheet*);
  } pages[] = {{"カレンダー", &TGalleryForm::BuildCalendarPage},
               {"スピン", &TGalleryForm::BuildSpinPage},
               {"ボタン", &TGalleryForm::BuildButtonPage},
               {"画像", &TGalleryForm::BuildPicturePage}};
  for (const auto& page : pages) {
    auto* sheet = new TTabSheet(this);
    sheet->SetCaption(page.caption);
    sheet->SetPageControl(Pages);
    (this->*page.build)(sheet);
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
  // The owner's note: a bar under the number of every holiday.
  Calendar->OnDrawMemo = [this](TObject*, int col, int row, const RECT& strip, TGridDrawState) {
    if (row == 0) return;
    const kxDate date = Calendar->CellToDate(col, row);
    if (date.Month == 0 || !Calendar->IsHoliday(date.Month, date.Day)) return;
    RECT mark = strip;
    InflateRect(&mark, -6, -1);
    Calendar->Canvas().FillRect(mark, RGB(0, 160, 0));
  };
  ChosenDay = Place<TPanel>(this, sheet, "ChosenDay", 12, 258, 320, 24);
  ChosenDay->SetBevelOuter(bvLowered);
  Calendar->OnSelectCell = [this](TObject*, int col, int row, bool&) {
    ShowCalendar(Calendar->CellToDate(col, row));
  };
  Calendar->OnChange = [this](TObject*) { ShowCalendar(Calendar->SelDate()); };
  ShowCalendar(Calendar->SelDate());
}

void TGalleryForm::BuildSpinPage(TTabSheet* sheet) {
  Place<TLabel>(this, sheet, "", 12, 16, 200, 14, "数値 (-10 から 50 まで):");
  Number = Place<kxvSpinEdit>(this, sheet, "Number", 12, 36, 100, 22);
  Number->SetMin(-10);
  Number->SetMax(50);
  Number->SetPosition(0);
  NumberInfo = Place<TPanel>(this, sheet, "NumberInfo", 12, 70, 320, 24);
  NumberInfo->SetBevelOuter(bvLowered);
  auto show = [this] {
    NumberInfo->SetCaption(Format("上: %d 回  下: %d 回", {ups_, downs_}));
  };
  Number->OnUpClick = [this, show](TObject*) { ++ups_, show(); };
  Number->OnDownClick = [this, show](TObject*) { ++downs_, show(); };
  show();
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
  RepeatButton->OnClick = [this](TObject*) { ++clicks_, ShowClicks(); };
  ClickCount = Place<TPanel>(this, sheet, "ClickCount", 12, 60, 160, 24);
  ClickCount->SetBevelOuter(bvLowered);
  ResetButton = Place<TButton>(this, sheet, "ResetButton", 184, 60, 75, 24, "リセット");
  ResetButton->OnClick = [this](TObject*) { clicks_ = 0, ShowClicks(); };
  ShowClicks();
}

void TGalleryForm::ShowCalendar(const kxDate& chosen) {
  ChosenDay->SetCaption("表示: " + Calendar->Date().Format("yyyy/mm") + "  選択: " + chosen.ToText());
}

void TGalleryForm::ShowClicks() { ClickCount->SetCaption(Format("クリック: %d 回", {clicks_})); }

void TGalleryForm::BuildPicturePage(TTabSheet* sheet) {
  Picture = Place<kxvSuperImage>(this, sheet, "Picture", 8, 8, 260, 250);
  Picture->SetColor(clWhite);
  Picture->SetAutoZoom(azLarge);
  Picture->SetAutoAlign(aaCenter);
  // The gallery's own plug-ins lie beside it.
  Picture->SetSusiePath(ProgramDirectory(Application().ExeName().c_str()));
  PictureInfo = Place<TPanel>(this, sheet, "PictureInfo", 8, 264, 448, 24);
  PictureInfo->SetBevelOuter(bvLowered);
  PictureInfo->SetAlignment(taLeftJustify);

  OpenButton = Place<TButton>(this, sheet, "OpenButton", 280, 8, 80, 24, "開く(&O)...");
  OpenButton->OnClick = [this](TObject*) { OpenPicture(); };
  SaveButton = Place<TButton>(this, sheet, "SaveButton", 370, 8, 80, 24, "保存(&S)...");
  SaveButton->OnClick = [this](TObject*) { SavePicture(); };

  Place<TLabel>(this, sheet, "", 280, 40, 170, 14, "拡大縮小:");
  Zooms = Place<TListBox>(this, sheet, "Zooms", 280, 56, 170, 58);
  for (const char* zoom : {"しない", "小さい画像を拡大", "大きい画像を縮小", "常に合わせる"}) {
    Zooms->Items().Add(zoom);
  }
  Zooms->SetItemIndex(azLarge);
  Zooms->OnClick = [this](TObject*) {
    Picture->SetAutoZoom(static_cast<kxvAutoZoom>(std::max(Zooms->ItemIndex(), 0)));
  };

  Place<TLabel>(this, sheet, "", 280, 120, 170, 14, "配置:");
  Aligns = Place<TListBox>(this, sheet, "Aligns", 280, 136, 80, 122);
  for (const char* align : {"なし", "左", "右", "左右中央", "上", "左上", "右上", "上中央", "下",
                            "左下", "右下", "下中央", "上下中央", "中央左", "中央右", "中央",
                            "敷き詰め"}) {
    Aligns->Items().Add(align);
  }
  Aligns->SetItemIndex(aaCenter);
  Aligns->OnClick = [this](TObject*) {
    Picture->SetAutoAlign(static_cast<kxvAutoAlign>(std::max(Aligns->ItemIndex(), 0)));
  };

  Place<TLabel>(this, sheet, "", 370, 120, 80, 14, "保存の色数:");
  Depths = Place<TListBox>(this, sheet, "Depths", 370, 136, 80, 80);
  for (const char* depth : {"1 ビット", "4 ビット", "8 ビット", "24 ビット", "32 ビット"}) {
    Depths->Items().Add(depth);
  }
  Depths->SetItemIndex(3);

  OpenDialog = new TOpenDialog(this);
  OpenDialog->SetOptions(ofHideReadOnly | ofFileMustExist);
  SaveDialog = new TSaveDialog(this);
  SaveDialog->SetFilter("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp");
  SaveDialog->SetDefaultExt("bmp");
  SaveDialog->SetOptions(ofHideReadOnly | ofOverwritePrompt);
  ShowPictureInfo("");
}

void TGalleryForm::OpenPicture() {
  OpenDialog->SetFilter(Picture->GetFilter());
  if (!OpenDialog->Execute()) return;
  const String fileName = OpenDialog->FileName();
  PictureInfo->SetCaption(String("読み込み中: ") + FileNamePart(fileName));
  PictureInfo->Update();
  if (!Picture->LoadFromFile(fileName)) {
    ShowPictureInfo("");
    MessageDlg(fileName + " は読み込めません。", mtError, mbOK);
    return;
  }
  ShowPictureInfo(fileName);
}

void TGalleryForm::SavePicture() {
  static const int kDepths[] = {1, 4, 8, 24, 32};
  if (Picture->Picture().Width() == 0) return;
  if (!SaveDialog->Execute()) return;
  Picture->SetBitCount(kDepths[std::clamp(Depths->ItemIndex(), 0, 4)]);
  if (!Picture->SaveToFile(SaveDialog->FileName())) {
    MessageDlg(SaveDialog->FileName() + " に保存できません。", mtError, mbOK);
    return;
  }
  ShowPictureInfo(SaveDialog->FileName());
}

void TGalleryForm::ShowPictureInfo(const String& fileName) {
  if (fileName.empty()) {
    PictureInfo->SetCaption("画像なし");
    return;
  }
  PictureInfo->SetCaption(Format("%s  %d x %d  %d ビット",
                                 {FileNamePart(fileName), Picture->Picture().Width(),
                                  Picture->Picture().Height(), int(Picture->BitCount())}));
}
