#include "examples/gallery/EventLog.h"

TEventLog::TEventLog(TComponent* owner) : TListBox(owner) {}

void TEventLog::CreateParams(TCreateParams& params) {
  TListBox::CreateParams(params);
  params.ClassName = "TEventLog";
}

void TEventLog::Add(const String& line) {
  Items().BeginUpdate();
  while (Items().Count() >= kLines) Items().Delete(0);
  Items().Add(line);
  Items().EndUpdate();
  SetTopIndex(Items().Count() - 1);
}
