// The path rules; window-free.
#include "lib/core/File.h"

#include "framework/Locale.h"

#include <cstring>

int LastCharPos(const char* text, char ch) {
  int last = -1;
  for (int i = 0; text[i]; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (!text[i + 1]) break;  // a lone lead byte at the end is no character
      ++i;
    } else if (text[i] == ch) {
      last = i;
    }
  }
  return last;
}

int CharPos(const char* text, char ch, int start) {
  for (int i = start; text[i]; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (!text[i + 1]) break;
      ++i;
    } else if (text[i] == ch) {
      return i;
    }
  }
  return -1;
}

const char* FileNamePart(const char* path) {
  int pos = LastCharPos(path, '\\');
  if (pos < 0) pos = LastCharPos(path, ':');
  return path + pos + 1;
}

const char* FileNamePart(const String& path) { return FileNamePart(path.c_str()); }

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

kxPathProblem PathProblem(const char* path) {
  const char* names;  // the first name after the drive or the share
  if (IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\') {
    names = path + 3;
  } else if (path[0] == '\\' && path[1] == '\\') {
    // \\server\share\: both parts present and plain.
    const int share = CharPos(path, '\\', 2);
    if (share <= 2 || path[share + 1] == '\\' || path[share + 1] == '\0') return ppNotFull;
    names = path + share + 1;
  } else {
    return ppNotFull;
  }
  // "/", "?" and "*" are below 0x40, never trail bytes: plain searches do.
  if (std::strchr(path, '/')) return ppNotFull;
  if (std::strpbrk(path, "?*")) return ppWildcard;
  char last = '\\';
  for (const char* p = names; *p; ++p) {
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      ++p;
      last = 'x';  // a double-byte character is never "." or " "
      continue;
    }
    if (*p == '\\' && (last == '.' || last == ' ')) return ppTrailingDotOrBlank;
    last = *p;
  }
  return last == '.' || last == ' ' ? ppTrailingDotOrBlank : ppNone;
}

namespace {

// The last whole character of a non-empty text is a single byte equal to ch.
bool EndsWithChar(const String& text, char ch) {
  size_t last = 0;
  bool single = false;
  for (size_t i = 0; i < text.size(); ++i) {
    last = i;
    single = !IsLeadByte(static_cast<unsigned char>(text[i])) || i + 1 == text.size();
    if (!single) ++i;
  }
  return single && text[last] == ch;
}

}  // namespace

const char* AppendPath(String& path, const char* name) {
  while (*name == '\\') ++name;
  if (!path.empty() && !EndsWithChar(path, ':') && !EndsWithChar(path, '\\')) path += '\\';
  path += name;
  return path.c_str();
}

const char* AppendPath(String& path, const String& name) { return AppendPath(path, name.c_str()); }

const char* ExtensionPart(const char* path) {
  const char* name = FileNamePart(path);
  int dot = LastCharPos(name, '.');
  return dot < 0 ? name + std::strlen(name) : name + dot + 1;
}

const char* ExtensionPart(const String& path) { return ExtensionPart(path.c_str()); }

String BaseNamePart(const char* path) {
  const char* name = FileNamePart(path);
  const int dot = LastCharPos(name, '.');
  return dot < 0 ? String(name) : String(name, dot);
}

void ChangeExtension(String& path, const char* extension) {
  const char* ext = ExtensionPart(path);
  if (*ext) path.resize(ext - path.c_str());
  else path += '.';
  path += *extension == '.' ? extension + 1 : extension;
}

String ProgramDirectory(const char* program) {
  int pos = LastCharPos(program, '\\');
  if (pos < 0) pos = LastCharPos(program, ':');
  if (pos < 0) return String();
  // The character before the separator, as a whole character: a trail
  // byte equal to "\\" is not one.
  const String before(program, pos);
  const int last = static_cast<int>(before.size()) - 1;
  const bool keep = program[pos] == ':' || pos == 0 || LastCharPos(before.c_str(), ':') == last ||
                    LastCharPos(before.c_str(), '\\') == last;
  return String(program, pos + (keep ? 1 : 0));
}

String PathRoot(const String& path) {
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') return path.substr(0, 2);
  if (path.rfind("\\\\", 0) != 0) return String();
  // Up to the separator after the share's name.
  const int server = CharPos(path.c_str(), '\\', 2);
  if (server < 0) return String();
  const int share = CharPos(path.c_str(), '\\', server + 1);
  return share < 0 ? path : path.substr(0, share);
}
