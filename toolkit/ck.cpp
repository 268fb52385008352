#include "toolkit/ck.h"

#include "toolkit/cook.h"
#include "toolkit/handles_win32.h"
#include "toolkit/hooktable.h"

namespace {
hooktable table{}; // touched only by the window thread

constexpr LPARAM keywasdown = 1 << 30;

bool navigationkey(WPARAM key) {
    return key == VK_TAB || key == VK_RETURN;
}
} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    getcontrolkey(int code, WPARAM key, LPARAM keydata) {
    const winhandle parent = fromwin(GetParent(GetFocus()));
    const std::int32_t entry = hookwatching(table, parent);
    if (entry == 0) {
        return 0;
    }
    if (code < 0) {
        return CallNextHookEx(towin<HHOOK>(hookat(table, entry).hook), code, key, keydata);
    }
    // A key only looked at (HC_NOREMOVE) comes again when it is taken from the
    // queue: it is acted on then, once.
    if (code != HC_ACTION || (keydata & keywasdown) != 0 || !navigationkey(key)) {
        return 0;
    }
    sendmsg(parent, navigationmessage, static_cast<std::int32_t>(key), messagewindow());
    return 1;
}

void hookkeys(const winhandle& window, const std::int32_t& tag) {
    const std::int32_t entry = hookclaim(table, window, tag);
    if (entry == 0) {
        return;
    }
    auto procedure = exportedprocedure<HOOKPROC>("getcontrolkey");
    hookat(table, entry).hook =
        fromwin(SetWindowsHookExA(WH_KEYBOARD, procedure, nullptr, GetCurrentThreadId()));
}

void unhookkeys(const std::int32_t& tag) {
    const std::int32_t entry = hookrelease(table, tag);
    if (entry != 0) {
        UnhookWindowsHookEx(towin<HHOOK>(hookat(table, entry).hook));
    }
}
