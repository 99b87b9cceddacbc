#include "framework/Dialogs.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <algorithm>
#include <vector>

namespace {

struct ButtonKind {
  TMsgDlgBtn button;
  const char* caption;
  int result;
};

const ButtonKind kButtons[] = {
    {mbYes, "はい(&Y)", mrYes},
    {mbNo, "いいえ(&N)", mrNo},
    {mbOK, "OK", mrOk},
    {mbAbort, "中止(&A)", mrAbort},
};

int DefaultResult(unsigned buttons) { return (buttons & mbOK) ? mrOk : mrYes; }

int EscapeResult(unsigned buttons) {
  if (buttons & mbNo) return mrNo;
  if (buttons & mbAbort) return mrAbort;
  return mrOk;
}

LPCSTR IconOf(TMsgDlgType type) {
  switch (type) {
    case mtError: return IDI_HAND;
    case mtInformation: return IDI_ASTERISK;
    default: return IDI_QUESTION;
  }
}

// The dialog as a form of its own: icon, text, buttons in one row.
int ShowDialog(const String& text, TMsgDlgType type, unsigned buttons) {
  TForm form(nullptr);
  // It belongs to the window it speaks for: in front of it, and no
  // taskbar button of its own.
  HWND owner = GetActiveWindow();
  if (!TWinControl::FromHandle(owner)) {
    TForm* main = Application().MainForm();
    owner = main && main->HandleAllocated() && IsWindowVisible(main->Handle()) ? main->Handle() : nullptr;
  }
  form.SetOwnerWindow(owner);
  form.SetBorderStyle(bsDialog);
  form.SetBorderIcons(biSystemMenu);
  form.SetPosition(poScreenCenter);
  form.SetCaption(MessageDlgTitle(type));

  auto* icon = new TImage(&form);
  icon->SetParent(&form);
  icon->SetBounds(16, 16, 32, 32);
  icon->SetStockIcon(IconOf(type));

  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetWordWrap(true);
  label->SetShowAccelChar(false);  // paths may hold "&"
  label->SetAutoSize(false);
  // The text's own size, within a third of the screen's width.
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN) / 3, 0};
  HDC dc = GetDC(nullptr);
  {
    TCanvas canvas(dc);
    canvas.SetFont(form.Font());
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  }
  ReleaseDC(nullptr, dc);
  label->SetCaption(text);
  label->SetBounds(60, 16 + std::max(0, (32 - static_cast<int>(r.bottom)) / 2),
                   r.right + 4, r.bottom + 2);

  std::vector<const ButtonKind*> shown;
  for (const auto& kind : kButtons) {
    if (buttons & kind.button) shown.push_back(&kind);
  }
  const int buttonWidth = 80, gap = 8;
  const int rowWidth = static_cast<int>(shown.size()) * (buttonWidth + gap) - gap;
  const int width = std::max<int>(60 + r.right + 24, rowWidth + 32);
  const int top = 16 + std::max<int>(32, r.bottom) + 16;
  int left = (width - rowWidth) / 2;
  TButton* first = nullptr;
  for (const ButtonKind* kind : shown) {
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(left, top, buttonWidth, 24);
    button->SetCaption(kind->caption);
    button->SetModalResult(kind->result);
    if (kind->result == DefaultResult(buttons)) {
      button->SetDefault(true);
      first = button;
    }
    if (kind->result == EscapeResult(buttons)) button->SetCancel(true);
    left += buttonWidth + gap;
  }
  form.SetClientSize(width, top + 24 + 12);
  form.SetActiveControl(first);
  int result = form.ShowModal();
  // The title-bar close cancels; it counts as Escape. A box that ended
  // without any answer (the program is being closed) refuses likewise.
  return result == mrCancel || result == mrNone ? EscapeResult(buttons) : result;
}

}  // namespace

String MessageDlgTitle(TMsgDlgType type) {
  switch (type) {
    case mtError: return "ｴﾗｰ";
    case mtInformation: return "情報";
    default: return "確認";
  }
}

String MessageDlgButtons(unsigned buttons) {
  String captions;
  for (const auto& kind : kButtons) {
    if (!(buttons & kind.button)) continue;
    if (!captions.empty()) captions += '|';
    captions += kind.caption;
  }
  return captions;
}

int MessageDlg(const String& text, TMsgDlgType type, unsigned buttons) {
  if (!buttons) buttons = mbOK;
  if (TUserSeam* seam = Application().UserSeam()) {
    return seam->Answer(MessageDlgTitle(type), text, MessageDlgButtons(buttons));
  }
  return ShowDialog(text, type, buttons);
}
