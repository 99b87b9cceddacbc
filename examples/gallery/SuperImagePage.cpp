#include "examples/gallery/SuperImagePage.h"

#include "examples/gallery/EventLog.h"
#include "framework/Format.h"
#include "framework/Forms.h"
#include "lib/core/File.h"
#include "lib/imaging/Gif.h"
#include "lib/imaging/Gv.h"
#include "lib/imaging/Susie.h"

TSuperImagePage::TSuperImagePage(TComponent* owner)
    : TImagePage(owner, new kxvSuperImage(nullptr)) {
  SetCaption("スーパーイメージ");
  Super = static_cast<kxvSuperImage*>(Image);
  // Plug-ins dropped beside the gallery, and the project's own in the
  // folder the build puts them in.
  String here = ProgramDirectory(Application().ExeName().c_str());
  Super->SetSusiePath(here);
  AppendPath(here, "plugins");
  Super->SetSusiePath(here);

  UsePlugins = Place<TCheckBox>(this, this, "", 316, 240, 100, 18, "プラグイン(&P)");
  // Also called when ShowLoaders sets the box to what the control holds.
  UsePlugins->OnClick = [this](TObject*) {
    if (UsePlugins->Checked() == Super->SusieEnable()) return;
    Super->SetSusieEnable(UsePlugins->Checked());
    Log->Add(Super->SusieEnable() ? "SetSusieEnable(true)" : "SetSusieEnable(false)");
    ShowLoaders();
  };
  UseViewer = Place<TCheckBox>(this, this, "", 316, 260, 100, 18, "ビューア(&G)");
  UseViewer->OnClick = [this](TObject*) {
    if (UseViewer->Checked() == Super->GVEnable()) return;
    Super->SetGVEnable(UseViewer->Checked());
    Log->Add(Super->GVEnable() ? "SetGVEnable(true)" : "SetGVEnable(false)");
    ShowLoaders();
  };
  // The animator's switches are read as each frame is drawn.
  kxvGIF& gif = Super->GIF();
  Animate = PlaceSwitch(this, this, 316, 284, 100, "Animate(&A)", gif.Animate, Log,
                        [&gif](bool on) { gif.Animate = on; });
  Transparent = PlaceSwitch(this, this, 316, 304, 100, "Transparent(&R)", gif.Transparent, Log,
                            [&gif](bool on) { gif.Transparent = on; });
  UseDelay = PlaceSwitch(this, this, 316, 324, 100, "UseDelay(&Y)", gif.UseDelay, Log,
                         [&gif](bool on) { gif.UseDelay = on; });
  PlainText = PlaceSwitch(this, this, 316, 344, 100, "PlainText(&X)", gif.PlainText, Log,
                          [&gif](bool on) { gif.PlainText = on; });
  StopButton = Place<TButton>(this, this, "", 316, 368, 100, 24, "停止(&Q)");
  StopButton->SetHint("読み込み中のアニメーションを止めます");
  StopButton->OnClick = [this](TObject*) { StopLoad(); };

  Place<TLabel>(this, this, "", 422, 240, 194, 14, "見つかったプラグイン:");
  Plugins = Place<TListBox>(this, this, "", 422, 256, 194, 110);
  Viewer = Place<TLabel>(this, this, "", 422, 370, 194, 44);
  Viewer->SetAutoSize(false);
  Viewer->SetWordWrap(true);
  Viewer->SetBounds(422, 370, 194, 44);
  Super->GIF().OnComment = [this](TObject*, char* text) {
    Log->Add(String("GIF OnComment: ") + (text ? text : ""));
  };
  Super->GIF().OnApplication = [this](TObject*, void*, int32_t length) {
    Log->Add(Format("GIF OnApplication: %d バイト", {int(length)}));
  };
  ShowLoaders();
  ShowBusy(false);
}

void TSuperImagePage::ShowLoaders() {
  UsePlugins->SetChecked(Super->SusieEnable());
  UseViewer->SetChecked(Super->GVEnable());
  Plugins->Clear();
  kxvSusie& susie = Super->Susie();
  for (int i = 0; i < susie.Count(); ++i) {
    const kxvSPI* spi = susie.GetSPI(i);
    if (spi) Plugins->Items().Add(String(FileNamePart(spi->SpiName())) + "  " + spi->Filter());
  }
  if (susie.Count() == 0) Plugins->Items().Add("(なし)");
  const String viewer = Super->GetGVPath();
  Viewer->SetCaption(viewer.empty() ? String("ビューア (GV): 見つかりません")
                                    : "ビューア (GV): " + viewer);
}

String TSuperImagePage::GifFilter() {
  String filter = Super->GetFilter();
  const size_t first = filter.find('|');
  const size_t end = first == String::npos ? String::npos : filter.find('|', first + 1);
  if (end == String::npos || !Super->GIF().Enable) return filter;
  if (UpperCase(filter.substr(first + 1, end - first - 1)).find("*.GIF") == String::npos) {
    filter.insert(end, ";*.GIF");
  }
  return filter;
}

void TSuperImagePage::OpenPicture() {
  if (Super->Busy()) {
    openAfterLoad_ = true;
    StopLoad();
    return;
  }
  do {
    openAfterLoad_ = false;
    OpenDialog->SetFilter(GifFilter());
    if (!OpenDialog->Execute()) return;
    Load(OpenDialog->FileName());
  } while (openAfterLoad_);
}

void TSuperImagePage::Load(const String& fileName) {
  Log->Add("LoadFromFile: " + fileName);
  Info->SetCaption(String("読み込み中: ") + FileNamePart(fileName));
  ShowBusy(true);
  const DWORD start = GetTickCount();
  // An animation plays inside the load, the page's messages handled
  // meanwhile; it returns when the last frame is shown or it is stopped.
  const bool loaded = Super->LoadFromFile(fileName);
  ShowBusy(false);
  if (!loaded) {
    Log->Add("LoadFromFile: 失敗 " + fileName);
    ShowInfo();
    if (!openAfterLoad_) MessageDlg(fileName + " は読み込めません。", mtError, mbOK);
    return;
  }
  fileName_ = fileName;
  Log->Add(Format("LoadFromFile: 終了 (%d ms)", {int(GetTickCount() - start)}));
  ShowInfo();
}

void TSuperImagePage::StopLoad() {
  if (!Super->Busy()) return;
  Super->GIF().Stopped = true;
  Log->Add("GIF().Stopped = true");
}

void TSuperImagePage::ShowBusy(bool busy) {
  StopButton->SetEnabled(busy);
  SaveButton->SetEnabled(!busy);
}
