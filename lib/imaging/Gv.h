// The link to the GV image viewer over DDE: GV is found through its own
// registry entry and started when needed ("/DDE" on its command line),
// sent text commands, asked for data items, above all the picture it
// decoded as a packed DIB, which kxvGVStream presents to a TBitmap as a
// BMP file.
//
// The conversation: service "GV", topic "System"; commands are execute
// transactions in CF_TEXT, requests synchronous request transactions.
// Nothing is raised to the caller: failures answer false, null or empty.
#pragma once

#include "framework/DdeMan.h"
#include "framework/Graphics.h"
#include "framework/Streams.h"
#include "lib/imaging/Packeddib.h"

#include <windows.h>

#include <cstdint>

enum kxvGVRotate : uint8_t { grLeft = 0, grRight = 1 };
enum kxvGVSwitch : uint8_t { gsOn = 0, gsOff = 1, gsAuto = 2 };
enum kxvGVAspect : uint8_t { gaW = 0, gaH = 1, gaI = 2, gaD = 3, gaOther = 4 };
enum kxvGVPartMAGMode : uint8_t { pmAuto = 0, pmSemiAuto = 1, pmManual = 2, pmNoCheck = 3 };

// A packed DIB held elsewhere shown as a BMP file: a 14-byte file header
// of its own, then the DIB's bytes. The DIB is checked against its length
// first (CheckPackedDib); one that fails it shows as an empty stream.
// Reading never goes past the presented file, which lies within the DIB.
class kxvGVStream : public TCustomMemoryStream {
public:
  // dib must outlive the stream; it is not owned.
  kxvGVStream(const void* dib, size_t length);

  bool Valid() const { return valid_; }
  int BitCount() const { return info_.BitCount; }
  const kxPackedDib& Info() const { return info_; }

  // Positions 0 to 13 from the header, the DIB's bytes after them.
  int32_t Read(void* buffer, int32_t count) override;
  // Read-only: 0. (Memory() is the header alone; the file is read, and
  // saved, through Read.)
  int32_t Write(const void* buffer, int32_t count) override;

private:
  const uint8_t* dib_;
  kxPackedDib info_;
  bool valid_ = false;
};

class kxvGV : public TDdeClientConv {
public:
  // Path from the registry (SearchPathA).
  explicit kxvGV(TComponent* owner);
  kxvGV(TComponent* owner, const String& path);
  ~kxvGV() override;

  // Full path of GV's executable.
  const String& Path() const { return path_; }
  // Path, and the conversation's service application: the path (quoted
  // when it holds a blank) followed by " /DDE ".
  void SetPath(const String& path);
  // The link may be used: true when Path names an existing file.
  bool Enable() const { return enable_; }
  // Stores the value; true is then decided by CheckGV.
  void SetEnable(bool enable);
  // The wait flag sent with most commands.
  bool Wait() const { return wait_; }
  void SetWait(bool wait) { wait_ = wait; }
  // Bits per pixel of the last picture received.
  int32_t BitCount() const { return bitCount_; }
  // Palette of the last picture received (owned; freed with
  // FreeLogPalette), or null for more than 8 bits per pixel.
  LOGPALETTE* Palette() const { return palette_; }
  // Frees the held palette and takes palette (null allowed).
  void SetPalette(LOGPALETTE* palette);
  // How long LoadFromFile waits for GV to have the picture ready
  // (milliseconds, 30,000 unless set).
  DWORD ReadyTimeout() const { return readyTimeout_; }
  void SetReadyTimeout(DWORD ms) { readyTimeout_ = ms; }

  // Enable = false, then Path from the default value of the key
  // "\Software\Kestil\GV\Path" under HKEY_CURRENT_USER, when it exists.
  void SearchPathA();
  // Enable = the file Path exists; returns it.
  bool CheckGV();
  // The open dialog's filter of what GV reads; empty while not Enable.
  String GetFilter() const;

  // Opens the conversation (GV, System), starting GV when needed. False
  // while not Enable; true when already open.
  bool Execute();
  // Tells GV to exit and closes the conversation; a command still waited
  // for is given up first, so that the exit is not refused.
  void Terminate();
  // The whole cycle for one file: open the conversation, FileOpen, wait
  // (processing messages) until GV has the picture ready, GetDIB, then
  // Terminate. False while not Enable, for a missing file, when GV does
  // not open it, is not ready within ReadyTimeout or hangs up, or when
  // the picture cannot be read.
  bool LoadFromFile(const String& file, TBitmap* bitmap);
  // The item in the given clipboard format: a new NUL-terminated buffer
  // (StrBufSize - 1 bytes of data; free it with StrDispose), or null.
  char* GVRequestData(const String& item, int format);

  // Commands: each answers whether it was sent.
  bool FileOpen(const String& file);
  bool FileOpenEx(const String& file, kxvGVRotate rotate);
  bool FileClose();
  bool FileSaveEx(const String& file, bool a, bool b);
  bool SetWindowPos(bool top, int a, int b, int c, int d, int e);
  bool ClipCopy();
  bool ClipCopyViewImage();
  bool ClipPaste();
  bool SetWallPaper(bool tile);
  bool Quantize(kxvGVSwitch s, int a, int b, bool f);
  bool ZoomRate(int n);
  bool Aspect(int n, kxvGVAspect a);
  bool Rotate(kxvGVRotate rotate);
  bool ShowGV(bool on);
  bool IconGV(bool on);
  bool AutoAspect(bool on);
  bool AutoResize(bool on);
  bool PartMAGCheck(kxvGVPartMAGMode mode);
  bool ViewDraft();
  bool ExitGV();

  // Requests. True when GV answers exactly "OK": the picture is ready.
  bool DIBRequest();
  // GV's window: r = (left, top, left + width, top + height) and the fifth
  // value. False without a reply of five numbers.
  bool WindowRect(RECT& r, int& n);
  // The picture as a packed DIB (format 18) into bitmap; BitCount and
  // Palette describe it. False without a reply, for a reply that is not a
  // checked DIB, or one the bitmap cannot read.
  bool GetDIB(TBitmap* bitmap);

private:
  bool Send(const String& command, bool wait);

  String path_;
  bool enable_ = false;
  bool wait_ = false;
  int32_t bitCount_ = 0;
  LOGPALETTE* palette_ = nullptr;
  DWORD readyTimeout_ = 30000;
};

// The "WindowRect" reply: five decimal integers, each followed by one
// separator character (the last one's may be missing). False for fewer.
bool ParseGVWindowRect(const char* text, RECT& r, int& n);
