#include "framework/Registry.h"

#include <vector>

namespace {

bool IsRelative(const String& path) { return path.empty() || path[0] != '\\'; }

// Deletes everything below key, then key: the platform's call only takes
// keys without subkeys.
bool DeleteTree(HKEY parent, const String& name) {
  HKEY key;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  for (;;) {
    char child[256];
    DWORD length = sizeof child;
    // Always the first: the one before it is gone.
    if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (!DeleteTree(key, String(child, length))) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

}  // namespace

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY rootKey) {
  if (rootKey == rootKey_) return;
  CloseKey();
  rootKey_ = rootKey;
}

HKEY TRegistry::BaseKey(const String& path, String& relative) const {
  relative = IsRelative(path) ? path : path.substr(1);
  if (IsRelative(path) && currentKey_) return currentKey_;
  return rootKey_;
}

void TRegistry::ChangeKey(HKEY key, const String& path) {
  CloseKey();
  currentKey_ = key;
  currentPath_ = path;
}

bool TRegistry::OpenKey(const String& key, bool canCreate) {
  String relative;
  HKEY base = BaseKey(key, relative);
  HKEY opened = nullptr;
  LONG rc;
  if (canCreate) {
    rc = RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                         nullptr, &opened, nullptr);
  } else {
    rc = RegOpenKeyExA(base, relative.c_str(), 0, access_, &opened);
  }
  if (rc != ERROR_SUCCESS) return false;
  String path = (IsRelative(key) && currentKey_ && !currentPath_.empty())
                    ? currentPath_ + (relative.empty() ? "" : "\\" + relative)
                    : relative;
  ChangeKey(opened, path);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const String& key) {
  const REGSAM saved = access_;
  access_ = KEY_READ;
  const bool opened = OpenKey(key, false);
  access_ = saved;
  return opened;
}

void TRegistry::CloseKey() {
  if (currentKey_) RegCloseKey(currentKey_);
  currentKey_ = nullptr;
  currentPath_.clear();
}

bool TRegistry::KeyExists(const String& key) {
  String relative;
  HKEY base = BaseKey(key, relative);
  HKEY opened;
  if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

void TRegistry::CreateKey(const String& key) {
  String relative;
  HKEY base = BaseKey(key, relative);
  HKEY created;
  if (RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &created, nullptr) != ERROR_SUCCESS)
    throw ERegistryException("Failed to create key " + key);
  RegCloseKey(created);
}

bool TRegistry::DeleteKey(const String& key) {
  String relative;
  HKEY base = BaseKey(key, relative);
  // An empty name would delete the base itself.
  if (relative.empty()) return false;
  return DeleteTree(base, relative);
}

bool TRegistry::ValueExists(const String& name) const {
  if (!currentKey_) return false;
  return RegQueryValueExA(currentKey_, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

String TRegistry::ReadString(const String& name) const {
  if (!currentKey_) return String();
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size);
  if (rc == ERROR_FILE_NOT_FOUND) return String();
  if (rc != ERROR_SUCCESS) throw ERegistryException("Unable to read data from '" + name + "'");
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException("Invalid data type for '" + name + "'");
  // The value may change between the two calls: read until it fits.
  std::vector<char> data;
  for (;;) {
    data.assign(size + 1, 0);
    DWORD got = size;
    rc = RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &got);
    if (rc == ERROR_MORE_DATA) {
      size = got;
      continue;
    }
    if (rc != ERROR_SUCCESS) throw ERegistryException("Unable to read data from '" + name + "'");
    if (type != REG_SZ && type != REG_EXPAND_SZ)
      throw ERegistryException("Invalid data type for '" + name + "'");
    // Stored strings need not end in a NUL; the text ends at the first one.
    data[got] = 0;
    return String(data.data());
  }
}

void TRegistry::WriteString(const String& name, const String& value) {
  if (!currentKey_ ||
      RegSetValueExA(currentKey_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

bool TRegistry::DeleteValue(const String& name) {
  return currentKey_ && RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}
