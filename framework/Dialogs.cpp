#include "framework/Dialogs.h"

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Locale.h"
#include "framework/StdCtrls.h"

#include <commdlg.h>

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

// --- file dialogs -----------------------------------------------------------

String PlatformFilter(const String& filter) {
  String result;
  for (size_t i = 0; i < filter.size(); ++i) {
    const char c = filter[i];
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < filter.size()) {
      result += c;
      result += filter[++i];
    } else {
      result += c == '|' ? '\0' : c;
    }
  }
  result += '\0';
  result += '\0';
  return result;
}

bool TOpenDialog::Execute() { return Run(false); }

bool TSaveDialog::Execute() { return Run(true); }

bool TOpenDialog::Run(bool save) {
  if (TUserSeam* seam = Application().UserSeam()) {
    int index = filterIndex_;
    String name = fileName_;
    if (!seam->ChooseFile(save, title_, filter_, index, name)) return false;
    filterIndex_ = index;
    fileName_ = name;
    return true;
  }
  const String filter = PlatformFilter(filter_);
  char file[MAX_PATH] = "";
  lstrcpynA(file, fileName_.c_str(), sizeof file);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  TForm* main = Application().MainForm();
  HWND active = GetActiveWindow();
  ofn.hwndOwner = TWinControl::FromHandle(active) ? active
                  : main && main->HandleAllocated() ? main->Handle()
                                                    : nullptr;
  ofn.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(filterIndex_);
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
  ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
  ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
  if (options_ & ofOverwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  if (options_ & ofHideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
  if (options_ & ofPathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
  if (options_ & ofFileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
  const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!chosen) return false;
  fileName_ = file;
  filterIndex_ = static_cast<int>(ofn.nFilterIndex);
  return true;
}
