#include "examples/gallery/FlagPage.h"

#include "examples/gallery/EventLog.h"
#include "framework/Format.h"
#include "lib/core/Kxstring.h"

#include <algorithm>

namespace {

String Hex(uint32_t value) { return "0x" + IntToHex(value, 8); }

// A word as Hex shows it, or without its "0x".
uint32_t HexValue(const String& shown) {
  String text = Trim(shown);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
  return uint32_t(TextToHex(text));
}

}  // namespace

TFlagPage::TFlagPage(TComponent* owner) : TTabSheet(owner), Flags(0x00000005) {
  SetCaption("フラグと矩形");
  Place<TLabel>(this, this, "", 8, 8, 300, 14, "kxvFlag: ビット 31 から 0 まで");
  for (int bit = 31; bit >= 0; --bit) {
    const int place = 31 - bit;
    TCheckBox* box = Place<TCheckBox>(this, this, "", 8 + (place % 8) * 38, 26 + (place / 8) * 20,
                                      38, 18, IntToStr(bit).c_str());
    box->OnClick = [this, box, bit](TObject*) { Flags.SetFlag(int16_t(bit), box->Checked()); };
    Bits[place] = box;
  }
  Place<TLabel>(this, this, "", 8, 112, 60, 14, "Store:");
  Word = Place<TEdit>(this, this, "", 70, 108, 100, 21);
  Word->OnKeyPress = [this](TObject*, char& key) {
    if (key == '\r') key = 0, StoreWord();
  };
  Place<TLabel>(this, this, "", 8, 140, 60, 14, "マスク:");
  Mask = Place<TEdit>(this, this, "", 70, 136, 100, 21, "0x000000F0");
  Mask->SetHint("SetFlags と ResetFlags が変えるビット");
  SetButton = Place<TButton>(this, this, "", 176, 134, 64, 24, "SetFlags");
  SetButton->OnClick = [this](TObject*) { Flags.SetFlags(MaskValue()); };
  ResetButton = Place<TButton>(this, this, "", 244, 134, 72, 24, "ResetFlags");
  ResetButton->OnClick = [this](TObject*) { Flags.ResetFlags(MaskValue()); };
  // Only a real change of the word comes here.
  Flags.OnChange = [this](TObject*) {
    ShowFlags();
    Log->Add("OnChange: " + Hex(Flags.Flags()));
  };

  Place<TLabel>(this, this, "", 330, 8, 280, 14, "kxRect: Left, Top, Right, Bottom (dtLong)");
  int32_t* const sides[4] = {&Rect.Left, &Rect.Top, &Rect.Right, &Rect.Bottom};
  for (int i = 0; i < 4; ++i) {
    kxvEdit* side = Place<kxvEdit>(this, this, "", 330 + i * 70, 26, 64, 21);
    side->SetDataType(dtLong);
    side->SetData(sides[i]);
    side->OnChange = [this](TObject*) { ShowRect(); };
    side->OnChanged = [this](TObject*) {
      Log->Add(
          Format("kxRect → RECT {%d, %d, %d, %d}", {Rect.Left, Rect.Top, Rect.Right, Rect.Bottom}));
    };
    Sides[i] = side;
  }
  Drawing = Place<TImage>(this, this, "", 330, 54, 280, 180);
  RectInfo = Place<TLabel>(this, this, "", 330, 240, 280, 14);
  Log = Place<TEventLog>(this, this, "", 8, 266, 608, 150);
  ShowFlags();
  ShowRect();
}

void TFlagPage::ShowFlags() {
  for (int place = 0; place < 32; ++place)
    Bits[place]->SetChecked(Flags.GetFlag(int16_t(31 - place)));
  Word->SetText(Hex(Flags.Flags()));
}

uint32_t TFlagPage::MaskValue() const { return HexValue(Mask->Text()); }

void TFlagPage::StoreWord() {
  Flags.Store(HexValue(Word->Text()));
  // An unchanged word fires nothing: the text is tidied all the same.
  ShowFlags();
}

void TFlagPage::ShowRect() {
  const RECT r = Rect;
  TBitmap& bitmap = Drawing->Picture().Bitmap();
  bitmap.SetSize(Drawing->Width(), Drawing->Height());
  TCanvas& canvas = bitmap.Canvas();
  canvas.FillRect(RECT{0, 0, Drawing->Width(), Drawing->Height()}, clWhite);
  // The platform's own rectangle calls, on the converted value.
  const RECT shown{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                   std::max(r.top, r.bottom)};
  canvas.FillRect(shown, IsRectEmpty(&r) ? RGB(255, 200, 200) : RGB(160, 208, 240));
  canvas.Pen().SetColor(clBlack);
  canvas.Brush().SetStyle(bsClear);
  canvas.Rectangle(0, 0, Drawing->Width(), Drawing->Height());
  Drawing->Invalidate();
  RectInfo->SetCaption(
      Format("RECT: 幅 %d  高さ %d%s", {int(r.right - r.left), int(r.bottom - r.top),
                                        IsRectEmpty(&r) ? String("  (空)") : String()}));
}
