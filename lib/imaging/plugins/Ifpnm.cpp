// IFPNM.SPI: the netpbm plug-in.
#include "lib/imaging/plugins/Plugin.h"
#include "lib/imaging/plugins/Pnm.h"

namespace {

const char* const kInfo[] = {
    "00IN",
    "Netpbm (PBM/PGM/PPM) plug-in 1.0",
    "*.PNM;*.PBM;*.PGM;*.PPM",
    "Netpbm",
};
const kxSpiFormat kFormat = {kInfo, 4, IsPnmHead, DecodePnm};

}  // namespace

KX_SPI_EXPORTS(kFormat)
