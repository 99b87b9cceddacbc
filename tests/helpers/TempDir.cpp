#include "tests/helpers/TempDir.h"

#include <atomic>
#include <functional>

namespace {

void MakeParents(const String& path) {
  for (size_t i = 3; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) {
      ++i;
    } else if (path[i] == '\\') {
      CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
  }
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  String root = base;
  if (!root.empty() && root.back() == '\\') root.pop_back();
  for (;;) {
    path_ = root + "\\vemtar-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
  }
}

// Removed from the Linux side: that also takes entries whose paths are too
// long for the platform, and never follows links.
TempDir::~TempDir() {
  String unix = UnixPath(path_);
  if (unix.size() > 5) RunUnix("/bin/rm -rf \"" + unix + "\"", [this] { return !Exists(path_); });
}

String TempDir::File(const String& name, const String& content, DWORD attributes) const {
  String path = *this / name;
  MakeParents(path);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD n;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
    CloseHandle(h);
  }
  if (attributes != FILE_ATTRIBUTE_NORMAL) SetFileAttributesA(path.c_str(), attributes);
  return path;
}

String TempDir::Dir(const String& name, DWORD attributes) const {
  String path = *this / name;
  MakeParents(path + "\\");
  if (attributes) SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_DIRECTORY);
  return path;
}

String ReadWholeFile(const String& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return String();
  String content;
  char buffer[4096];
  DWORD n;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) content.append(buffer, n);
  CloseHandle(h);
  return content;
}

String UnixPath(const String& path) {
  using Fn = char*(CDECL*)(const WCHAR*);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
  if (!fn) return String();
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return String();
  char* unix = fn(wide);
  if (!unix) return String();
  String result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

bool RunUnix(const String& commandLine, const std::function<bool()>& done) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  String line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return false;
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  // Wine neither waits for a Linux child nor reports its exit code: watch
  // for the effect instead.
  for (int i = 0; i < 1000; ++i) {
    if (!done || done()) return true;
    Sleep(10);
  }
  return false;
}

bool Exists(const String& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

const wchar_t* const kHangul = L"\uD55C";

namespace {

std::wstring RawPath(const String& dir, const std::wstring& name) {
  wchar_t wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, dir.c_str(), -1, wide, MAX_PATH)) return std::wstring();
  return L"\\\\?\\" + std::wstring(wide) + L"\\" + name;
}

}  // namespace

bool MakeRawFile(const String& dir, const std::wstring& name) {
  HANDLE h = CreateFileW(RawPath(dir, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool RenameRaw(const String& dir, const String& from, const std::wstring& name) {
  wchar_t wideFrom[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, from.c_str(), -1, wideFrom, MAX_PATH)) return false;
  return MoveFileW(RawPath(dir, wideFrom).c_str(), RawPath(dir, name).c_str());
}

bool MakeLink(const String& target, const String& link) {
  String linkDir = UnixPath(link.substr(0, link.rfind('\\')));
  String unixTarget = UnixPath(target);
  if (linkDir.empty() || unixTarget.empty()) return false;
  String unixLink = linkDir + "/" + link.substr(link.rfind('\\') + 1);
  return RunUnix("/bin/ln -s \"" + unixTarget + "\" \"" + unixLink + "\"",
                 [&] { return Exists(link); });
}
