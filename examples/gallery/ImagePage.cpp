#include "examples/gallery/ImagePage.h"

#include "examples/gallery/EventLog.h"
#include "framework/Format.h"
#include "lib/core/File.h"
#include "lib/core/Kxstring.h"

#include <algorithm>

namespace {

const struct {
  const char* name;
  TColor color;
} kColors[] = {{"白", clWhite},
               {"灰色", RGB(128, 128, 128)},
               {"黒", clBlack},
               {"水色", RGB(160, 208, 240)},
               {"なし (clNone)", clNone}};
const char* const kZoomNames[] = {"azNone", "azSmall", "azLarge", "azAlways"};
const char* const kAlignNames[] = {"aaNone",    "aaLeft",       "aaRight",       "aaCenterW",
                                   "aaTop",     "aaTopLeft",    "aaTopRight",    "aaTopCenter",
                                   "aaBottom",  "aaBottomLeft", "aaBottomRight", "aaBottomCenter",
                                   "aaCenterH", "aaCenterLeft", "aaCenterRight", "aaCenter",
                                   "aaTile"};
const int kDepths[] = {1, 4, 8, 24, 32};

}  // namespace

TImagePage::TImagePage(TComponent* owner) : TImagePage(owner, new kxvImage(nullptr)) {
  SetCaption("イメージ");
}

TImagePage::TImagePage(TComponent* owner, kxvImage* image) : TTabSheet(owner), Image(image) {
  InsertComponent(image);
  Image->SetParent(this);
  Image->SetBounds(8, 8, 300, 300);
  Image->SetColor(clWhite);
  Image->SetAutoZoom(azLarge);
  Image->SetAutoAlign(aaCenter);
  Image->OnPaint = [this](TObject*, TCanvas* canvas) {
    if (!PaintFrame->Checked()) return;
    const RECT r = Image->PaintRect();
    canvas->Pen().SetColor(clRed);
    canvas->Brush().SetStyle(bsClear);
    canvas->Rectangle(r.left, r.top, r.right, r.bottom);
    if (!EqualRect(&r, &lastPaint_)) {
      lastPaint_ = r;
      Log->Add(Format("OnPaint: PaintRect (%d, %d)-(%d, %d)", {r.left, r.top, r.right, r.bottom}));
    }
  };
  Info = Place<TPanel>(this, this, "", 8, 314, 300, 22);
  Info->SetBevelOuter(bvLowered);
  Info->SetAlignment(taLeftJustify);
  Log = Place<TEventLog>(this, this, "", 8, 342, 300, 74);

  OpenButton = Place<TButton>(this, this, "", 316, 8, 90, 24, "開く(&O)...");
  OpenButton->OnClick = [this](TObject*) { OpenPicture(); };
  SaveButton = Place<TButton>(this, this, "", 412, 8, 90, 24, "保存(&S)...");
  SaveButton->OnClick = [this](TObject*) { SavePicture(); };

  Place<TLabel>(this, this, "", 316, 40, 90, 14, "Color:");
  Colors = Place<TListBox>(this, this, "", 316, 56, 90, 70);
  Colors->SetHint("絵の周りの色");
  for (const auto& color : kColors) Colors->Items().Add(color.name);
  Colors->SetItemIndex(0);
  Colors->OnClick = [this](TObject*) {
    const int i = std::clamp(Colors->ItemIndex(), 0, int(std::size(kColors)) - 1);
    Image->SetColor(kColors[i].color);
    Image->Invalidate();
    Log->Add(String("SetColor(") + kColors[i].name + ")");
  };
  Place<TLabel>(this, this, "", 412, 40, 100, 14, "AutoZoom:");
  Zooms = Place<TListBox>(this, this, "", 412, 56, 100, 70);
  for (const char* zoom : kZoomNames) Zooms->Items().Add(zoom);
  Zooms->SetItemIndex(azLarge);
  Zooms->OnClick = [this](TObject*) {
    const int i = std::clamp(Zooms->ItemIndex(), 0, 3);
    Image->SetAutoZoom(static_cast<kxvAutoZoom>(i));
    Log->Add(String("SetAutoZoom(") + kZoomNames[i] + ")");
    ShowInfo();
  };
  Place<TLabel>(this, this, "", 518, 40, 98, 14, "AutoAlign:");
  Aligns = Place<TListBox>(this, this, "", 518, 56, 98, 150);
  for (const char* align : kAlignNames) Aligns->Items().Add(align);
  Aligns->SetItemIndex(aaCenter);
  Aligns->OnClick = [this](TObject*) {
    const int i = std::clamp(Aligns->ItemIndex(), 0, int(aaTile));
    Image->SetAutoAlign(static_cast<kxvAutoAlign>(i));
    Log->Add(String("SetAutoAlign(") + kAlignNames[i] + ")");
  };

  Place<TLabel>(this, this, "", 316, 132, 90, 14, "Zoom (azNone):");
  ZoomEdit = Place<TEdit>(this, this, "", 316, 148, 90, 21);
  ZoomEdit->SetHint("倍率: Enter か次の欄へ移ると決まります");
  ZoomEdit->OnKeyPress = [this](TObject*, char& key) {
    if (key == '\r') key = 0, ApplyZoom();
  };
  ZoomEdit->OnExit = [this](TObject*) { ApplyZoom(); };
  Place<TLabel>(this, this, "", 412, 132, 100, 14, "保存の色数:");
  Depths = Place<TListBox>(this, this, "", 412, 148, 100, 84);
  Depths->Items().Add("画像のまま");
  for (int depth : kDepths) Depths->Items().Add(Format("%d ビット", {depth}));
  Depths->SetItemIndex(0);

  Stretch = PlaceSwitch(this, this, 316, 176, 90, "Stretch(&T)", false, Log,
                        [this](bool on) { Image->SetStretch(on); });
  Center = PlaceSwitch(this, this, 316, 196, 90, "Center(&C)", false, Log,
                       [this](bool on) { Image->SetCenter(on); });
  PaintFrame = PlaceSwitch(this, this, 316, 216, 90, "OnPaint(&E)", false, Log, [this](bool) {
    lastPaint_ = RECT{};
    Image->Invalidate();
  });

  OpenDialog = new TOpenDialog(this);
  OpenDialog->SetOptions(ofHideReadOnly | ofFileMustExist);
  SaveDialog = new TSaveDialog(this);
  SaveDialog->SetFilter("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp");
  SaveDialog->SetDefaultExt("bmp");
  SaveDialog->SetOptions(ofHideReadOnly | ofOverwritePrompt);
  DrawSample();
  ShowInfo();
}

