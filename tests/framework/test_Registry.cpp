#include "framework/Registry.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A key of its own under HKCU\Software for each test, deleted afterwards
// with the platform's own calls.
class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    name_ = "Software\\VemtarTests\\Registry" + std::to_string(GetCurrentProcessId());
    Remove();
  }
  void TearDown() override {
    Remove();
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VemtarTests");
  }
  // Deletes the test key and what is below it (two levels are enough).
  void Remove() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      char child[256];
      DWORD length = sizeof child;
      while (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        HKEY sub;
        if (RegOpenKeyExA(key, child, 0, KEY_ALL_ACCESS, &sub) == ERROR_SUCCESS) {
          char grand[256];
          DWORD n = sizeof grand;
          while (RegEnumKeyExA(sub, 0, grand, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            RegDeleteKeyA(sub, grand);
            n = sizeof grand;
          }
          RegCloseKey(sub);
        }
        RegDeleteKeyA(key, child);
        length = sizeof child;
      }
      RegCloseKey(key);
      RegDeleteKeyA(HKEY_CURRENT_USER, name_.c_str());
    }
  }
  bool Exists(const String& path) const {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  void Create(const String& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void SetRaw(const String& path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  String GetRaw(const String& path, const char* name) const {
    char buffer[512] = {};
    DWORD size = sizeof buffer - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? String(buffer) : "<no value>";
  }

  String name_;
};

}  // namespace

TEST_F(RegistryTest, RootIsCurrentUserAndNothingIsOpenAtFirst) {
  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.ReadString("x"), "");
}

TEST_F(RegistryTest, OpenKeyWithoutCreatingLeavesAMissingKeyMissing) {
  TRegistry registry;
  EXPECT_FALSE(registry.OpenKey("\\" + name_, false));
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_FALSE(Exists(name_));
  EXPECT_FALSE(registry.OpenKeyReadOnly("\\" + name_));
  EXPECT_FALSE(Exists(name_));
}

TEST_F(RegistryTest, ReadsTheDefaultValueByAnEmptyName) {
  const char path[] = "C:\\Program Files\\GV\\GV.EXE";
  SetRaw(name_, nullptr, REG_SZ, path, sizeof path);
  SetRaw(name_, "Other", REG_SZ, "o", 2);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\" + name_, false));
  EXPECT_NE(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.CurrentPath(), name_);
  EXPECT_TRUE(registry.ValueExists(""));
  EXPECT_EQ(registry.ReadString(""), path);
  EXPECT_EQ(registry.ReadString("Other"), "o");
  registry.CloseKey();
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.ReadString(""), "");
}

TEST_F(RegistryTest, AMissingValueReadsEmptyAndAnotherTypeRaises) {
  const DWORD number = 7;
  SetRaw(name_, "Number", REG_DWORD, &number, sizeof number);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + name_));
  EXPECT_FALSE(registry.ValueExists(""));
  EXPECT_EQ(registry.ReadString(""), "");
  EXPECT_EQ(registry.ReadString("Missing"), "");
  EXPECT_THROW(registry.ReadString("Number"), ERegistryException);
}

TEST_F(RegistryTest, AStringWithoutItsNulEndsAtTheData) {
  SetRaw(name_, "Raw", REG_SZ, "abc", 3);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\" + name_, false));
  EXPECT_EQ(registry.ReadString("Raw"), "abc");
}

TEST_F(RegistryTest, CreatesWritesAndReadsShiftJisText) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\" + name_ + "\\子", true));
  registry.WriteString("", "表示\\ソフト");
  registry.WriteString("名前", "値");
  EXPECT_EQ(GetRaw(name_ + "\\子", nullptr), "表示\\ソフト");
  EXPECT_EQ(GetRaw(name_ + "\\子", "名前"), "値");
  EXPECT_EQ(registry.ReadString("名前"), "値");
  EXPECT_TRUE(registry.DeleteValue("名前"));
  EXPECT_FALSE(registry.ValueExists("名前"));
  EXPECT_FALSE(registry.DeleteValue("名前"));
}

TEST_F(RegistryTest, RelativePathsStartAtTheOpenKey) {
  Create(name_ + "\\A\\B");
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\" + name_, false));
  ASSERT_TRUE(registry.OpenKey("A", false));
  EXPECT_EQ(registry.CurrentPath(), name_ + "\\A");
  EXPECT_TRUE(registry.KeyExists("B"));
  EXPECT_FALSE(registry.KeyExists("C"));
  ASSERT_TRUE(registry.OpenKey("B", false));
  EXPECT_EQ(registry.CurrentPath(), name_ + "\\A\\B");
  // A leading "\" goes back to the root.
  ASSERT_TRUE(registry.OpenKey("\\" + name_, false));
  EXPECT_EQ(registry.CurrentPath(), name_);
}

TEST_F(RegistryTest, DeleteKeyTakesEverythingBelow) {
  Create(name_ + "\\A\\B");
  SetRaw(name_ + "\\A", "v", REG_SZ, "1", 2);
  TRegistry registry;
  EXPECT_TRUE(registry.DeleteKey("\\" + name_ + "\\A"));
  EXPECT_FALSE(Exists(name_ + "\\A"));
  EXPECT_TRUE(Exists(name_));
  EXPECT_FALSE(registry.DeleteKey("\\" + name_ + "\\A"));
}

TEST_F(RegistryTest, WritingWithoutAnOpenKeyRaises) {
  TRegistry registry;
  EXPECT_THROW(registry.WriteString("x", "y"), ERegistryException);
}

TEST_F(RegistryTest, ChangingTheRootClosesTheKey) {
  Create(name_);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\" + name_, false));
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.RootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(registry.OpenKeyReadOnly("\\Software"));
}
