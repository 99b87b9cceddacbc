// A stand-in for the GV image viewer, the partner of the viewer link's
// tests: a DDE server for service "GV", topic "System", started with
// "/DDE". It opens the files it is told to (BMP through TBitmap, GIF
// through the window-free decoder), has the picture ready a little later,
// and then answers "DIBRequest" with "OK" and "DIB" (format 18) with the
// picture as a packed DIB; "WindowRect" gets a fixed text; "ExitGV()" ends
// it. It ends by itself when no conversation was open for a while, so a
// failed test leaves nothing running.
//
// The environment (inherited from the test) sets it up:
//   GVSERVER_LOG    file to append what happened to, one line each:
//                   "pid N", "start <command line>", "show N" (the show
//                   command it was started with), "connect", "exec
//                   <command>" ("exec-unterminated" when the command came
//                   without its NUL), "request <item> <format>",
//                   "disconnect", "exit"
//   GVSERVER_MODE   blank-separated switches: "neverready" (the picture is
//                   never ready), "lowerok" (ready is answered "ok"),
//                   "quitonopen" (FileOpen ends the program at once),
//                   "startdelay=MS" (busy MS after making its window,
//                   before its service exists, as a slow start is),
//                   "ready=MS" (the picture is ready MS after FileOpen,
//                   default 200), "execdelay=MS" (every command is
//                   acknowledged only after MS), "idle=MS" (end after MS
//                   without a conversation, default 20000), "rect=TEXT"
//                   (the "WindowRect" reply), and one lie about the DIB:
//                   "dib=bigsize" (biSizeImage past the reply's end),
//                   "dib=zerosize" (biSizeImage 0), "dib=manycolors"
//                   (biClrUsed above 2^bits), "dib=cut" (the reply ends
//                   halfway through the pixels), "dib=core" (a 12-byte
//                   header size), "dib=tiny" (three bytes)
#include "framework/Graphics.h"
#include "lib/imaging/Gifdecode.h"

#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr UINT kDibFormat = 18;
constexpr UINT_PTR kReadyTimer = 1;
constexpr UINT_PTR kIdleTimer = 2;

struct Settings {
  std::string log;
  bool neverReady = false;
  bool lowerOk = false;
  bool quitOnOpen = false;
  DWORD readyDelay = 200;
  DWORD execDelay = 0;
  DWORD idle = 20000;
  std::string rect = "10,20,300,200,1";
  std::string dibLie;
  DWORD startDelay = 0;
} settings;

DWORD instance = 0;
HSZ service = nullptr;
HSZ topic = nullptr;
HWND window = nullptr;
int conversations = 0;
DWORD lastActive = 0;
std::string pendingFile;
bool ready = false;
std::vector<uint8_t> dib;

