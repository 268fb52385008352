// progressdemo: drives the progress bar on a window of its own and reads the
// pixels back from the screen: the border, the digits, the inverted bar of
// width 5 + (width - 10) * p / 100 with its 5-pixel margins, the blank box
// after a clear and after the end; a value already shown is not drawn again,
// unless the box was cleared. Exit code 0 when every check holds; the
// failures are written to progressdemo.log in the current directory.
#include "installer/progress.h"
#include "toolkit/handles_win32.h"
#include "toolkit/makwin.h"

#include <cstdio>
#include <string>
#include <windows.h>

namespace {

HWND window = nullptr;
HDC screen = nullptr;
std::int32_t boxx = 0, boxy = 0, width = 0, height = 0;
int failures = 0;
std::FILE* logfile = nullptr;

void fail(const std::string& what) {
    ++failures;
    std::fprintf(logfile, "FAIL %s\n", what.c_str());
}

COLORREF colourat(std::int32_t x, std::int32_t y) {
    return GetPixel(screen, boxx + x, boxy + y);
}

// Border and bar pixels are pure black or pure white.
void expectpixel(const char* when, std::int32_t x, std::int32_t y, bool wantblack) {
    if (colourat(x, y) != (wantblack ? RGB(0, 0, 0) : RGB(255, 255, 255))) {
        fail(std::string(when) + ": pixel " + std::to_string(x) + "," + std::to_string(y) +
             (wantblack ? " should be black" : " should be white"));
    }
}

void expectborder(const char* when) {
    for (std::int32_t x = 0; x < width; ++x) {
        expectpixel(when, x, 0, true);
        expectpixel(when, x, height - 1, true);
    }
    for (std::int32_t y = 0; y < height; ++y) {
        expectpixel(when, 0, y, true);
        expectpixel(when, width - 1, y, true);
    }
}

void expectblank(const char* when) {
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            expectpixel(when, x, y, false);
        }
    }
}

// Pixels in a rectangle that are not of the given colour: the number's ink,
// which the font may smooth into greys.
int inkcount(std::int32_t x1, std::int32_t x2, std::int32_t y1, std::int32_t y2, COLORREF ground) {
    int count = 0;
    for (std::int32_t y = y1; y < y2; ++y) {
        for (std::int32_t x = x1; x < x2; ++x) {
            count += colourat(x, y) != ground ? 1 : 0;
        }
    }
    return count;
}

// The bar of percent p on a row clear of the number: black from 5 up to its
// right edge, white in the margins.
void expectbar(const char* when, std::int32_t p, std::int32_t y) {
    const std::int32_t right = 5 + (width - 10) * p / 100;
    expectpixel(when, 4, y, false);
    expectpixel(when, width - 5, y, false);
    for (std::int32_t x = 5; x < width - 5; ++x) {
        expectpixel(when, x, y, x < right);
    }
}

void expectmargins(const char* when) {
    for (std::int32_t x = 1; x < width - 1; ++x) {
        expectpixel(when, x, 4, false);
        expectpixel(when, x, height - 5, false);
    }
    expectpixel(when, 5, 5, true);
    expectpixel(when, 5, height - 6, true);
}

void settle() {
    GdiFlush();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    Sleep(50);
}

void makewindow(HINSTANCE instance) {
    WNDCLASSA type{};
    type.lpfnWndProc = DefWindowProcA;
    type.hInstance = instance;
    type.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    type.lpszClassName = "ProgressDemo";
    RegisterClassA(&type);
    window = CreateWindowExA(0, "ProgressDemo", "Progress", WS_POPUP | WS_VISIBLE, 100, 100, 400,
                             200, nullptr, nullptr, instance, nullptr);
    SetForegroundWindow(window);
    UpdateWindow(window);
    settle();
}

void run() {
    std::int32_t rows = 0, columns = 0, w = 0, h = 0;
    measurecells(rows, columns);
    getcellsize(w, h);
    POINT origin{2 * w, 4 * h};
    ClientToScreen(window, &origin);
    boxx = origin.x;
    boxy = origin.y;
    width = 35 * w;
    height = 3 * h;
    std::fprintf(logfile, "cell %d x %d, box %d x %d\n", static_cast<int>(w), static_cast<int>(h),
                 static_cast<int>(width), static_cast<int>(height));
    const winhandle handle = fromwin(window);
    SIZE hundred{}, zero{}, blanks{};
    HDC context = GetDC(window);
    GetTextExtentPoint32A(context, "100", 3, &hundred);
    GetTextExtentPoint32A(context, "0", 1, &zero);
    GetTextExtentPoint32A(context, "  ", 2, &blanks);
    ReleaseDC(window, context);
    const std::int32_t textx = (width - hundred.cx) / 2, texty = (height - hundred.cy) / 2;
    const std::int32_t textbottom = texty + hundred.cy;

    progressstart(handle, 3, 5, 37, 7);
    settle();
    expectborder("start");
    expectpixel("start", 5, 5, false);
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    if (inkcount(textx, textx + zero.cx, texty, textbottom, white) == 0) {
        fail("start: no 0 at the left of the number's place");
    }
    if (inkcount(textx + zero.cx, textx + hundred.cx, texty, textbottom, white) != 0) {
        fail("start: ink right of the 0");
    }

    progressupdate(handle, 0);
    settle();
    expectborder("0");
    expectbar("0", 0, 6);
    const std::int32_t digit = textx + blanks.cx;
    if (inkcount(textx, digit, texty, textbottom, white) != 0 ||
        inkcount(digit, digit + zero.cx, texty, textbottom, white) == 0) {
        fail("0: the number should read as two blanks and 0");
    }

    progressupdate(handle, 50);
    settle();
    expectborder("50");
    expectmargins("50");
    expectbar("50", 50, 6);
    expectbar("50", 50, height - 6);

    // The same value again draws nothing: paint over the box and look.
    HDC windowdc = GetDC(window);
    PatBlt(windowdc, 2 * w, 4 * h, width, height, WHITENESS);
    ReleaseDC(window, windowdc);
    settle();
    progressupdate(handle, 50);
    settle();
    expectblank("50 again");

    progressupdate(handle, 100);
    settle();
    expectborder("100");
    expectmargins("100");
    expectbar("100", 100, 6);
    if (inkcount(textx, textx + hundred.cx, texty, textbottom, black) == 0) {
        fail("100: the digits should show white on the black bar");
    }

    progressclear(handle);
    settle();
    expectblank("clear");

    progressupdate(handle, 30);
    settle();
    expectborder("30 after clear");
    expectbar("30 after clear", 30, 6);

    // After a clear (the disk prompt) the unpacker hands over the same value.
    progressclear(handle);
    progressupdate(handle, 30);
    settle();
    expectbar("30 again after clear", 30, 6);

    progressend(handle);
    settle();
    expectblank("end");
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    logfile = std::fopen("progressdemo.log", "w");
    if (logfile == nullptr) {
        return 2;
    }
    makewindow(instance);
    screen = GetDC(nullptr);
    run();
    ReleaseDC(nullptr, screen);
    std::fprintf(logfile, "%d failures\n", failures);
    std::fclose(logfile);
    return failures == 0 ? 0 : 1;
}
