// The library as one package: every unit of the component library, and one
// Register that puts every control of it on the design-time palette page
// "NORDA" (each unit's own Register stays for those who take one unit).
#pragma once

#include "lib/browse/Dirtree.h"
#include "lib/browse/Fchange.h"
#include "lib/browse/Filelist.h"
#include "lib/core/Date.h"
#include "lib/core/Datetime.h"
#include "lib/core/File.h"
#include "lib/core/Findfile.h"
#include "lib/core/Flag.h"
#include "lib/core/Kxstring.h"
#include "lib/core/Memory.h"
#include "lib/core/Rect.h"
#include "lib/core/Waitcur.h"
#include "lib/imaging/Bitmap.h"
#include "lib/imaging/Gif.h"
#include "lib/imaging/Gv.h"
#include "lib/imaging/Image.h"
#include "lib/imaging/Simage.h"
#include "lib/imaging/Susie.h"
#include "lib/input/Button.h"
#include "lib/input/Calendr.h"
#include "lib/input/Edit.h"
#include "lib/input/Spinedit.h"

namespace Nordavcl {
void Register();
}  // namespace Nordavcl
