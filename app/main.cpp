// VEMTAR: the entry point.
#include "app/main_window.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    Application().Initialize();
    Application().SetTitle("File Attribute Changer");
    Application().CreateForm(MainForm);
    Application().Run();
  } catch (const std::exception& e) {
    Application().ShowException(e);
  }
  return 0;
}
