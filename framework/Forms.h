// The application object and the screen. The window classes build on
// these; here is what the non-visual units need of them.
#pragma once

#include "framework/Classes.h"

#include <windows.h>

#include <cstdint>

using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHandPoint = -21;

// The cursor shown over every window of the program. crDefault lets each
// window show its own.
class TScreen : public TObject {
public:
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  // The platform cursor for one of the cr values (arrow for unknown ones).
  static HCURSOR CursorHandle(TCursor cursor);

private:
  TCursor cursor_ = crDefault;
};

class TApplication : public TComponent {
public:
  TApplication() : TComponent(nullptr) {}

  const String& Title() const { return title_; }
  void SetTitle(const String& title) { title_ = title; }
  // The executable's full path.
  String ExeName() const;
  const String& HelpFile() const { return helpFile_; }
  void SetHelpFile(const String& helpFile) { helpFile_ = helpFile; }

  // Dispatches every message waiting in this thread's queue, then returns.
  void ProcessMessages();
  // Ends the message loop after the current message.
  void Terminate();
  bool Terminated() const { return terminated_; }

private:
  // One message, if there is one; false when the queue was empty.
  bool ProcessMessage();

  String title_;
  String helpFile_;
  bool terminated_ = false;
};

// The program's one application object and screen.
TApplication& Application();
TScreen& Screen();
