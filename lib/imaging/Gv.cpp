#include "lib/imaging/Gv.h"

#include "framework/Forms.h"
#include "framework/Registry.h"
#include "lib/core/File.h"
#include "lib/imaging/Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// The clipboard format GV serves its picture in.
constexpr int kDibFormat = 18;

const char* OnOff(bool on) { return on ? "ON" : "OFF"; }

}  // namespace

// --- kxvGVStream -------------------------------------------------------------

kxvGVStream::kxvGVStream(const void* dib, size_t length) : dib_(static_cast<const uint8_t*>(dib)) {
  valid_ = CheckPackedDib(dib, length, info_);
  SetPointer(info_.FileHeader, valid_ ? static_cast<int32_t>(info_.FileSize) : 0);
}

int32_t kxvGVStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ < 0 || position_ >= size_) return 0;
  const int32_t n = std::min(count, size_ - position_);
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  constexpr int32_t header = sizeof info_.FileHeader;
  if (position_ < header) {
    done = std::min(n, header - position_);
    std::memcpy(out, info_.FileHeader + position_, static_cast<size_t>(done));
  }
  if (done < n)
    std::memcpy(out + done, dib_ + (position_ + done - header), static_cast<size_t>(n - done));
  position_ += n;
  return n;
}

int32_t kxvGVStream::Write(const void*, int32_t) { return 0; }

// --- kxvGV --------------------------------------------------------------------

kxvGV::kxvGV(TComponent* owner) : TDdeClientConv(owner) {
  SetConnectMode(ddeAutomatic);
  SearchPathA();
}

kxvGV::kxvGV(TComponent* owner, const String& path) : TDdeClientConv(owner) {
  SetConnectMode(ddeAutomatic);
  SetPath(path);
}

kxvGV::~kxvGV() { SetPalette(nullptr); }

void kxvGV::SearchPathA() {
  enable_ = false;
  TRegistry registry;
  try {
    if (registry.OpenKeyReadOnly("\\Software\\Kestil\\GV\\Path")) SetPath(registry.ReadString(""));
  } catch (const Exception&) {
    // No usable entry: the link stays disabled.
  }
}

void kxvGV::SetPath(const String& path) {
  path_ = path;
  // Unquoted, a path with blanks would be split by the program start.
  const bool quote = path.find(' ') != String::npos;
  SetServiceApplication((quote ? "\"" + path + "\"" : path) + " /DDE ");
  CheckGV();
}

bool kxvGV::CheckGV() {
  enable_ = !path_.empty() && FileExistsAttr(path_.c_str(), FILE_ATTRIBUTE_DIRECTORY);
  return enable_;
}

void kxvGV::SetEnable(bool enable) {
  enable_ = enable;
  if (enable) CheckGV();
}

void kxvGV::SetPalette(LOGPALETTE* palette) {
  if (palette_ == palette) return;
  FreeLogPalette(palette_);
  palette_ = palette;
}

String kxvGV::GetFilter() const {
  if (!enable_) return String();
  return "ﾋﾞｯﾄﾏｯﾌﾟ|*.BMP;*.RLE;*.RGB;*.DIB"
         "|GIF|*.GIF"
         "|JEIDAﾃﾞｼﾞﾀﾙｶﾒﾗ|*.J6I"
         "|JPEG|*.JPG;*.JPEG"
         "|MAG,MAKI|*.MAG"
         "|PhotoCD|*.PCD"
         "|Pi,PIC,PIC2|*.PI;*.PIC;*.P2"
         "|Mac PICT|*.PICT"
         "|Cyber-Shot|*.PMP"
         "|QLD|*.Q0;*.Q4"
         "|QVﾃﾞｼﾞﾙﾀﾙｶﾒﾗ|*.CAM"
         "|SunRaster|*.RAS"
         "|TIFF|*.TIF;*.TIFF"
         "|XBM|*.X;*.XBM"
         "|LZH|*.LZH"
         "|ZIP|*.ZIP";
}

bool kxvGV::Execute() {
  if (!enable_) return false;
  if (Connected()) return true;
  return SetLink("GV", "System");
}

void kxvGV::Terminate() {
  CancelWait();
  ExitGV();
  CloseLink();
}

bool kxvGV::LoadFromFile(const String& file, TBitmap* bitmap) {
  if (!enable_ || !bitmap || !FileExistsAttr(file.c_str(), FILE_ATTRIBUTE_DIRECTORY)) return false;
  // One limit for the whole load: the start, the wait for the picture and
  // the requests together.
  const DWORD start = GetTickCount();
  SetDeadline(start + readyTimeout_);
  const std::shared_ptr<const bool> alive = Alive();
  Execute();
  if (!*alive) return false;
  bool result = false;
  if (FileOpen(file)) {
    bool ready = false;
    // GV decodes on its own time; without an answer in time, or once it
    // hung up, the picture will not come.
    while (Conv() && !(ready = DIBRequest()) && GetTickCount() - start < readyTimeout_) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      Application().ProcessMessages();
      if (!*alive) return false;  // destroyed by a handler: nothing of ours is left
    }
    if (ready) result = GetDIB(bitmap);
  }
  ClearDeadline();
  Terminate();
  return result;
}

char* kxvGV::GVRequestData(const String& item, int format) {
  return RequestData(item, static_cast<UINT>(format));
}

bool kxvGV::Send(const String& command, bool wait) { return ExecuteMacro(command.c_str(), wait); }

bool kxvGV::FileOpen(const String& file) {
  if (file.empty()) return false;
  return Send("FileOpen(" + file + ")", wait_);
}

