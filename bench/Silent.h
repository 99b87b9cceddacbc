// A user who answers every box with OK and hears nothing: the benchmarks
// drive the main window without any box opening.
#pragma once

#include "framework/Forms.h"

class Silent : public TUserSeam {
  int Answer(const String&, const String&, const String&) override { return mrOk; }
  void Beep(UINT) override {}
  void Help(const String&, UINT, ULONG_PTR) override {}
};
