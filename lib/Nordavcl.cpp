#include "lib/Nordavcl.h"

namespace Nordavcl {
void Register() {
  Filelist::Register();
  Dirtree::Register();
  Edit::Register();
  Button::Register();
  Spinedit::Register();
  Calendr::Register();
  Gif::Register();
  Image::Register();
  Simage::Register();
}
}  // namespace Nordavcl
