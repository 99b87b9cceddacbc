// A drive letter mapped to a directory for the length of a test, through
// Wine's mount manager (the drive is listed by GetLogicalDrives at once).
#pragma once

#include "framework/Sysutils.h"

class MappedDrive {
public:
  // Maps the first free letter from T: on to dir (a Windows path).
  explicit MappedDrive(const String& dir);
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  bool Ok() const { return letter_ != 0; }
  char Letter() const { return letter_; }
  // "T:"
  String Drive() const { return String(1, letter_) + ":"; }

private:
  char letter_ = 0;
};
