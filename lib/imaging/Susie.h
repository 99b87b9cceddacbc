// The Susie plug-in host. kxvSPI loads one image plug-in (a DLL named
// *.SPI exporting the published five functions), asks it what it reads,
// whether it reads a file, for the picture's information and for the
// picture, which it hands to a TBitmap by presenting it as a BMP file: the
// plug-in object is itself that read-only stream. kxvSusie keeps an
// ordered set of plug-ins gathered from directories (at first the system
// directory the registry names), joins their file-dialog filters and loads
// a picture with the first plug-in that accepts it.
//
// Plug-ins are outside code and their answers are not trusted: texts are
// taken only up to their buffer's end, a picture's sizes are measured
// against the memory blocks that hold it, and a picture that does not fit
// its blocks raises EInvalidGraphic, as does one the bitmap cannot read;
// the plug-in's blocks are freed either way.
#pragma once

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Streams.h"
#include "lib/imaging/Spiapi.h"
#include "lib/imaging/Susiedata.h"

#include <cstdint>

class kxvSusie;

class kxvSPI : public TCustomMemoryStream {
public:
  kxvSPI();
  // An empty plug-in, then SetSpiName(path).
  explicit kxvSPI(const String& path);
  ~kxvSPI() override;

  // Loads the plug-in at path (unloading one held before). SpiName is the
  // path's file-name part. True, and Valid, when the library loads, has
  // GetPluginInfo and answers its entry 0; the filter is then built from
  // the entries 2n (pattern) and 2n+1 (description). A library without
  // GetPluginInfo is unloaded; one that does not answer entry 0 stays
  // loaded but not Valid.
  bool SetSpiName(const String& path);
  // Unloads the library: false, keeping it, when FreeLibrary fails.
  bool FreeSpi();
  // The plug-in's own answer (0 without a library or the function).
  int GetPluginInfo(int infono, char* buffer, int length);

  // File mode: FileName is asked about and, when supported, its picture
  // information fetched.
  void SetFileName(const String& name);
  // Memory mode: the picture lies at memory, Offset bytes long (the
  // interface's length argument). Asks IsSupport and, when supported,
  // GetPictureInfo; that call's result. Without Offset (0) no plug-in is
  // asked: its first bytes could not be handed over.
  // File mode and memory mode: a file that cannot be opened, or a picture
  // without its size, is supported by none, and nothing raises.
  bool SetMemory(const char* memory);
  // The image's offset in the file (file mode) or its size (memory mode);
  // stored for the next calls.
  void SetOffset(int32_t offset) { offset_ = offset; }

  // Whether the plug-in reads the source: in file mode it gets the file
  // opened for reading at Offset, in memory mode a copy of the first 2 KB of the
  // picture (zero-filled past its end).
  bool IsSupport();
  // Fills PictureInfo and InfoText; true when the plug-in answered 0.
  bool GetPictureInfo();
  // The picture (or its preview) into bitmap, and its logical palette
  // (null above 8 bits), which the caller then owns (FreeLogPalette). False when the
  // plug-in lacks the function or answers non-zero (LastResult). Raises
  // EInvalidGraphic for a picture that does not fit the blocks it came in
  // or that the bitmap cannot read.
  bool GetPicture(TBitmap* bitmap, LOGPALETTE*& palette);
  bool GetPreview(TBitmap* bitmap, LOGPALETTE*& palette);
  // Hands the picture in the two blocks to bitmap (see above) and frees
  // both blocks; the palette or null.
  LOGPALETTE* StoreBitmap(TBitmap* bitmap, HLOCAL header, HLOCAL pixels);

  // The presented BMP file, while StoreBitmap runs; nothing otherwise.
  int32_t Read(void* buffer, int32_t count) override;
  // Read-only.
  int32_t Write(const void* buffer, int32_t count) override;

  int32_t LastResult() const { return lastResult_; }
  bool Valid() const { return valid_; }
  const String& SpiName() const { return spiName_; }
  HMODULE Module() const { return module_; }
  // Characters 3 and 4 of entry 0 ("IN" of "00IN"), as stored bytes.
  uint16_t PluginType() const { return pluginType_; }
  // From characters 1 and 2 of entry 0: (c1 - '0') x 16 + (c2 - '0'),
  // truncated to a byte ("00IN" gives 0).
  uint16_t ApiVersion() const { return apiVersion_; }
  const String& Filter() const { return filter_; }
  bool MemoryMode() const { return memoryMode_; }
  int32_t Offset() const { return offset_; }
  const String& FileName() const { return fileName_; }
  // The picture's memory in memory mode (the stream's own block is the
  // presented file's header: TCustomMemoryStream::Memory).
  const char* Memory() const { return memory_; }
  bool Supported() const { return supported_; }
  const SpiPictureInfo& PictureInfo() const { return info_; }
  // The text of the last GetPictureInfo, or null.
  const char* InfoText() const { return infoText_; }
  kxvSPI* Next() const { return next_; }

private:
  bool Picture(SpiGetPictureFn function, TBitmap* bitmap, LOGPALETTE*& palette);
  void ClearFunctions();

