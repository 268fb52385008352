#pragma once
// PROMPT: a modal message box with an OK button. On Windows it is owned by the
// calling thread's active window; in a native build it writes the caption and
// the text to standard error.

void msgbox(const char* text, const char* caption);
