// Path texts, the recursive delete and starting a program and waiting for
// it. Every search for "\", ":" or "." is aware of double-byte characters:
// a trail byte equal to 0x5C is never taken for a separator.
#pragma once

#include "framework/Sysutils.h"

#include <cstdint>

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
// Replaces the extension (or adds one); a leading "." of extension is
// dropped.
void ChangeExtension(String& path, const char* extension);

// The position of the last byte of ch in text that is a whole character
// (not a trail byte), or -1.
int LastCharPos(const char* text, char ch);

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
// Deletes what path names (a file, a directory, a pattern) with everything
// below, except entries carrying a bit of mask and the directories above
// them. Never acts outside what path names: a directory link is removed as
// a link, an entry whose full path does not fit or whose name holds a
// wildcard is left alone. False if anything could not be removed.
bool DeleteTree(const String& path, uint32_t mask);
// Starts program and waits: slice 0 only until it is ready for input, -1
// until it ends, another negative value in slices of -slice ms, a positive
// one in slices of slice ms with the window messages processed before
// each. The exit code is 259 while it runs. The result owns the process
// handle (empty if the program could not be started).
UniqueHandle RunAndWait(const char* program, const char* commandLine, int32_t slice,
                        uint32_t* exitCode = nullptr);
#endif
