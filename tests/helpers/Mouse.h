// The real mouse and keyboard, used as the user uses them: the platform
// puts what they do in the queue of the window under the mouse (or holding
// it), or of the one with the focus.
#pragma once

#include <windows.h>

// Moves the mouse to a screen point.
void MouseTo(POINT screen);
// Presses or releases buttons where the mouse is (MOUSEEVENTF_LEFTDOWN...).
void MouseButton(DWORD buttons);
// Presses and releases a key.
void TypeKey(WORD key);

// A client point of a window, on the screen.
POINT OnScreen(HWND hwnd, int x, int y);
