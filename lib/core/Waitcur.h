// The hourglass for the length of an operation: a local object created at
// its start; its destruction (also by an exception) restores the cursor.
#pragma once

#include <cstdint>

class kxWaitCursor {
public:
  kxWaitCursor();
  ~kxWaitCursor();
  kxWaitCursor(const kxWaitCursor&) = delete;
  kxWaitCursor& operator=(const kxWaitCursor&) = delete;

private:
  int16_t saved_;
};
