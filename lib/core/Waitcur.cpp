#include "lib/core/Waitcur.h"

#include "framework/Forms.h"

kxWaitCursor::kxWaitCursor() : saved_(Screen().Cursor()) { Screen().SetCursor(crHourGlass); }

kxWaitCursor::~kxWaitCursor() { Screen().SetCursor(saved_); }
