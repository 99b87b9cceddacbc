#include "framework/FileCtrl.h"

#include <windows.h>
#include <winnetwk.h>

namespace {

char LowerLetter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDriveLetter(char c) { return c >= 'a' && c <= 'z'; }

// The drive the program starts on: the current directory's, or the
// system's when the current directory is a network path.
char StartDrive() {
  char dir[MAX_PATH];
  auto driveOf = [&dir](UINT n) {
    return n >= 2 && n < sizeof dir && dir[1] == ':' && IsDriveLetter(LowerLetter(dir[0]))
               ? LowerLetter(dir[0])
               : '\0';
  };
  char drive = driveOf(GetCurrentDirectoryA(sizeof dir, dir));
  if (!drive) drive = driveOf(GetSystemDirectoryA(dir, sizeof dir));
  return drive ? drive : 'c';
}

String VolumeLabel(const String& root) {
  char label[MAX_PATH + 1] = "";
  if (!GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr,
                             nullptr, 0)) {
    return String();
  }
  return label;
}

// The share a network drive stands for. The network functions are looked
// up at run time so the framework needs no import library beyond the
// system's core ones.
String RemoteName(const String& drive) {
  using GetConnection = DWORD(WINAPI*)(LPCSTR, LPSTR, LPDWORD);
  static GetConnection getConnection = [] {
    HMODULE mpr = LoadLibraryA("mpr.dll");
    FARPROC proc = mpr ? GetProcAddress(mpr, "WNetGetConnectionA") : nullptr;
    return reinterpret_cast<GetConnection>(reinterpret_cast<void (*)()>(proc));
  }();
  if (!getConnection) return String();
  char name[MAX_PATH];
  DWORD size = sizeof name;
  if (getConnection(drive.c_str(), name, &size) != NO_ERROR) return String();
  return name;
}

String DriveLine(char letter) {
  const String drive{letter, ':'};
  String line = drive;
  switch (GetDriveTypeA((drive + "\\").c_str())) {
    case DRIVE_FIXED:
    case DRIVE_RAMDISK:
    case DRIVE_CDROM: {
      String label = VolumeLabel(drive + "\\");
      if (!label.empty()) line += " [" + label + "]";
      break;
    }
    case DRIVE_REMOTE: {
      String name = RemoteName(drive);
      if (!name.empty()) line += " " + name;
      break;
    }
    default:
      // Floppies are not probed: a read of an empty drive is slow.
      break;
  }
  return line;
}

}  // namespace

TDriveComboBox::TDriveComboBox(TComponent* owner) : TWinControl(owner), drive_(StartDrive()) {
  SetBounds(0, 0, 145, 24);
  SetTabStop(true);
  SetColor(clWindow);
}

void TDriveComboBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = "COMBOBOX";
  params.ClassName = "TDriveComboBox";
  params.Style |= CBS_DROPDOWNLIST | WS_VSCROLL;
  // A combo box's window height is that of its dropped-down list.
  params.Height = DroppedHeight();
}

void TDriveComboBox::InitializeWnd() { BuildList(); }

void TDriveComboBox::DestroyWnd() {
  if (HandleAllocated()) {
    int selected = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
    if (selected >= 0 && selected < items_.Count()) drive_ = items_.Get(selected)[0];
  }
  TWinControl::DestroyWnd();
}

void TDriveComboBox::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  if (HandleAllocated()) {
    SetWindowPos(Handle(), nullptr, left, top, width, DroppedHeight(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int TDriveComboBox::DroppedHeight() {
  constexpr int kRows = 8;
  int row = Font().Height() + 4;
  if (HandleAllocated()) {
    LRESULT measured = SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0);
    if (measured > 0) row = static_cast<int>(measured);
  }
  return Height() + kRows * row + 2;
}

void TDriveComboBox::Loaded() {
  TWinControl::Loaded();
  if (HandleAllocated()) BuildList();
}

void TDriveComboBox::BuildList() {
  if (Loading() || Designing()) return;
  items_.Clear();
  // An empty CD drive must not bring up a box asking for a disc.
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (drives & (1u << i)) items_.Add(DriveLine(static_cast<char>('a' + i)));
  }
  SetErrorMode(oldMode);
  if (HandleAllocated()) {
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_.Count(); ++i) {
      SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items_.Get(i).c_str()));
    }
  }
  SelectDrive();
}

int TDriveComboBox::IndexOfDrive(char drive) const {
  for (int i = 0; i < items_.Count(); ++i) {
    if (items_.Get(i)[0] == drive) return i;
  }
  return -1;
}

void TDriveComboBox::SelectDrive() {
  if (HandleAllocated()) SendMessageA(Handle(), CB_SETCURSEL, IndexOfDrive(drive_), 0);
}

void TDriveComboBox::SetDrive(char drive) {
  drive = LowerLetter(drive);
  if (drive == drive_ || !IsDriveLetter(drive)) return;
  const bool live = !Loading() && !Designing();
  if (live && !(GetLogicalDrives() & (1u << (drive - 'a')))) return;
  drive_ = drive;
  // A drive attached since the list was made gets its line first.
  if (live && HandleAllocated() && IndexOfDrive(drive) < 0) BuildList();
  else SelectDrive();
  if (!Loading()) Change();
}

bool TDriveComboBox::CNCommand(WORD code, LRESULT& result) {
  if (code != CBN_SELCHANGE) return false;
  int selected = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
  if (selected >= 0 && selected < items_.Count()) {
    char drive = items_.Get(selected)[0];
    if (drive != drive_) {
      drive_ = drive;
      Change();
    }
  }
  result = 0;
  return true;
}

void TDriveComboBox::Change() {
  if (OnChange) OnChange(this);
}
