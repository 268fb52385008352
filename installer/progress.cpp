#include "installer/progress.h"

#include "toolkit/handles_win32.h"
#include "toolkit/makwin.h"

#include <cstdio>

namespace {

constexpr std::int32_t margin = 5;

struct display {
    std::int32_t leftx, topy, width, height;
    RECT inner;
    std::int32_t textx, texty;
    HWND window;
    HDC windowdc, memorydc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    std::int32_t shown; // the percentage the box shows; -1 for none
};

display box{};

void paintwhite() {
    PatBlt(box.memorydc, 0, 0, box.width, box.height, WHITENESS);
}

void drawborder() {
    MoveToEx(box.memorydc, 0, 0, nullptr);
    LineTo(box.memorydc, box.width - 1, 0);
    LineTo(box.memorydc, box.width - 1, box.height - 1);
    LineTo(box.memorydc, 0, box.height - 1);
    LineTo(box.memorydc, 0, 0);
}

void drawtext(const char* text, std::int32_t length) {
    TextOutA(box.memorydc, box.textx, box.texty, text, length);
}

// The whole box reaches the window in one step.
void copytowindow() {
    BitBlt(box.windowdc, box.leftx, box.topy, box.width, box.height, box.memorydc, 0, 0, SRCCOPY);
}

void place(const std::int32_t& c1, const std::int32_t& r1, const std::int32_t& c2,
           const std::int32_t& r2) {
    std::int32_t w = 0, h = 0;
    getcellsize(w, h);
    box.leftx = (c1 - 1) * w;
    box.topy = (r1 - 1) * h;
    box.width = c2 * w - box.leftx;
    box.height = r2 * h - box.topy;
    box.inner = {margin, margin, margin, box.height - margin};
}

// The number sits where "100" would be centred.
void placetext() {
    SIZE extent{};
    GetTextExtentPoint32A(box.windowdc, "100", 3, &extent);
    box.textx = (box.width - extent.cx) / 2;
    box.texty = (box.height - extent.cy) / 2;
}

} // namespace

void progressstart(const winhandle& window, const std::int32_t& c1, const std::int32_t& r1,
                   const std::int32_t& c2, const std::int32_t& r2) {
    place(c1, r1, c2, r2);
    box.window = towindow(window);
    box.windowdc = GetDC(box.window);
    placetext();
    box.memorydc = CreateCompatibleDC(box.windowdc);
    SetBkMode(box.memorydc, TRANSPARENT);
    box.bitmap = CreateCompatibleBitmap(box.windowdc, box.width, box.height);
    box.previous = SelectObject(box.memorydc, box.bitmap);
    paintwhite();
    drawtext("0", 1);
    drawborder();
    copytowindow();
    box.shown = -1; // a first update draws its "  0" and the empty bar
}

// The box is drawn again only when the value it shows changes: the unpacker
// calls after every piece of data, tens of thousands of times for at most
// 101 values.
void progressupdate(const winhandle& /*window*/, const std::int32_t& percent) {
    if (percent == box.shown) {
        return;
    }
    box.shown = percent;
    paintwhite();
    char number[16];
    std::snprintf(number, sizeof number, "%3d", static_cast<int>(percent));
    drawtext(number, 3);
    drawborder();
    box.inner.right = margin + ((box.width - 2 * margin) * percent) / 100;
    InvertRect(box.memorydc, &box.inner);
    copytowindow();
}

void progressclear(const winhandle& /*window*/) {
    paintwhite();
    copytowindow();
    box.shown = -1;
}

void progressend(const winhandle& /*window*/) {
    paintwhite();
    copytowindow();
    SelectObject(box.memorydc, box.previous);
    DeleteObject(box.bitmap);
    DeleteDC(box.memorydc);
    ReleaseDC(box.window, box.windowdc);
    box = {};
}
