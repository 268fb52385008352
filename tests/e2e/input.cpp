#include "input.h"

#include <windows.h>

#include <cctype>
#include <vector>

namespace {

struct Named {
    const char* name;
    unsigned short vk;
};

constexpr Named keynames[] = {
    {"TAB", VK_TAB},       {"ENTER", VK_RETURN}, {"RETURN", VK_RETURN}, {"ESC", VK_ESCAPE},
    {"ESCAPE", VK_ESCAPE}, {"SPACE", VK_SPACE},  {"BACK", VK_BACK},     {"DELETE", VK_DELETE},
    {"INSERT", VK_INSERT}, {"HOME", VK_HOME},    {"END", VK_END},       {"PGUP", VK_PRIOR},
    {"PGDN", VK_NEXT},     {"LEFT", VK_LEFT},    {"RIGHT", VK_RIGHT},   {"UP", VK_UP},
    {"DOWN", VK_DOWN},
};

std::string upper(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool functionkey(const std::string& name, unsigned short& vk) {
    if (name.size() < 2 || name.size() > 3 || name[0] != 'F')
        return false;
    int n = 0;
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
        n = n * 10 + (name[i] - '0');
    }
    if (n < 1 || n > 12)
        return false;
    vk = static_cast<unsigned short>(VK_F1 + n - 1);
    return true;
}

bool keyvk(const std::string& name, unsigned short& vk) {
    for (const Named& k : keynames)
        if (name == k.name) {
            vk = k.vk;
            return true;
        }
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        vk = static_cast<unsigned char>(name[0]);
        return true;
    }
    return functionkey(name, vk);
}

bool extended(unsigned short vk) {
    switch (vk) {
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        return true;
    default:
        return false;
    }
}

INPUT keyevent(unsigned short vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0u) | (extended(vk) ? KEYEVENTF_EXTENDEDKEY : 0u);
    return in;
}

void modifiers(const KeyChord& chord, bool up, std::vector<INPUT>& events) {
    if (chord.shift)
        events.push_back(keyevent(VK_SHIFT, up));
    if (chord.ctrl)
        events.push_back(keyevent(VK_CONTROL, up));
    if (chord.alt)
        events.push_back(keyevent(VK_MENU, up));
}

void chordevents(const KeyChord& chord, int downs, std::vector<INPUT>& events) {
    modifiers(chord, false, events);
    for (int i = 0; i < downs; ++i)
        events.push_back(keyevent(chord.vk, false));
    events.push_back(keyevent(chord.vk, true));
    modifiers(chord, true, events);
}

bool send(std::vector<INPUT>& events) {
    UINT n = static_cast<UINT>(events.size());
    return SendInput(n, events.data(), sizeof(INPUT)) == n;
}

} // namespace

bool parsechord(const std::string& name, KeyChord& chord) {
    chord = KeyChord{};
    std::string rest = upper(name);
    for (;;) {
        std::size_t plus = rest.find('+');
        if (plus == std::string::npos || plus + 1 == rest.size())
            break;
        std::string mod = rest.substr(0, plus);
        if (mod == "SHIFT")
            chord.shift = true;
        else if (mod == "CTRL")
            chord.ctrl = true;
        else if (mod == "ALT")
            chord.alt = true;
        else
            return false;
        rest = rest.substr(plus + 1);
    }
    return keyvk(rest, chord.vk);
}

bool presschord(const KeyChord& chord, int downs) {
    std::vector<INPUT> events;
    chordevents(chord, downs, events);
    return send(events);
}

bool typetext(const std::string& text, std::string& error) {
    std::vector<INPUT> events;
    for (char c : text) {
        SHORT scan = VkKeyScanA(c);
        if (scan == -1) {
            error = std::string("no key types '") + c + "'";
            return false;
        }
        KeyChord chord;
        chord.vk = static_cast<unsigned short>(scan & 0xff);
        chord.shift = (scan & 0x100) != 0;
        chord.ctrl = (scan & 0x200) != 0;
        chord.alt = (scan & 0x400) != 0;
        chordevents(chord, 1, events);
    }
    if (!send(events)) {
        error = "SendInput refused the keys";
        return false;
    }
    return true;
}
