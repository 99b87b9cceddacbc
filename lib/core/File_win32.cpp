// The parts of the file unit that need the platform.
#include "lib/core/File.h"

#include "framework/Forms.h"
#include "lib/core/Findfile.h"

#include <cstring>
#include <vector>

String FullPath(const String& path) {
  if (path.empty()) return String();
  char buffer[MAX_PATH];
  char* filePart = nullptr;
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &filePart);
  if (n == 0 || n >= MAX_PATH) return String();
  return String(buffer, n);
}

void SetHelpFile(String name) {
  if (name.empty()) {
    name = Application().ExeName();
    ChangeExtension(name, "HLP");
  }
  Application().SetHelpFile(name);
}

bool FileExistsAttr(const char* path, uint16_t mask) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & mask) == 0;
}

namespace {

constexpr DWORD kVolumeLabel = 0x08;

}  // namespace

bool DeleteTree(const String& path, uint32_t mask, std::vector<String>* leftAlone, kxDeleteWatch* watch) {
  // A pattern may stand only in the last name; without one the path names
  // one entry, and only an entry of exactly that name is touched.
  const char* name = FileNamePart(path);
  const bool pattern = std::strpbrk(name, "?*") != nullptr;
  if (pattern) {
    if (PathProblem(String(path.c_str(), name)) != ppNone) return false;
  } else if (const kxPathProblem problem = PathProblem(path); problem != ppNone) {
    if (leftAlone && problem != ppNotFull) leftAlone->push_back(path);
    return false;
  }
  bool result = true;
  kxFindFile finder;
  finder.ExcludeAttr = static_cast<int32_t>(mask);
  finder.SubDirectory = true;
  finder.ShowDots = false;
  finder.Find(path);
  while (finder.Next()) {
    const DWORD attributes = finder.dwFileAttributes;
    if (attributes & kVolumeLabel) continue;
    if (!IsExactEntry(finder) ||
        (!pattern && lstrcmpiA(FileNamePart(finder.cFileName), name) != 0)) {
      if (leftAlone) leftAlone->push_back(finder.FileName());
      result = false;
      continue;
    }
    const String found = finder.FileName();
    if (watch && !watch->Before(finder)) return false;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      SetFileAttributesA(found.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    const bool directory = attributes & FILE_ATTRIBUTE_DIRECTORY;
    bool deleted = true;
    if (directory && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      // A link: removed itself, what it points to is left alone.
      deleted = RemoveDirectoryA(found.c_str()) || DeleteFileA(found.c_str());
    } else if (directory) {
      String inner = found;
      if (!DeleteTree(AppendPath(inner, "*.*"), mask, leftAlone, watch)) result = false;
      deleted = RemoveDirectoryA(found.c_str());
    } else {
      deleted = DeleteFileA(found.c_str());
    }
    if (!deleted) result = false;
    if (watch) watch->After(finder, deleted);
  }
  return result;
}

UniqueHandle RunAndWait(const char* program, const char* commandLine, int32_t slice,
                        uint32_t* exitCode) {
  DWORD code = STILL_ACTIVE;
  const String directory = ProgramDirectory(program);
  // The platform may write into the command line; none means the program
  // path alone.
  std::vector<char> line;
  if (commandLine) line.assign(commandLine, commandLine + std::strlen(commandLine) + 1);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program, commandLine ? line.data() : nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    return UniqueHandle();
  }
  UniqueHandle process(info.hProcess);
  CloseHandle(info.hThread);

  WaitForInputIdle(process.get(), INFINITE);
  if (slice != 0) {
    // The wait's own result ends the loop: a child may well exit with 259.
    bool ended = false;
    while (!ended && code == STILL_ACTIVE) {
      DWORD wait;
      if (slice == -1) {
        wait = WaitForSingleObject(process.get(), INFINITE);
      } else if (slice < 0) {
        wait = WaitForSingleObject(process.get(), static_cast<DWORD>(-slice));
      } else {
        Application().ProcessMessages();
        wait = WaitForSingleObject(process.get(), static_cast<DWORD>(slice));
      }
      ended = wait != WAIT_TIMEOUT;
      GetExitCodeProcess(process.get(), &code);
    }
  }
  if (exitCode) *exitCode = code;
  return process;
}
