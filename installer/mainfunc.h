#pragma once
// The install window's procedure (mainfunc.cpp), as start-up sees it.

// After the message loop: waits for the unpacker, if one ran (a cancelled one
// stops by itself, and with the window gone no message of its own can hold
// it), then closes the disk events it may have been waiting on.
void copyend();
