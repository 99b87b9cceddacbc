// Path texts, the recursive delete and starting a program and waiting for
// it. Every search for "\", ":" or "." is aware of double-byte characters:
// a trail byte equal to 0x5C is never taken for a separator.
#pragma once

#include "framework/Sysutils.h"

#include <cstdint>
#include <vector>

// After the last "\"; if there is none, after the last ":"; else the whole.
const char* FileNamePart(const char* path);
const char* FileNamePart(const String& path);
// Joins name to path with exactly one "\" (none after ":" or "\"), after
// dropping the name's leading "\"; path holds the result.
const char* AppendPath(String& path, const char* name);
const char* AppendPath(String& path, const String& name);
// Just after the last "." of the file-name part; the terminating zero if
// the part has none.
const char* ExtensionPart(const char* path);
const char* ExtensionPart(const String& path);
// The file-name part up to, not including, its last "." (the whole part
// if it has none; empty when that "." is its first character).
String BaseNamePart(const char* path);
inline String BaseNamePart(const String& path) { return BaseNamePart(path.c_str()); }
// Replaces the extension (or adds one); a leading "." of extension is
// dropped.
void ChangeExtension(String& path, const char* extension);

// The position of the last byte of ch in text that is a whole character
// (not a trail byte), or -1.
int LastCharPos(const char* text, char ch);
// The position of the first such byte at or after start (a character
// boundary), or -1.
int CharPos(const char* text, char ch, int start = 0);

// Why a path cannot be handed back to the platform to reach exactly the
// entry it names: it is not a full path (drive or share, "\" separators:
// anything else resolves against the current directory), it holds "?" or
// "*" (a search would take it as a pattern; a name the code page cannot
// spell comes back with "?"), or one of its names ends in "." or " "
// (every path call strips those, reaching the neighbour without them).
enum kxPathProblem { ppNone, ppNotFull, ppWildcard, ppTrailingDotOrBlank };
kxPathProblem PathProblem(const char* path);
inline kxPathProblem PathProblem(const String& path) { return PathProblem(path.c_str()); }

// The drive ("C:") or share ("\\\\SERVER\\SHARE") a full path lies on;
// empty for any other path.
String PathRoot(const String& path);

// The working directory of a program: its path before the last "\" or
// ":", keeping that separator after a drive (C:\X.EXE gives C:\, C:X.EXE
// gives C:) or at the start; empty when there is neither.
String ProgramDirectory(const char* program);

#ifdef _WIN32
#include "framework/Wintypes.h"
#include "framework/Handle.h"

// The platform's absolute form; empty if it cannot be formed or does not
// fit in 259 characters.
String FullPath(const String& path);
// An empty name means the executable's path with extension "HLP".
void SetHelpFile(String name);
// True if the path exists and carries none of mask's attribute bits.
bool FileExistsAttr(const char* path, uint16_t mask);
// Deletes what path names (a file, a directory, or a pattern in its last
// name) with everything below, except entries carrying a bit of mask and
// the directories above them. Never acts outside what path names: it takes
// only a full path, a directory link is removed as a link, and an entry
// that cannot be named exactly (PathProblem) is left alone and added to
// leftAlone when given. False if anything could not be removed.
// A watch, when given, is told of each entry before it goes (a directory
// before what is inside it) and answers whether it may; after, whether it
// went. An entry refused ends the deletion of its directory's entries; a
// watch that refuses once should go on refusing.
class kxDeleteWatch {
public:
  virtual bool Before(const WIN32_FIND_DATAA& entry) = 0;
  virtual void After(const WIN32_FIND_DATAA& entry, bool deleted) = 0;

protected:
  ~kxDeleteWatch() = default;
};
bool DeleteTree(const String& path, uint32_t mask, std::vector<String>* leftAlone = nullptr,
                kxDeleteWatch* watch = nullptr);
// Starts program and waits: slice 0 only until it is ready for input, -1
// until it ends, another negative value in slices of -slice ms, a positive
// one in slices of slice ms with the window messages processed before
// each. The exit code is 259 while it runs. The result owns the process
// handle (empty if the program could not be started).
UniqueHandle RunAndWait(const char* program, const char* commandLine, int32_t slice,
                        uint32_t* exitCode = nullptr);
#endif
