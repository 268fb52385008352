#include "toolkit/handles_win32.h"
#include "toolkit/messages.h"

void defproc(const winhandle& window, const std::int32_t& message, const std::int32_t& first,
             const std::int32_t& second, std::int32_t& result) {
    result = static_cast<std::int32_t>(DefWindowProcA(towindow(window), static_cast<UINT>(message),
                                                      static_cast<WPARAM>(first), second));
}