  int32_t lastResult_ = 0;
  bool valid_ = false;
  String spiName_;
  HMODULE module_ = nullptr;
  uint16_t pluginType_ = 0;
  uint16_t apiVersion_ = 0;
  String filter_;
  bool memoryMode_ = false;
  int32_t offset_ = 0;
  String fileName_;
  const char* memory_ = nullptr;
  bool supported_ = false;
  SpiPictureInfo info_{};
  char* infoText_ = nullptr;
  kxvSPI* next_ = nullptr;
  // The presented file while a bitmap reads it.
  kxPresentedDib presented_;
  const uint8_t* pixels_ = nullptr;

  SpiGetPluginInfoFn getPluginInfo_ = nullptr;
  SpiIsSupportedFn isSupported_ = nullptr;
  SpiGetPictureInfoFn getPictureInfo_ = nullptr;
  SpiGetPictureFn getPicture_ = nullptr;
  SpiGetPictureFn getPreview_ = nullptr;

  friend class kxvSusie;
};

class kxvSusie : public TPersistent {
public:
  // Starts with the plug-ins of the system directory (AddSystemDir).
  kxvSusie();
  // Unloads every plug-in; frees the palette.
  ~kxvSusie() override;

  // By 0-based position in name order, or null.
  kxvSPI* GetSPI(int index) const;
  // By SpiName, exactly (case counts), or null.
  kxvSPI* GetSPI(const String& name) const;
  // Loads the plug-in at path into the set, in ascending byte order of
  // SpiName. True when it is Valid, or a plug-in of that name is already
  // in (nothing is loaded then).
  bool AddSPI(const String& path);
  // AddSPI for every *.SPI of directory; how many answered true.
  int AddDirSPI(const String& directory);
  // SetPath on the system directory named by the registry (value SysDir
  // of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Setup), if any.
  void AddSystemDir();
  // Unloads and removes the plug-in of that SpiName; false if none.
  bool DeleteSPI(const String& name);

  // Enable = the set holds a plug-in.
  void CheckSPI() { enable_ = count_ != 0; }
  bool Enable() const { return enable_; }
  // Stores value; true is then checked against the set (CheckSPI).
  void SetEnable(bool value);
  const String& Path() const { return path_; }
  // Adds the plug-ins of directory (those already in stay).
  void SetPath(const String& directory);
  // The palette of the last picture loaded, or null; owned. A failed load
  // leaves it as it was.
  LOGPALETTE* Palette() const { return palette_; }
  // Frees the held palette (FreeLogPalette) and takes palette (null
  // allowed).
  void SetPalette(LOGPALETTE* palette);
  // "description|pattern|..." of every plug-in in order.
  String GetFilter() const;

  // The plug-ins are asked about the current source in order; the first
  // that accepts becomes Current and its picture information is copied.
  bool IsSupport();
  // File mode; asks the plug-ins.
  void SetFileName(const String& name);
  // Memory mode: the picture at memory, Offset bytes long; asks.
  bool SetMemory(const char* memory);
  // Offset of the picture in the file, or its size in memory mode; asks.
  bool SetOffset(int32_t offset);

  // With Current: its picture into bitmap; its palette replaces Palette.
  // False without Current or when the plug-in fails. EInvalidGraphic
  // passes through (see kxvSPI::GetPicture).
  bool GetPicture(TBitmap* bitmap);
  bool GetPreview(TBitmap* bitmap);
  // Enabled and the file exists: SetFileName, then GetPicture.
  bool LoadFromFile(const String& fileName, TBitmap* bitmap);

  bool MemoryMode() const { return memoryMode_; }
  int32_t Offset() const { return offset_; }
  const String& FileName() const { return fileName_; }
  const char* Memory() const { return memory_; }
  bool Supported() const { return supported_; }
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  uint16_t XDensity() const { return xDensity_; }
  uint16_t YDensity() const { return yDensity_; }
  int32_t ColorDepth() const { return colorDepth_; }
  // Current's InfoText (valid until it is asked again), or null.
  const char* InfoText() const { return infoText_; }
  int32_t Count() const { return count_; }
  kxvSPI* First() const { return first_; }
  kxvSPI* Current() const { return current_; }

private:
  bool PictureFrom(bool preview, TBitmap* bitmap);

  String path_;
  bool enable_ = false;
  bool memoryMode_ = false;
  int32_t offset_ = 0;
  String fileName_;
  const char* memory_ = nullptr;
  bool supported_ = false;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  uint16_t xDensity_ = 0, yDensity_ = 0;
  int32_t colorDepth_ = 0;
  LOGPALETTE* palette_ = nullptr;
  const char* infoText_ = nullptr;
  int32_t count_ = 0;
  kxvSPI* first_ = nullptr;
  kxvSPI* current_ = nullptr;
};
