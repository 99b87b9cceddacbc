// The Susie plug-in interface around a window-free decoder: each of the
// project's plug-ins is a format description and five exports calling
// these. Sources are read whole (a file from its offset, or a picture in
// memory); pictures go back as two local memory blocks, the DIB header
// with its table and the pixels, which the caller frees.
#pragma once

#include "lib/imaging/Spiapi.h"
#include "lib/imaging/plugins/Picture.h"

struct kxSpiFormat {
  // GetPluginInfo's texts: "00IN", the plug-in's name, then pattern and
  // description of each format.
  const char* const* Info;
  int InfoCount;
  bool (*IsHead)(const uint8_t* head, size_t size);
  kxSpiStatus (*Decode)(const uint8_t* data, size_t size, kxSpiPicture& picture, bool infoOnly);
};

int PluginGetInfo(const kxSpiFormat& format, int infono, LPSTR buf, int buflen);
int PluginIsSupported(const kxSpiFormat& format, LPCSTR filename, SpiSource dw);
int PluginPictureInfo(const kxSpiFormat& format, LPCSTR buf, SpiLength len, unsigned flag,
                   SpiPictureInfo* info);
int PluginPicture(const kxSpiFormat& format, LPCSTR buf, SpiLength len, unsigned flag,
               HLOCAL* pHBInfo, HLOCAL* pHBm, SpiProgressCallback progress, SpiData data);

// The five exports of a plug-in reading format (a kxSpiFormat). Their
// undecorated names come from the plug-in's module definition file.
#define KX_SPI_EXPORTS(format)                                                              \
  extern "C" {                                                                              \
  int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {                             \
    return PluginGetInfo(format, infono, buf, buflen);                                      \
  }                                                                                         \
  int WINAPI IsSupported(LPCSTR filename, SpiSource dw) {                                   \
    return PluginIsSupported(format, filename, dw);                                            \
  }                                                                                         \
  int WINAPI GetPictureInfo(LPCSTR buf, SpiLength len, unsigned flag, SpiPictureInfo* info) { \
    return PluginPictureInfo(format, buf, len, flag, info);                                    \
  }                                                                                         \
  int WINAPI GetPicture(LPCSTR buf, SpiLength len, unsigned flag, HLOCAL* pHBInfo,          \
                        HLOCAL* pHBm, SpiProgressCallback progress, SpiData data) {         \
    return PluginPicture(format, buf, len, flag, pHBInfo, pHBm, progress, data);               \
  }                                                                                         \
  /* No reduced picture is made: the whole picture is as quick. */                          \
  int WINAPI GetPreview(LPCSTR, SpiLength, unsigned, HLOCAL*, HLOCAL*, SpiProgressCallback, \
                        SpiData) {                                                          \
    return spiNotImplemented;                                                               \
  }                                                                                         \
  }
