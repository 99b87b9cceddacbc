// The gallery's event log: a list of what the controls on a page reported,
// newest last and kept in view, so that a developer sees which event came
// and with what.
#pragma once

#include "framework/StdCtrls.h"

#include <functional>

class TEventLog : public TListBox {
public:
  explicit TEventLog(TComponent* owner);

  // Appends a line; the oldest go once the log holds kLines.
  void Add(const String& line);

  static constexpr int kLines = 200;

protected:
  // A class name of its own: a page's log is found among its list boxes.
  void CreateParams(TCreateParams& params) override;
};

// A check box on parent for one on/off setting: apply gets each new state,
// and the log a line "Name: オン" or "Name: オフ", the name being the
// caption before its accelerator "(&X)".
TCheckBox* PlaceSwitch(TComponent* owner, TWinControl* parent, int left, int top, int width,
                       const char* caption, bool on, TEventLog* log,
                       std::function<void(bool)> apply);