std::string Env(const char* name) {
  char buffer[4096];
  DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

void Log(const std::string& line) {
  if (settings.log.empty()) return;
  if (FILE* f = std::fopen(settings.log.c_str(), "ab")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

void ReadSettings() {
  settings.log = Env("GVSERVER_LOG");
  std::istringstream words(Env("GVSERVER_MODE"));
  std::string word;
  while (words >> word) {
    auto value = [&](const char* key) -> const char* {
      const size_t n = std::strlen(key);
      return word.compare(0, n, key) == 0 ? word.c_str() + n : nullptr;
    };
    if (word == "neverready") settings.neverReady = true;
    else if (word == "lowerok") settings.lowerOk = true;
    else if (word == "quitonopen") settings.quitOnOpen = true;
    else if (const char* v = value("ready=")) settings.readyDelay = std::strtoul(v, nullptr, 10);
    else if (const char* v = value("execdelay=")) settings.execDelay = std::strtoul(v, nullptr, 10);
    else if (const char* v = value("idle=")) settings.idle = std::strtoul(v, nullptr, 10);
    else if (const char* v = value("startdelay=")) settings.startDelay = std::strtoul(v, nullptr, 10);
    else if (const char* v = value("rect=")) settings.rect = v;
    else if (const char* v = value("dib=")) settings.dibLie = v;
  }
}

void Put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint32_t Get32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// The bitmap as a bottom-up packed DIB: its own depth up to 8 bits with a
// full table, 24 bits above.
std::vector<uint8_t> DibOfBitmap(TBitmap& bitmap) {
  int bits = 24;
  switch (bitmap.PixelFormat()) {
    case pf1bit: bits = 1; break;
    case pf4bit: bits = 4; break;
    case pf8bit: bits = 8; break;
    default: break;
  }
  const int colors = bits <= 8 ? 1 << bits : 0;
  const int width = bitmap.Width(), height = bitmap.Height();
  const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(bits);
  header->biCompression = BI_RGB;
  std::vector<uint8_t> pixels(stride * height);
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, bitmap.Handle(), 0, height, pixels.data(),
                             reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows != height) return {};
  header->biSizeImage = static_cast<DWORD>(pixels.size());
  header->biClrUsed = 0;
  header->biClrImportant = 0;
  std::vector<uint8_t> out(info.begin(), info.begin() + sizeof(BITMAPINFOHEADER) + 4 * colors);
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

// The first image of a GIF on its logical screen, as an 8-bit DIB.
class GifToDib : public kxGifSink {
public:
  bool Screen(const kxGifScreen& s) override {
    width_ = s.Width;
    height_ = s.Height;
    table_ = s.Global;
    stride_ = (size_t(width_) + 3) / 4 * 4;
    pixels_.assign(stride_ * height_, s.BackgroundIndex);
    return true;
  }
  bool ImageStart(const kxGifImage& image) override {
    image_ = image;
    if (image.Local.Count) table_ = image.Local;
    return true;
  }
  bool Row(int y, const uint8_t* indices) override {
    const int sy = image_.Top + y;
    if (sy >= height_) return true;
    for (int x = 0; x < image_.Width && image_.Left + x < width_; ++x)
      pixels_[size_t(height_ - 1 - sy) * stride_ + image_.Left + x] = indices[x];
    return true;
  }
  bool ImageEnd(const kxGifImage&, bool) override {
    done_ = true;
    return false;
  }
  std::vector<uint8_t> Dib() const {
    if (!done_ || width_ == 0 || height_ == 0) return {};
    std::vector<uint8_t> out(40 + 256 * 4);
    Put32(&out[0], 40);
    Put32(&out[4], static_cast<uint32_t>(width_));
    Put32(&out[8], static_cast<uint32_t>(height_));
    out[12] = 1;
    out[14] = 8;
    Put32(&out[20], static_cast<uint32_t>(pixels_.size()));
    for (int i = 0; i < table_.Count; ++i) {
      out[40 + 4 * i] = table_.Rgb[3 * i + 2];
      out[40 + 4 * i + 1] = table_.Rgb[3 * i + 1];
      out[40 + 4 * i + 2] = table_.Rgb[3 * i];
    }
    out.insert(out.end(), pixels_.begin(), pixels_.end());
    return out;
  }

private:
  int width_ = 0, height_ = 0;
  size_t stride_ = 0;
  kxGifColorTable table_;
  kxGifImage image_;
  std::vector<uint8_t> pixels_;
  bool done_ = false;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

std::vector<uint8_t> Decode(const std::string& path) {
  const size_t dot = path.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
  try {
    if (lstrcmpiA(ext.c_str(), ".gif") == 0) {
      const std::vector<uint8_t> file = ReadFileBytes(path);
      GifToDib sink;
      kxGifReader reader(file.data(), file.size(), sink);
      reader.Decode();
      // The table points into the file: make the DIB while it lives.
      return sink.Dib();
    }
    TBitmap bitmap;
    bitmap.LoadFromFile(path);
    return DibOfBitmap(bitmap);
  } catch (const std::exception& e) {
    Log(std::string("unreadable ") + e.what());
    return {};
  }
}

// The DIB as the chosen lie has it.
std::vector<uint8_t> DibReply() {
  std::vector<uint8_t> out = dib;
  if (out.size() < 40) return out;
  const std::string& lie = settings.dibLie;
  const uint32_t sizeImage = Get32(&out[20]);
  if (lie == "bigsize") Put32(&out[20], sizeImage + 4096);
  else if (lie == "zerosize") Put32(&out[20], 0);
  else if (lie == "manycolors") Put32(&out[32], (1u << out[14]) + 1);
  else if (lie == "cut") out.resize(out.size() - sizeImage / 2);
  else if (lie == "core") Put32(&out[0], 12);
  else if (lie == "tiny") out.resize(3);
  return out;
}

// The argument of "Name(argument)" or "Name(argument,X)".
std::string Argument(const std::string& command, size_t open, bool rotated) {
  size_t close = command.rfind(')');
  if (close == std::string::npos || close < open) return {};
  std::string argument = command.substr(open, close - open);
  if (rotated) {
    const size_t comma = argument.rfind(',');
    if (comma != std::string::npos) argument.resize(comma);
  }
  return argument;
}

void Execute(const std::string& command) {
  if (command.rfind("FileOpen(", 0) == 0 || command.rfind("FileOpenEx(", 0) == 0) {
    const bool rotated = command.rfind("FileOpenEx(", 0) == 0;
    if (settings.quitOnOpen) {
      Log("quit");
      ExitProcess(3);
    }
    pendingFile = Argument(command, command.find('(') + 1, rotated);
    ready = false;
    dib.clear();
    SetTimer(window, kReadyTimer, settings.readyDelay, nullptr);
  } else if (command == "ExitGV()") {
    PostQuitMessage(0);
  }
}

// The answer to a request for item in format: the bytes, or none.
bool Reply(const std::string& item, UINT format, std::vector<uint8_t>& out) {
  Log("request " + item + " " + std::to_string(format));
  auto text = [&](const std::string& t) {
    out.assign(t.begin(), t.end());
    out.push_back(0);
    return true;
  };
  if (item == "DIBRequest" && format == CF_TEXT) {
    const bool answer = ready && !settings.neverReady;
    return text(answer ? (settings.lowerOk ? "ok" : "OK") : "WAIT");
  }
  if (item == "WindowRect" && format == CF_TEXT) return text(settings.rect);
  if (item == "DIB" && format == kDibFormat && ready) {
    out = DibReply();
    return true;
  }
  return false;
}

// Requests are answered here, by the DDE protocol itself, before the DDE
// library sees them: Wine's library follows its data with an
// acknowledgement that a client takes for the refusal of its next request.
// The answer is the data alone (released by the client, no
// acknowledgement asked), or a negative acknowledgement.
bool AnswerRequest(const MSG& msg) {
  if (msg.message != WM_DDE_REQUEST) return false;
  UINT_PTR format = 0, atom = 0;
  UnpackDDElParam(WM_DDE_REQUEST, msg.lParam, &format, &atom);
  char name[256] = {};
  GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name);
  std::vector<uint8_t> data;
  const HWND client = reinterpret_cast<HWND>(msg.wParam);
  if (Reply(name, static_cast<UINT>(format), data)) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, offsetof(DDEDATA, Value) + data.size());
    auto* block = static_cast<DDEDATA*>(GlobalLock(memory));
    std::memset(block, 0, offsetof(DDEDATA, Value));
    block->fResponse = 1;
    block->fRelease = 1;
    block->cfFormat = static_cast<short>(format);
    std::memcpy(block->Value, data.data(), data.size());
    GlobalUnlock(memory);
    PostMessageA(client, WM_DDE_DATA, reinterpret_cast<WPARAM>(msg.hwnd),
                 ReuseDDElParam(msg.lParam, WM_DDE_REQUEST, WM_DDE_DATA,
                                reinterpret_cast<UINT_PTR>(memory), atom));
  } else {
    PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(msg.hwnd),
                 ReuseDDElParam(msg.lParam, WM_DDE_REQUEST, WM_DDE_ACK, 0, atom));
  }
  return true;
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                           ULONG_PTR, ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(
          static_cast<ULONG_PTR>(DdeCmpStringHandles(hsz1, topic) == 0 &&
                                 DdeCmpStringHandles(hsz2, service) == 0));
    case XTYP_CONNECT_CONFIRM:
      ++conversations;
      Log("connect");
      return nullptr;
    case XTYP_DISCONNECT:
      --conversations;
      lastActive = GetTickCount();
      Log("disconnect");
      return nullptr;
    case XTYP_EXECUTE: {
      const DWORD size = DdeGetData(data, nullptr, 0, 0);
      std::vector<char> bytes(size + 1, 0);
      DdeGetData(data, reinterpret_cast<BYTE*>(bytes.data()), size, 0);
      const std::string command(bytes.data());
      Log("exec " + command);
      if (size == 0 || bytes[size - 1] != 0) Log("exec-unterminated");
      if (settings.execDelay) Sleep(settings.execDelay);
      Execute(command);
      return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
    }
    case XTYP_REQUEST:
      // Answered in the message loop (AnswerRequest); never reaches here.
      return nullptr;
    default:
      return nullptr;
  }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == kReadyTimer) {
    KillTimer(hwnd, kReadyTimer);
    dib = Decode(pendingFile);
    ready = !dib.empty();
    Log(ready ? "ready" : "failed");
    return 0;
  }
  if (message == WM_TIMER && wparam == kIdleTimer) {
    if (conversations <= 0 && GetTickCount() - lastActive > settings.idle) {
      Log("idle");
      PostQuitMessage(0);
    }
    return 0;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instanceHandle, HINSTANCE, LPSTR, int show) {
  ReadSettings();
  Log("pid " + std::to_string(GetCurrentProcessId()));
  Log(std::string("start ") + GetCommandLineA());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  Log("show " + std::to_string((startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1));
  lastActive = GetTickCount();

  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instanceHandle;
  wc.lpszClassName = "GvServerWindow";
  RegisterClassA(&wc);
  window = CreateWindowA("GvServerWindow", "GV", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                         240, nullptr, nullptr, instanceHandle, nullptr);
  ShowWindow(window, show);
  SetTimer(window, kIdleTimer, 200, nullptr);
  // A window, and busy before it first waits for input: the start a
  // client waits for with WaitForInputIdle.
  if (settings.startDelay) Sleep(settings.startDelay);

  if (DdeInitializeA(&instance, Callback, APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES |
                                              CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                     0) != DMLERR_NO_ERROR) {
    Log("no dde");
    return 1;
  }
  service = DdeCreateStringHandleA(instance, "GV", CP_WINANSI);
  topic = DdeCreateStringHandleA(instance, "System", CP_WINANSI);
  DdeNameService(instance, service, nullptr, DNS_REGISTER);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (AnswerRequest(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DdeNameService(instance, service, nullptr, DNS_UNREGISTER);
  DdeFreeStringHandle(instance, service);
  DdeFreeStringHandle(instance, topic);
  DdeUninitialize(instance);
  DestroyWindow(window);
  Log("exit");
  return 0;
}