bool kxvGV::FileOpenEx(const String& file, kxvGVRotate rotate) {
  if (file.empty()) return false;
  return Send("FileOpenEx(" + file + (rotate == grLeft ? ",L)" : ",R)"), wait_);
}

bool kxvGV::FileClose() { return Send("FileClose()", wait_); }

bool kxvGV::FileSaveEx(const String& file, bool a, bool b) {
  return Send("FileSaveEx(" + file + "," + OnOff(a) + "," + OnOff(b) + ")", wait_);
}

bool kxvGV::SetWindowPos(bool top, int a, int b, int c, int d, int e) {
  return Send(String("SetWindowPos(") + (top ? "-1" : "1") + "," + IntToStr(a) + "," +
                  IntToStr(b) + "," + IntToStr(c) + "," + IntToStr(d) + "," + IntToStr(e) + ")",
              wait_);
}

bool kxvGV::ClipCopy() { return Send("ClipCopy()", false); }
bool kxvGV::ClipCopyViewImage() { return Send("ClipCopyViewImage()", wait_); }
bool kxvGV::ClipPaste() { return Send("ClipPaste()", wait_); }

bool kxvGV::SetWallPaper(bool tile) {
  return Send(tile ? "SetWallPaper(TILE)" : "SetWallPaper(CENTER)", wait_);
}

bool kxvGV::Quantize(kxvGVSwitch s, int a, int b, bool f) {
  const char* mode = s == gsOn ? "ON," : s == gsOff ? "OFF," : "AUTO,";
  return Send(String("Quantize(") + mode + IntToStr(a) + "," + IntToStr(b) + "," + OnOff(f) + ")",
              wait_);
}

bool kxvGV::ZoomRate(int n) { return Send("ZoomRate(" + IntToStr(n) + ")", wait_); }

bool kxvGV::Aspect(int n, kxvGVAspect a) {
  static const char* const kinds[] = {",W)", ",H)", ",I)", ",D)"};
  return Send("Aspect(" + IntToStr(n) + (a <= gaD ? kinds[a] : ",Other)"), wait_);
}

bool kxvGV::Rotate(kxvGVRotate rotate) {
  return Send(rotate == grLeft ? "Rotate(L)" : "Rotate(R)", wait_);
}

bool kxvGV::ShowGV(bool on) { return Send(String("ShowGV(") + OnOff(on) + ")", wait_); }
bool kxvGV::IconGV(bool on) { return Send(String("IconGV(") + OnOff(on) + ")", wait_); }
bool kxvGV::AutoAspect(bool on) { return Send(String("AutoAspect(") + OnOff(on) + ")", wait_); }
bool kxvGV::AutoResize(bool on) { return Send(String("AutoResize(") + OnOff(on) + ")", wait_); }

bool kxvGV::PartMAGCheck(kxvGVPartMAGMode mode) {
  static const char* const modes[] = {"PartMAGCheck(AUTO)", "PartMAGCheck(SemiAUTO)",
                                      "PartMAGCheck(Manual)", "PartMAGCheck(NoCheck)"};
  if (mode > pmNoCheck) return false;
  return Send(modes[mode], wait_);
}

bool kxvGV::ViewDraft() { return Send("ViewDraft()", wait_); }
bool kxvGV::ExitGV() { return Send("ExitGV()", false); }

bool kxvGV::DIBRequest() {
  char* reply = GVRequestData("DIBRequest", CF_TEXT);
  const bool ready = reply && std::strcmp(reply, "OK") == 0;
  StrDispose(reply);
  return ready;
}

bool ParseGVWindowRect(const char* text, RECT& r, int& n) {
  if (!text) return false;
  int64_t values[5];
  const char* p = text;
  for (int64_t& value : values) {
    const bool digit = (*p >= '0' && *p <= '9') ||
                       ((*p == '-' || *p == '+') && p[1] >= '0' && p[1] <= '9');
    if (!digit) return false;
    char* end = nullptr;
    // Clamped to 32 bits, so that the sums below cannot overflow.
    value = std::clamp<long long>(std::strtoll(p, &end, 10), INT32_MIN, INT32_MAX);
    p = *end ? end + 1 : end;
  }
  r.left = static_cast<LONG>(values[0]);
  r.top = static_cast<LONG>(values[1]);
  r.right = static_cast<LONG>(std::clamp<int64_t>(values[0] + values[2], INT32_MIN, INT32_MAX));
  r.bottom = static_cast<LONG>(std::clamp<int64_t>(values[1] + values[3], INT32_MIN, INT32_MAX));
  n = static_cast<int>(values[4]);
  return true;
}

bool kxvGV::WindowRect(RECT& r, int& n) {
  char* reply = GVRequestData("WindowRect", CF_TEXT);
  if (!reply) return false;
  const bool parsed = ParseGVWindowRect(reply, r, n);
  StrDispose(reply);
  return parsed;
}

bool kxvGV::GetDIB(TBitmap* bitmap) {
  if (!bitmap) return false;
  char* reply = GVRequestData("DIB", kDibFormat);
  if (!reply) return false;
  const size_t length = StrBufSize(reply) - 1;
  bool result = false;
  kxvGVStream stream(reply, length);
  if (stream.Valid()) {
    SetPalette(DIBToPalette(reply, length));
    bitCount_ = stream.BitCount();
    try {
      bitmap->LoadFromStream(stream);
      result = true;
    } catch (const std::exception&) {
      // A picture the bitmap cannot read: no picture.
    }
  }
  StrDispose(reply);
  return result;
}
