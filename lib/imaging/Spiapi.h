// The Susie image plug-in interface as published: the picture information
// record, the five exported functions and their return codes. The host
// (Susie) and the project's own plug-ins both build on it.
//
// The 32-bit declarations are the published ones. A 64-bit host can only
// load 64-bit plug-ins, whose arguments that carry handles, pointers or
// offsets are pointer-sized; in the 32-bit build they are the published
// 32-bit types.
#pragma once

#include <windows.h>

#include <cstdint>

#pragma pack(push, 1)
struct SpiPictureInfo {
  LONG left, top;        // where the picture is to be placed
  LONG width, height;    // in pixels
  WORD x_density;        // pixel density, 0 when unknown
  WORD y_density;
  SHORT colorDepth;      // bits per pixel of the picture as stored
  HLOCAL hInfo;          // text about the picture, or null; the caller frees it
};
#pragma pack(pop)

// Return codes of GetPictureInfo, GetPicture and GetPreview.
enum : int {
  spiSuccess = 0,
  spiNotImplemented = -1,
  spiAborted = 1,        // the progress callback asked to stop
  spiUnknownFormat = 2,
  spiBrokenData = 3,
  spiNoMemory = 4,
  spiMemoryError = 5,
  spiReadError = 6,
  spiInternalError = 8,
};

// The flag argument: where the picture comes from.
constexpr unsigned spiSourceFile = 0;    // buf names a file, len is the picture's offset in it
constexpr unsigned spiSourceMemory = 1;  // buf points at the picture, len is its size
constexpr unsigned spiSourceMask = 7;

// What IsSupported gets in its second argument: a file handle (its upper
// word 0) or a pointer to a buffer holding the first spiHeadSize bytes.
constexpr size_t spiHeadSize = 2048;

using SpiLength = INT_PTR;   // the len argument
using SpiData = INT_PTR;     // the progress callback's user value
using SpiSource = UINT_PTR;  // IsSupported's second argument

// Answers non-zero to stop the decoding.
typedef int(WINAPI* SpiProgressCallback)(int nNum, int nDenom, SpiData lData);

typedef int(WINAPI* SpiGetPluginInfoFn)(int infono, LPSTR buf, int buflen);
typedef int(WINAPI* SpiIsSupportedFn)(LPCSTR filename, SpiSource dw);
typedef int(WINAPI* SpiGetPictureInfoFn)(LPCSTR buf, SpiLength len, unsigned flag,
                                         SpiPictureInfo* lpInfo);
typedef int(WINAPI* SpiGetPictureFn)(LPCSTR buf, SpiLength len, unsigned flag, HLOCAL* pHBInfo,
                                     HLOCAL* pHBm, SpiProgressCallback lpProgressCallback,
                                     SpiData lData);
