#include "lib/core/Waitcur.h"

#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(kxWaitCursor, NestedScopesRestoreInReverseOrder) {
  Screen().SetCursor(crIBeam);
  {
    kxWaitCursor outer;
    EXPECT_EQ(Screen().Cursor(), crHourGlass);
    Screen().SetCursor(crNo);
    {
      kxWaitCursor inner;
      EXPECT_EQ(Screen().Cursor(), crHourGlass);
    }
    EXPECT_EQ(Screen().Cursor(), crNo);
  }
  EXPECT_EQ(Screen().Cursor(), crIBeam);
  try {
    kxWaitCursor scope;
    throw std::runtime_error("x");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Screen().Cursor(), crIBeam);
  Screen().SetCursor(crDefault);
}
