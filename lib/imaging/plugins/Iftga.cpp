// IFTGA.SPI: the Truevision TGA plug-in.
#include "lib/imaging/plugins/Plugin.h"
#include "lib/imaging/plugins/Tga.h"

namespace {

const char* const kInfo[] = {
    "00IN",
    "Truevision TGA plug-in 1.0",
    "*.TGA;*.VDA;*.ICB;*.VST",
    "Truevision TGA",
};
const kxSpiFormat kFormat = {kInfo, 4, IsTgaHead, DecodeTga};

}  // namespace

KX_SPI_EXPORTS(kFormat)
