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

TCheckBox* PlaceSwitch(TComponent* owner, TWinControl* parent, int left, int top, int width,
                       const char* caption, bool on, TEventLog* log,
                       std::function<void(bool)> apply) {
  TCheckBox* box = Place<TCheckBox>(owner, parent, "", left, top, width, 18, caption);
  box->SetChecked(on);
  const String text = caption;
  const String name = Trim(text.substr(0, text.find("(&")));
  box->OnClick = [box, name, log, apply = std::move(apply)](TObject*) {
    apply(box->Checked());
    log->Add(name + (box->Checked() ? ": オン" : ": オフ"));
  };
  return box;
}
