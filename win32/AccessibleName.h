#pragma once

// A name for a screen reader that differs from what a control shows: six
// buttons all captioned "Test" are told apart as "Test message 1" to
// "Test message 6". Windows names a button by its caption, and the
// documented way to say otherwise (dynamic annotation) is missing from
// wine; answering the screen reader's question for the control's client
// object works on both.

#include <string>
#include <windows.h>

// From now on, a screen reader asking `control` for its name hears `name`;
// everything else it asks is answered as Windows would. Lives as long as the
// control.
void NameForScreenReaders(HWND control, std::wstring name);
