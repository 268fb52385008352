// Looking at another process's windows from outside: texts, rectangles,
// focus, list boxes and message boxes, without ever blocking on a hung target.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The descendant of window with the control identifier id (the first one in
// the order of EnumChildWindows), or null.
HWND findcontrol(HWND window, int id);

// The window's text through WM_GETTEXT with a time limit; false if the owner
// did not answer in time.
bool readtext(HWND hwnd, std::string& text);

std::string classof(HWND hwnd);

// A child's rectangle in its parent's client coordinates; a top-level
// window's in screen coordinates.
RECT placement(HWND hwnd);

// The window that has the keyboard focus in window's thread, or null.
HWND focusof(HWND window);

bool listitems(HWND listbox, std::vector<std::string>& items);

// The visible message box (a #32770 window) owned by owner; with a null owner,
// an unowned one belonging to one of the given processes.
HWND findmsgbox(HWND owner, const std::vector<DWORD>& processes);

// One line describing a control: class, identifier, style, text, rectangle
// and visibility.
std::string describe(HWND hwnd);

// Every descendant of window, in the order of EnumChildWindows.
std::vector<HWND> descendants(HWND window);
