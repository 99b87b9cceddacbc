#include "lib/Nordavcl.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

template <class T>
bool Is(TComponent* c) {
  return dynamic_cast<T*>(c) != nullptr;
}

}  // namespace

TEST(Nordavcl, EveryControlOfTheLibraryIsOnItsPalettePage) {
  Nordavcl::Register();
  const struct {
    const char* name;
    std::function<bool(TComponent*)> is;
  } classes[] = {
      {"kxvFileList", Is<kxvFileList>}, {"kxvDirTree", Is<kxvDirTree>},
      {"kxvEdit", Is<kxvEdit>},         {"kxvButton", Is<kxvButton>},
      {"kxvSpin", Is<kxvSpin>},         {"kxvSpinEdit", Is<kxvSpinEdit>},
      {"kxvCalendar", Is<kxvCalendar>}, {"kxvGIF", Is<kxvGIF>},
      {"kxvImage", Is<kxvImage>},       {"kxvSuperImage", Is<kxvSuperImage>},
  };
  for (const auto& c : classes) {
    const TPaletteEntry* entry = FindRegisteredComponent(c.name);
    ASSERT_NE(entry, nullptr) << c.name;
    EXPECT_EQ(entry->Page, "NORDA") << c.name;
    TComponent owner(nullptr);
    EXPECT_TRUE(c.is(entry->Create(&owner))) << c.name;
  }
  // Nothing else claims the page.
  int onPage = 0;
  for (const TPaletteEntry& entry : RegisteredComponents()) onPage += entry.Page == "NORDA";
  EXPECT_EQ(onPage, static_cast<int>(std::size(classes)));
}
