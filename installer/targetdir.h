#pragma once
// Which target directories the directory screen accepts. The text is taken
// as typed, nothing trimmed or converted, so a directory that Windows would
// make under another name or in another place is refused instead: it must be
// a drive and its root, then levels that Windows holds as they are (no
// trailing blank or dot, no device name, none of < > : " | ? * / or a control
// character), with at most one backslash at its end.
bool targetacceptable(const char* text);
