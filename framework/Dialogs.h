// The modal message dialog.
#pragma once

#include "framework/Sysutils.h"

// The three kinds, with the titles "ｴﾗｰ", "情報" and "確認".
enum TMsgDlgType { mtError, mtInformation, mtConfirmation };

// Buttons, shown in this order: "はい(&Y)", "いいえ(&N)", "OK", "中止(&A)".
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbAbort = 8 };

// Shows text and returns the button pressed: mrOk 1, mrAbort 3, mrYes 6 or
// mrNo 7. Enter presses OK if there is one, else Yes. Escape, the
// title-bar close and a box ended by the program's quit press No if there
// is one, else Abort (a refusal), else OK. With a test seam installed (TApplication::SetUserSeam) the seam
// answers and no window opens.
int MessageDlg(const String& text, TMsgDlgType type, unsigned buttons);

// The title of a kind, and the captions of a set of buttons joined by "|",
// as the seam sees them.
String MessageDlgTitle(TMsgDlgType type);
String MessageDlgButtons(unsigned buttons);