// Quarters in four colours with a diagonal: where the picture lies, how it
// is zoomed and how the tiles meet can all be seen.
void TImagePage::DrawSample() {
  TBitmap& bitmap = Image->Picture().Bitmap();
  bitmap.SetSize(64, 48);
  TCanvas& canvas = bitmap.Canvas();
  canvas.FillRect(RECT{0, 0, 32, 24}, RGB(220, 40, 40));
  canvas.FillRect(RECT{32, 0, 64, 24}, RGB(40, 160, 40));
  canvas.FillRect(RECT{0, 24, 32, 48}, RGB(40, 80, 220));
  canvas.FillRect(RECT{32, 24, 64, 48}, RGB(240, 200, 0));
  canvas.Pen().SetColor(clBlack);
  canvas.MoveTo(0, 0);
  canvas.LineTo(64, 48);
  Image->SetBitCount(24);
  Image->Invalidate();
}

String TImagePage::OpenFilter() { return Image->GetFilter(); }

void TImagePage::OpenPicture() {
  OpenDialog->SetFilter(OpenFilter());
  if (!OpenDialog->Execute()) return;
  const String fileName = OpenDialog->FileName();
  if (!Image->LoadFromFile(fileName)) {
    Log->Add("LoadFromFile: 失敗 " + fileName);
    MessageDlg(fileName + " は読み込めません。", mtError, mbOK);
    return;
  }
  fileName_ = fileName;
  Log->Add("LoadFromFile: " + fileName);
  ShowInfo();
}

void TImagePage::SavePicture() {
  if (Image->Busy() || Image->Picture().Width() == 0) return;
  if (!SaveDialog->Execute()) return;
  // The picture keeps its own depth: a fixed depth is for this save only.
  const int32_t kept = Image->BitCount();
  const int choice = Depths->ItemIndex();
  if (choice > 0) Image->SetBitCount(kDepths[std::min(choice, 5) - 1]);
  const int32_t depth = Image->BitCount();
  const bool saved = Image->SaveToFile(SaveDialog->FileName());
  Image->SetBitCount(kept);
  if (!saved) {
    MessageDlg(SaveDialog->FileName() + " に保存できません。", mtError, mbOK);
    return;
  }
  Log->Add(Format("SaveToFile: %s (%d ビット)", {SaveDialog->FileName(), int(depth)}));
  ShowInfo();
}

void TImagePage::ApplyZoom() {
  const String text = Trim(ZoomEdit->Text());
  if (text.empty()) return;
  const double before = Image->Zoom();
  Image->SetZoom(TextToFloat(text));
  // A factor the control refuses leaves the one it had.
  Log->Add(Image->Zoom() == before && TextToFloat(text) != before
               ? "SetZoom(" + text + "): 受け付けません"
               : "SetZoom(" + text + ")");
  ShowInfo();
}

void TImagePage::ShowInfo() {
  ZoomEdit->SetText(FormatFloat("0.###", Image->Zoom()));
  Info->SetCaption(
      Format("%s  %d x %d  %d ビット",
             {fileName_.empty() ? String("見本") : String(FileNamePart(fileName_)),
              Image->Picture().Width(), Image->Picture().Height(), int(Image->BitCount())}));
}
