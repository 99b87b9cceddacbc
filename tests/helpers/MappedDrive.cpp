#include "tests/helpers/MappedDrive.h"

#include "tests/helpers/TempDir.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

namespace {

// The mount manager's request as Wine 8 lays it out.
struct UnixDriveRequest {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};

constexpr DWORD kDefineUnixDrive =
    CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// Defines (or, with an empty path, removes) a drive.
bool DefineDrive(char letter, const String& unixPath) {
  HANDLE manager = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(sizeof(UnixDriveRequest) + unixPath.size() + 1);
  auto* request = reinterpret_cast<UnixDriveRequest*>(buffer.data());
  request->size = static_cast<ULONG>(buffer.size());
  request->type = unixPath.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_FIXED;
  request->letter = static_cast<WCHAR>(letter - 'A' + 'a');
  if (!unixPath.empty()) {
    request->mount_point_offset = sizeof(UnixDriveRequest);
    std::memcpy(buffer.data() + sizeof(UnixDriveRequest), unixPath.c_str(), unixPath.size() + 1);
  }
  DWORD returned;
  BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, buffer.data(),
                            static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

}  // namespace

MappedDrive::MappedDrive(const String& dir) {
  String unix = UnixPath(dir);
  if (unix.empty()) return;
  // Tests run in parallel processes: one picks and defines at a time.
  HANDLE lock = CreateMutexA(nullptr, FALSE, "vemtar-test-drive-map");
  WaitForSingleObject(lock, INFINITE);
  DWORD used = GetLogicalDrives();
  for (char letter = 'T'; letter <= 'Y'; ++letter) {
    // A letter left behind by a killed test points at a removed folder:
    // it is free again.
    const String root = String(1, letter) + ":\\";
    const bool stale = GetFileAttributesA(root.c_str()) == INVALID_FILE_ATTRIBUTES;
    if ((used & (1u << (letter - 'A'))) && !stale) continue;
    if (DefineDrive(letter, unix)) letter_ = letter;
    break;
  }
  ReleaseMutex(lock);
  CloseHandle(lock);
}

MappedDrive::~MappedDrive() {
  if (letter_) DefineDrive(letter_, String());
}
