// A library that looks like a plug-in but lacks GetPluginInfo.
#include "lib/imaging/Spiapi.h"

extern "C" int WINAPI IsSupported(LPCSTR, SpiSource) { return 1; }
