// A real directory under the platform's temporary folder for one test,
// removed with everything in it when the test ends.
#pragma once

#include "framework/Sysutils.h"

#include <windows.h>

#include <functional>
#include <string>

class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's full path, without a trailing "\".
  const String& Path() const { return path_; }
  // Path() joined with a relative name.
  String operator/(const String& name) const { return path_ + "\\" + name; }
  // Creates a file (and its missing directories) with the given content and
  // attributes; returns its full path.
  String File(const String& name, const String& content = "x",
              DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
  String Dir(const String& name, DWORD attributes = 0) const;

private:
  String path_;
};

// The whole content of a file, or empty.
String ReadWholeFile(const String& path);
// The Linux path of a Windows path under Wine, or empty.
String UnixPath(const String& path);
// Starts a Linux program under Wine (e.g. "/bin/ln -s a b") and waits until
// done() holds (10 s at most); false if it did not start or never got done.
bool RunUnix(const String& commandLine, const std::function<bool()>& done);
bool Exists(const String& path);
// Creates the file name (UTF-16) in the directory dir through a "\\?\"
// path, which the platform takes as it is: names the code page cannot
// spell (kHangul), names ending in "." or " ". False if it did not work.
bool MakeRawFile(const String& dir, const std::wstring& name);
// Renames the entry from in dir to name the same way, keeping its
// attributes.
bool RenameRaw(const String& dir, const String& from, const std::wstring& name);
// A Hangul syllable: no Shift-JIS form, not even a best-fit one.
extern const wchar_t* const kHangul;
// A symbolic link at link pointing to target, made on the Linux side
// (the platform's own call does not make one under Wine).
bool MakeLink(const String& target, const String& link);
