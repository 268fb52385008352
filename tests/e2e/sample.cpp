// sample.exe: a small window for proving the robot. An edit field (101), the
// buttons Show (102) and Quit (103), an echo text (104), a key counter (105)
// and a sorted list box (106). Tab moves the focus (dialog navigation); Show
// or Enter copies the field into the echo text and shows a message box owned
// by the window; Quit ends the program with exit code 7. A thread keyboard
// hook counts the Tab key-downs, first presses and repeats apart. With the
// argument --unowned it only shows a message box without an owner and ends
// with exit code 3, as a program does that fails before it has a window.
#include <windows.h>

#include <string>

namespace {

enum : int { idedit = 101, idshow, idquit, idecho, idkeys, idlist };

HWND mainwindow = nullptr;
int tabpresses = 0, tabrepeats = 0;

HWND make(const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, mainwindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

void showkeys() {
    std::string text =
        "tab " + std::to_string(tabpresses) + " repeat " + std::to_string(tabrepeats);
    SetDlgItemTextA(mainwindow, idkeys, text.c_str());
}

LRESULT CALLBACK keyhook(int code, WPARAM vk, LPARAM data) {
    bool down = (data & 0x80000000) == 0;
    if (code == HC_ACTION && vk == VK_TAB && down) {
        ((data & 0x40000000) ? tabrepeats : tabpresses) += 1;
        showkeys();
    }
    return CallNextHookEx(nullptr, code, vk, data);
}

void layout() {
    make("Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, idedit, 10, 10, 200, 24);
    make("Button", "Show", WS_TABSTOP | BS_DEFPUSHBUTTON, idshow, 10, 44, 90, 28);
    make("Button", "Quit", WS_TABSTOP | BS_PUSHBUTTON, idquit, 120, 44, 90, 28);
    make("Static", "", 0, idecho, 10, 82, 200, 20);
    make("Static", "", 0, idkeys, 10, 106, 200, 20);
    HWND list = make("Listbox", "", WS_BORDER | LBS_SORT, idlist, 220, 10, 120, 100);
    for (const char* fruit : {"pear", "apple", "fig"})
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fruit));
    showkeys();
}

void show() {
    char text[256] = {};
    GetDlgItemTextA(mainwindow, idedit, text, sizeof text);
    SetDlgItemTextA(mainwindow, idecho, text);
    std::string message = std::string("You typed: ") + text;
    int answer = MessageBoxA(mainwindow, message.c_str(), "Sample", MB_OKCANCEL);
    SetDlgItemTextA(mainwindow, idecho, answer == IDOK ? "confirmed" : "cancelled");
}

LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == idshow || LOWORD(wp) == IDOK)
            show();
        else if (LOWORD(wp) == idquit)
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(7);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandline, int) {
    if (std::string(commandline) == "--unowned") {
        MessageBoxA(nullptr, "No window yet.", "Sample", MB_OK);
        return 3;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = "CellSample";
    RegisterClassA(&wc);
    mainwindow = CreateWindowExA(0, "CellSample", "Sample", WS_OVERLAPPEDWINDOW, 100, 80, 380, 180,
                                 nullptr, nullptr, instance, nullptr);
    if (!mainwindow)
        return 1;
    layout();
    SetWindowsHookExA(WH_KEYBOARD, keyhook, nullptr, GetCurrentThreadId());
    ShowWindow(mainwindow, SW_SHOW);
    SetFocus(GetDlgItem(mainwindow, idedit));
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(mainwindow, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
