#include "toolkit/makwin.h"

#include "toolkit/handles_win32.h"
#include "toolkit/layout.h"

namespace {
std::int32_t cellwidth = 0;
std::int32_t cellheight = 0;
WNDCLASSA appclass{}; // kept between calls

constexpr DWORD fixedstyle = WS_SYSMENU;
constexpr DWORD resizablestyle = WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

void fillclass(const instancehandle& instance, const char* procname, const char* menuname,
               const char* classname, const char* iconname) {
    HINSTANCE module = instanceof (instance);
    appclass.style = 0;
    appclass.lpfnWndProc = exportedprocedure<WNDPROC>(procname);
    appclass.cbClsExtra = 0;
    appclass.cbWndExtra = 0;
    appclass.hInstance = module;
    appclass.hIcon = LoadIconA(module, iconname);
    appclass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    appclass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    appclass.lpszMenuName = menuname;
    appclass.lpszClassName = classname;
}

// Where the window goes and how big it is, for a client area of rows × columns.
pixelrect mainwinrect(const std::int32_t& rows, const std::int32_t& columns, DWORD style) {
    const std::int32_t cx = GetSystemMetrics(SM_CXFULLSCREEN);
    const std::int32_t cy = GetSystemMetrics(SM_CYFULLSCREEN);
    RECT wanted{0, 0, columns * cellwidth, rows * cellheight};
    AdjustWindowRect(&wanted, style, TRUE);
    return mainwinplace(cx, cy, wanted.right - wanted.left, wanted.bottom - wanted.top);
}
} // namespace

void measurecells(std::int32_t& rows, std::int32_t& columns) {
    HWND desktop = GetDesktopWindow();
    HDC context = GetDC(desktop);
    const std::int32_t cx = GetSystemMetrics(SM_CXFULLSCREEN);
    const std::int32_t cy = GetSystemMetrics(SM_CYFULLSCREEN);
    SIZE sample{};
    GetTextExtentPoint32A(context, "AaMm", 4, &sample);
    cellwidth = cellwidthfromsample(sample.cx);
    cellheight = sample.cy;
    rows = cellsonscreen(cy, cellheight);
    columns = cellsonscreen(cx, cellwidth);
    ReleaseDC(desktop, context);
}

void getcellsize(std::int32_t& width, std::int32_t& height) {
    width = cellwidth;
    height = cellheight;
}

void makemainwin(const instancehandle& instance, const instancehandle& previous,
                 const char* procname, const char* menuname, const char* classname,
                 const char* title, const char* iconname, winhandle& window,
                 const std::int32_t& rows, const std::int32_t& columns,
                 const std::int32_t& resizable, std::int32_t& ok) {
    if (previous == 0) {
        fillclass(instance, procname, menuname, classname, iconname);
    }
    if (RegisterClassA(&appclass) == 0) {
        ok = 0;
        return;
    }
    const DWORD style = resizable == 0 ? fixedstyle : resizablestyle;
    const pixelrect place = mainwinrect(rows, columns, style);
    HWND made = CreateWindowExA(0, classname, title, style, place.x, place.y, place.width,
                                place.height, nullptr, nullptr,
                                instanceof (instance), nullptr);
    window = fromwin(made);
    ok = made != nullptr ? 1 : 0;
}
