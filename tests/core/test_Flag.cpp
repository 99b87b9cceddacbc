#include "lib/core/Flag.h"
#include "lib/core/Rect.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A flag set that records its notifications with the word each one saw.
struct Watched {
  Watched() {
    flags.OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, &flags);
      seen.push_back(flags.Flags());
    };
  }
  kxvFlag flags;
  std::vector<uint32_t> seen;
};

// Counts the overridable slots the single-flag operations go through.
class Counted : public kxvFlag {
public:
  void SetFlags(uint32_t mask) override {
    ++sets;
    kxvFlag::SetFlags(mask);
  }
  void ResetFlags(uint32_t mask) override {
    ++resets;
    kxvFlag::ResetFlags(mask);
  }
  int sets = 0, resets = 0;
};

}  // namespace

TEST(kxvFlag, NotifiesOnlyWhenTheWordChanges) {
  Watched w;
  w.flags.SetFlag(3, true);
  EXPECT_EQ(w.flags.Flags(), 8u);
  EXPECT_TRUE(w.flags.GetFlag(3));
  EXPECT_EQ(w.flags.GetFlags(12), 8u);
  w.flags.SetFlags(8);     // already on
  w.flags.ResetFlags(4);   // already off
  w.flags.Store(8);        // the same word
  EXPECT_EQ(w.seen, std::vector<uint32_t>{8});
  w.flags.Store(0x80000001);
  w.flags.Reset(31);
  w.flags.SetFlag(0, false);
  EXPECT_EQ(w.seen, (std::vector<uint32_t>{8, 0x80000001, 1, 0}));
  // Constructed with a word: no event.
  kxvFlag initial(5);
  EXPECT_EQ(initial.Flags(), 5u);
  EXPECT_TRUE(initial.GetFlag(2));
}

TEST(kxvFlag, NumbersOutsideTheWordChangeNothingAndReadFalse) {
  Watched w;
  w.flags.Store(0xFFFFFFFF);
  w.seen.clear();
  for (int16_t number : {-1, 32, 33, 64, 255, -32768, 32767}) {
    EXPECT_FALSE(w.flags.GetFlag(number)) << number;
    w.flags.Reset(number);
    w.flags.SetFlag(number, false);
  }
  EXPECT_EQ(w.flags.Flags(), 0xFFFFFFFFu);
  EXPECT_TRUE(w.seen.empty());
}

TEST(kxvFlag, SingleFlagsGoThroughTheOverridableSlots) {
  Counted c;
  c.SetFlag(1, true);
  c.Reset(1);
  c.SetFlag(2, false);
  EXPECT_EQ(c.sets, 1);
  EXPECT_EQ(c.resets, 2);
}

TEST(kxRect, CoordinatesInThePlatformsOrder) {
  const kxRect r(0, 0, 100, 50);
  EXPECT_EQ(r.Right, 100);
  EXPECT_EQ(r.Bottom, 50);
  const RECT platform{-5, 6, 7, -8};
  const kxRect copy(platform);
  EXPECT_EQ(copy.Left, -5);
  EXPECT_EQ(copy.Bottom, -8);
  const RECT back = copy;
  EXPECT_EQ(back.left, -5);
  EXPECT_EQ(back.top, 6);
  EXPECT_EQ(back.right, 7);
  EXPECT_EQ(back.bottom, -8);
}
