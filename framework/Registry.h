// The registry: one key open at a time under a chosen root, its values
// read and written as text.
#pragma once

#include "framework/Classes.h"

#include <windows.h>

// A registry operation the platform refused (a value that cannot be read
// or written, a value of the wrong type).
class ERegistryException : public Exception {
public:
  using Exception::Exception;
};

class TRegistry : public TObject {
public:
  TRegistry() = default;
  ~TRegistry() override;

  // HKEY_CURRENT_USER unless set; changing it closes the open key.
  HKEY RootKey() const { return rootKey_; }
  void SetRootKey(HKEY rootKey);
  // The access asked for when a key is opened (KEY_ALL_ACCESS unless set).
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }
  // The open key (null when none) and its path below the root.
  HKEY CurrentKey() const { return currentKey_; }
  const String& CurrentPath() const { return currentPath_; }

  // Opens key, creating it (and the keys above it) when canCreate. A path
  // beginning with "\" starts at the root, any other below the open key
  // (at the root when none is open). The key opened before is closed when
  // this one opens. False when the key does not exist (and may not be
  // made) or may not be opened with Access.
  bool OpenKey(const String& key, bool canCreate);
  // OpenKey without creating, for reading only.
  bool OpenKeyReadOnly(const String& key);
  void CloseKey();
  // Whether key exists (the same path rules); the open key stays open.
  bool KeyExists(const String& key);
  // Creates key; ERegistryException when that is refused.
  void CreateKey(const String& key);
  // Deletes key with everything below it; false when it could not be.
  bool DeleteKey(const String& key);

  // Values of the open key; "" names the key's default value.
  bool ValueExists(const String& name) const;
  // The text of a string value; empty when there is no such value.
  // ERegistryException for a value of another type or one that cannot be
  // read.
  String ReadString(const String& name) const;
  // ERegistryException when the write is refused.
  void WriteString(const String& name, const String& value);
  bool DeleteValue(const String& name);

private:
  // The key to start from for path, and path without its leading "\".
  HKEY BaseKey(const String& path, String& relative) const;
  void ChangeKey(HKEY key, const String& path);

  HKEY rootKey_ = HKEY_CURRENT_USER;
  REGSAM access_ = KEY_ALL_ACCESS;
  HKEY currentKey_ = nullptr;
  String currentPath_;
};
