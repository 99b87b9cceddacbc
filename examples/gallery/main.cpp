// GALLERY: the library's controls in a window of their own.
#include "examples/gallery/Gallery.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    Application().Initialize();
    Application().SetTitle("VEMTAR ギャラリー");
    TGalleryForm* form = nullptr;
    Application().CreateForm(form);
    Application().Run();
  } catch (const std::exception& e) {
    Application().ShowException(e);
  }
  return 0;
}
