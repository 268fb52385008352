// Real keyboard input for the robot: SendInput with virtual-key codes, so that
// the target's thread keyboard hook sees the keys as a person's.
#pragma once

#include <string>

struct KeyChord {
    unsigned short vk = 0; // virtual-key code of the key itself
    bool shift = false, ctrl = false, alt = false;
};

// Parses a key name: TAB, ENTER, ESC, SPACE, BACK, DELETE, INSERT, HOME, END,
// PGUP, PGDN, LEFT, RIGHT, UP, DOWN, F1 to F12, a letter or a digit, with
// optional SHIFT+, CTRL+ and ALT+ prefixes (upper or lower case).
bool parsechord(const std::string& name, KeyChord& chord);

// Presses the chord: modifiers down, downs key-downs of the key (more than one
// is a held key that repeats), then every key up. False if SendInput refused.
bool presschord(const KeyChord& chord, int downs);

// Types text character by character with the keys of the current layout.
// False, with the character named in error, if a character has no key.
bool typetext(const std::string& text, std::string& error);
