#include "lib/imaging/Simage.h"

#include "framework/Streams.h"
#include "lib/core/File.h"
#include "lib/core/Waitcur.h"
#include "lib/imaging/Gif.h"
#include "lib/imaging/Gv.h"
#include "lib/imaging/Susie.h"

#include <windows.h>

namespace {

const char kBitmapKind[] = "ﾋﾞｯﾄﾏｯﾌﾟ|*.BMP;*.RLE;*.RGB;*.DIB";

// Every second field of a "description|patterns|..." list, joined by ";".
String Patterns(const String& list) {
  String patterns;
  int start = 0;
  for (int field = 0; start >= 0; ++field) {
    const int bar = CharPos(list.c_str(), '|', start);
    if (field % 2 == 1) {
      if (!patterns.empty()) patterns += ';';
      patterns += list.substr(start, bar < 0 ? String::npos : bar - start);
    }
    start = bar < 0 ? -1 : bar + 1;
  }
  return patterns;
}

// A depth a loader reported, when a bitmap file can have it; else 0, the
// picture's own (a plug-in's answer is not to be trusted).
int32_t KnownDepth(int32_t depth) {
  for (int32_t known : {1, 4, 8, 16, 24, 32}) {
    if (depth == known) return depth;
  }
  return 0;
}

}  // namespace

kxvSuperImage::kxvSuperImage(TComponent* owner)
    : kxvImage(owner),
      gif_(new kxvGIF(this)),
      gv_(new kxvGV(this)),
      susie_(std::make_unique<kxvSusie>()) {
  gif_->OnPaint = [this](TObject* sender, kxRect* rect) { GIFOnPaint(sender, rect); };
  gvEnable_ = gv_->Enable();
  susieEnable_ = susie_->Enable();
}

kxvSuperImage::~kxvSuperImage() {
  *alive_ = false;
  delete gif_;
  delete gv_;
}

void kxvSuperImage::GIFOnPaint(TObject* /*sender*/, kxRect* /*rect*/) {
  Invalidate();
  Update();
}

void kxvSuperImage::SetGVEnable(bool enable) {
  gv_->SetEnable(enable);
  gvEnable_ = gv_->Enable();
}

void kxvSuperImage::SetSusieEnable(bool enable) {
  susie_->SetEnable(enable);
  susieEnable_ = susie_->Enable();
}

String kxvSuperImage::GetSusiePath() { return susie_->Path(); }

void kxvSuperImage::SetSusiePath(const String& directory) {
  susie_->SetPath(directory);
  susieEnable_ = susie_->Enable();
}

String kxvSuperImage::GetGVPath() { return gv_->Path(); }

void kxvSuperImage::SetGVPath(const String& path) {
  gv_->SetPath(path);
  gvEnable_ = gv_->Enable();
}

bool kxvSuperImage::IsBitmap(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  char header[14];
  file.ReadBuffer(header, sizeof header);
  return header[0] == 'B' && header[1] == 'M';
}

String kxvSuperImage::GetFilter() {
  String list = kBitmapKind;
  if (gvEnable_) {
    list = gv_->GetFilter();
  } else if (susieEnable_) {
    const String plugins = susie_->GetFilter();
    if (!plugins.empty()) list += "|" + plugins;
  } else {
    list += "|GIF|*.GIF";
  }
  return "画像ﾌｧｲﾙ|" + Patterns(list) + "|すべてのﾌｧｲﾙ|*.*|" + list;
}

bool kxvSuperImage::LoadFromFile(const String& fileName) {
  kxWaitCursor wait;
  if (Busy()) return false;
  if (fileName.empty() || !FileExistsAttr(fileName.c_str(), FILE_ATTRIBUTE_DIRECTORY)) return false;
  // The count goes down however the load ends, an error passing through
  // (a handler's, memory) included, unless the control went with it.
  struct Loading {
    kxvSuperImage* image;
    std::shared_ptr<bool> alive;
    ~Loading() {
      if (*alive) --image->loading_;
    }
  } loading{this, alive_};
  ++loading_;
  bool loaded = false;
  try {
    loaded = LoadWithLoaders(fileName, *loading.alive);
  } catch (const Exception&) {
    // A damaged file, or one gone meanwhile: not read.
  }
  return *loading.alive && loaded;
}

bool kxvSuperImage::LoadWithLoaders(const String& fileName, const bool& alive) {
  if (IsBitmap(fileName)) return ReadBitmapFile(fileName);
  TBitmap& bitmap = Picture().Bitmap();
  if (gif_->IsSupport(fileName)) {
    gif_->LoadFromFile(fileName, &bitmap);
    if (!alive) return false;
    // A GIF picture has at most 256 colours: saved so by default. Without
    // a global table the palette held is the system's, not the picture's:
    // none is kept, and a save takes the colours drawn.
    SetBitCount(8);
    CopyPalette(gif_->GlobalTable ? gif_->Palette : nullptr);
    gif_->SetPalette(nullptr);
    return true;
  }
  if (susie_->LoadFromFile(fileName, &bitmap)) {
    SetBitCount(KnownDepth(susie_->ColorDepth()));
    CopyPalette(susie_->Palette());
    susie_->SetPalette(nullptr);
    return true;
  }
  const bool viewed = gv_->LoadFromFile(fileName, &bitmap);
  if (!alive) return false;
  if (viewed) {
    SetBitCount(KnownDepth(gv_->BitCount()));
    CopyPalette(gv_->Palette());
    gv_->SetPalette(nullptr);
    return true;
  }
  return ReadBitmapFile(fileName);
}

namespace Simage {
void Register() { RegisterComponent<kxvSuperImage>("NORDA", "kxvSuperImage"); }
}  // namespace Simage
