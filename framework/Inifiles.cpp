#include "framework/Inifiles.h"

#include <windows.h>

#include <vector>

namespace {

// Calls read(buffer, size) with a growing buffer until the result fits;
// the platform signals a cut result by returning size - 1 (size - 2 for
// zero-separated lists).
template <class Read>
String ReadGrowing(Read read, DWORD slack) {
  std::vector<char> buffer(4096);
  for (;;) {
    DWORD n = read(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n + slack < buffer.size()) return String(buffer.data(), n);
    buffer.resize(buffer.size() * 4);
  }
}

// A zero-separated, double-zero-terminated list into lines.
void SplitList(const String& list, TStrings& lines) {
  lines.BeginUpdate();
  lines.Clear();
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\0', start);
    if (end == String::npos) end = list.size();
    if (end > start) lines.Add(list.substr(start, end - start));
    start = end + 1;
  }
  lines.EndUpdate();
}

}  // namespace

String TIniFile::ReadString(const String& section, const String& ident,
                            const String& def) const {
  return ReadGrowing(
      [&](char* buffer, DWORD size) {
        return GetPrivateProfileStringA(section.c_str(), ident.c_str(), def.c_str(), buffer,
                                        size, fileName_.c_str());
      },
      1);
}

void TIniFile::WriteString(const String& section, const String& ident, const String& value) {
  if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(),
                                  fileName_.c_str())) {
    throw EIniFileException("Unable to write to " + fileName_);
  }
}

int32_t TIniFile::ReadInteger(const String& section, const String& ident, int32_t def) const {
  return StrToIntDef(ReadString(section, ident, ""), def);
}

void TIniFile::WriteInteger(const String& section, const String& ident, int32_t value) {
  WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const String& section, const String& ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const String& section, const String& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::ReadSection(const String& section, TStrings& idents) const {
  SplitList(ReadGrowing(
                [&](char* buffer, DWORD size) {
                  return GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer, size,
                                                  fileName_.c_str());
                },
                2),
            idents);
}

void TIniFile::ReadSections(TStrings& sections) const {
  SplitList(ReadGrowing(
                [&](char* buffer, DWORD size) {
                  return GetPrivateProfileStringA(nullptr, nullptr, "", buffer, size,
                                                  fileName_.c_str());
                },
                2),
            sections);
}

void TIniFile::ReadSectionValues(const String& section, TStrings& values) const {
  SplitList(ReadGrowing(
                [&](char* buffer, DWORD size) {
                  return GetPrivateProfileSectionA(section.c_str(), buffer, size,
                                                   fileName_.c_str());
                },
                2),
            values);
}

bool TIniFile::SectionExists(const String& section) const {
  TStringList idents;
  ReadSection(section, idents);
  return idents.Count() > 0;
}

bool TIniFile::ValueExists(const String& section, const String& ident) const {
  TStringList idents;
  ReadSection(section, idents);
  return idents.IndexOf(ident) >= 0;
}

void TIniFile::EraseSection(const String& section) {
  if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str())) {
    throw EIniFileException("Unable to write to " + fileName_);
  }
}

void TIniFile::DeleteKey(const String& section, const String& ident) {
  WritePrivateProfileStringA(section.c_str(), ident.c_str(), nullptr, fileName_.c_str());
}

void TIniFile::UpdateFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }
