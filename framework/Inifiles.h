// An INI file over the platform's private-profile functions. Each call
// reads or writes the file directly; nothing is cached.
#pragma once

#include "framework/Classes.h"

class EIniFileException : public Exception {
public:
  using Exception::Exception;
};

class TIniFile : public TObject {
public:
  explicit TIniFile(const String& fileName) : fileName_(fileName) {}

  const String& FileName() const { return fileName_; }
  String ReadString(const String& section, const String& ident, const String& def) const;
  // EIniFileException when the platform refuses the write.
  void WriteString(const String& section, const String& ident, const String& value);
  int32_t ReadInteger(const String& section, const String& ident, int32_t def) const;
  void WriteInteger(const String& section, const String& ident, int32_t value);
  bool ReadBool(const String& section, const String& ident, bool def) const;
  void WriteBool(const String& section, const String& ident, bool value);
  // The key names of a section, however many there are.
  void ReadSection(const String& section, TStrings& idents) const;
  void ReadSections(TStrings& sections) const;
  // "key=value" lines of a section.
  void ReadSectionValues(const String& section, TStrings& values) const;
  bool SectionExists(const String& section) const;
  bool ValueExists(const String& section, const String& ident) const;
  void EraseSection(const String& section);
  void DeleteKey(const String& section, const String& ident);
  // Writes the platform's cached copy of the file to disk.
  void UpdateFile();

private:
  String fileName_;
};
