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

const char* FileNamePart(const char* path) {
  int pos = LastCharPos(path, '\\');
  if (pos < 0) pos = LastCharPos(path, ':');
  return path + pos + 1;
}

const char* FileNamePart(const String& path) { return FileNamePart(path.c_str()); }

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

void ChangeExtension(String& path, const char* extension) {
  const char* ext = ExtensionPart(path);
  if (*ext) path.resize(ext - path.c_str());
  else path += '.';
  path += *extension == '.' ? extension + 1 : extension;
}
