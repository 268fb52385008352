#include "toolkit/cook.h"

#include "toolkit/handles_win32.h"

namespace {
MSG record{}; // the message record of the process, filled by the loop

bool middlebutton(UINT message) {
    return message >= WM_MBUTTONDOWN && message <= WM_MBUTTONDBLCLK;
}

// Runs the loop until the quit message; drop says which messages are not
// dispatched. Returns the quit message's code.
template <typename Drop> std::int32_t loop(Drop drop) {
    while (GetMessageA(&record, nullptr, 0, 0) != 0) {
        TranslateMessage(&record);
        if (!drop(record.message)) {
            DispatchMessageA(&record);
        }
    }
    return static_cast<std::int32_t>(record.wParam);
}
} // namespace

std::int32_t pumpmsgs() {
    return loop([](UINT) { return false; });
}

std::int32_t pumpmsgs2() {
    return loop(middlebutton);
}

winhandle messagewindow() {
    return fromwin(record.hwnd);
}
