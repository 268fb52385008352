#include "toolkit/controls.h"

#include "toolkit/handles_win32.h"
#include "toolkit/layout.h"
#include "toolkit/makwin.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr DWORD editstyle = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
constexpr DWORD textstyle = WS_CHILD | WS_VISIBLE | SS_NOPREFIX;
constexpr DWORD framestyle = WS_CHILD | WS_VISIBLE | SS_BLACKFRAME;
constexpr DWORD buttonstyle = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON;
constexpr DWORD radiostyle = WS_CHILD | WS_VISIBLE | BS_RADIOBUTTON;
constexpr DWORD checkstyle = WS_CHILD | WS_VISIBLE | BS_CHECKBOX;
constexpr DWORD listpxstyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_SORT;
constexpr DWORD liststyle = listpxstyle | LBS_NOINTEGRALHEIGHT;

// The first character of a letter option, in upper case.
char optionletter(const char* letter) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
}

DWORD editletterstyle(const char* letter) {
    return optionletter(letter) == 'N' ? editstyle | ES_PASSWORD : editstyle;
}

DWORD alignstyle(const char* align) {
    switch (optionletter(align)) {
    case 'R':
        return textstyle | SS_RIGHT;
    case 'C':
        return textstyle | SS_CENTER;
    default:
        return textstyle | SS_LEFT;
    }
}

LRESULT send(const winhandle& window, UINT message, WPARAM first, LPARAM second) {
    return SendMessageA(towindow(window), message, first, second);
}

LPARAM textparam(const char* text) {
    return reinterpret_cast<LPARAM>(text);
}

void create(const char* classname, const char* text, DWORD style, const pixelrect& place,
            const winhandle& parent, const std::int32_t& id, const instancehandle& instance,
            winhandle& handle) {
    HWND made = CreateWindowExA(0, classname, text, style, place.x, place.y, place.width,
                                place.height, towindow(parent), towin<HMENU>(id),
                                instanceof (instance), nullptr);
    handle = fromwin(made);
}

pixelrect wholecells(const std::int32_t& row1, const std::int32_t& col1, const std::int32_t& row2,
                     const std::int32_t& col2) {
    std::int32_t w = 0;
    std::int32_t h = 0;
    getcellsize(w, h);
    return wholecellrect(w, h, row1, col1, row2, col2);
}

pixelrect finecells(const std::int32_t& row1, const std::int32_t& col1, const std::int32_t& row2,
                    const std::int32_t& col2, const std::int32_t& left, const std::int32_t& top,
                    const std::int32_t& right, const std::int32_t& bottom) {
    std::int32_t w = 0;
    std::int32_t h = 0;
    getcellsize(w, h);
    return finecellrect(w, h, row1, col1, row2, col2, left, top, right, bottom);
}

void createedit(const winhandle& parent, const pixelrect& place, const char* style,
                const std::int32_t& maxlength, const std::int32_t& id,
                const instancehandle& instance, winhandle& handle) {
    create("Edit", nullptr, editletterstyle(style), place, parent, id, instance, handle);
    send(handle, EM_LIMITTEXT, static_cast<WPARAM>(maxlength), 0);
}

// The text of a buffer of the given capacity: up to its first 0 or its end.
std::string boundedtext(const char* text, const std::int32_t& capacity) {
    const std::size_t limit = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;
    return {text, std::find(text, text + limit, '\0')};
}

// Sets the text and selects it all; focus says whether the field takes the focus.
void fill(const winhandle& edit, const char* text, const std::int32_t& capacity, bool focus) {
    const std::string bounded = boundedtext(text, capacity);
    if (bounded.empty()) {
        clearedit(edit);
        return;
    }
    send(edit, WM_SETTEXT, 0, textparam(bounded.c_str()));
    if (focus) {
        SetFocus(towindow(edit));
    }
    const auto line = static_cast<std::uint32_t>(send(edit, EM_LINELENGTH, 0, 0));
    send(edit, EM_SETSEL, 0, static_cast<LPARAM>(line * 65537U));
}
} // namespace

void sendmsg(const winhandle& window, const std::int32_t& message, const std::int32_t& first,
             const std::int32_t& second) {
    send(window, static_cast<UINT>(message), static_cast<WPARAM>(first), second);
}

void postmsg(const winhandle& window, const std::int32_t& message, const std::int32_t& first,
             const std::int32_t& second) {
    PostMessageA(towindow(window), static_cast<UINT>(message), static_cast<WPARAM>(first), second);
}

void settext(const winhandle& window, const char* text) {
    send(window, WM_SETTEXT, 0, textparam(text));
}

void makeedit(const winhandle& parent, const std::int32_t& row1, const std::int32_t& col1,
              const std::int32_t& row2, const std::int32_t& col2, const std::int32_t& left,
              const std::int32_t& top, const std::int32_t& right, const std::int32_t& bottom,
              const char* style, const std::int32_t& maxlength, const std::int32_t& id,
              const instancehandle& instance, winhandle& handle) {
    createedit(parent, finecells(row1, col1, row2, col2, left, top, right, bottom), style,
               maxlength, id, instance, handle);
}

void makeeditpx(const winhandle& parent, const std::int32_t& leftx, const std::int32_t& topy,
                const std::int32_t& rightx, const std::int32_t& bottomy, const char* style,
                const std::int32_t& maxlength, const std::int32_t& id,
                const instancehandle& instance, winhandle& handle) {
    createedit(parent, pixeledgerect(leftx, topy, rightx, bottomy), style, maxlength, id, instance,
               handle);
}

void maketext(const winhandle& parent, const char* text, const std::int32_t& row1,
              const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
              const std::int32_t& left, const std::int32_t& top, const std::int32_t& right,
              const std::int32_t& bottom, const char* align, const std::int32_t& id,
              const instancehandle& instance, winhandle& handle) {
    create("Static", text, alignstyle(align),
           finecells(row1, col1, row2, col2, left, top, right, bottom), parent, id, instance,
           handle);
}

void maketextpx(const winhandle& parent, const char* text, const std::int32_t& topy,
                const std::int32_t& leftx, const std::int32_t& bottomy, const std::int32_t& rightx,
                const char* align, const std::int32_t& id, const instancehandle& instance,
                winhandle& handle) {
    create("Static", text, alignstyle(align), pixeledgerect(leftx, topy, rightx, bottomy), parent,
           id, instance, handle);
}

void makeframe(const winhandle& parent, const std::int32_t& row1, const std::int32_t& col1,
               const std::int32_t& row2, const std::int32_t& col2, const std::int32_t& left,
               const std::int32_t& top, const std::int32_t& right, const std::int32_t& bottom,
               const std::int32_t& id, const instancehandle& instance, winhandle& handle) {
    create("Static", nullptr, framestyle,
           finecells(row1, col1, row2, col2, left, top, right, bottom), parent, id, instance,
           handle);
}

void makebutton(const winhandle& parent, const char* caption, const std::int32_t& row1,
                const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
                const std::int32_t& id, const instancehandle& instance, winhandle& handle) {
    create("Button", caption, buttonstyle, wholecells(row1, col1, row2, col2), parent, id, instance,
           handle);
}

void makebuttonfine(const winhandle& parent, const char* caption, const std::int32_t& row1,
                    const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
                    const std::int32_t& left, const std::int32_t& top, const std::int32_t& right,
                    const std::int32_t& bottom, const std::int32_t& id,
                    const instancehandle& instance, winhandle& handle) {
    create("Button", caption, buttonstyle,
           finecells(row1, col1, row2, col2, left, top, right, bottom), parent, id, instance,
           handle);
}

void makebuttonpx(const winhandle& parent, const char* caption, const std::int32_t& topy,
                  const std::int32_t& leftx, const std::int32_t& bottomy,
                  const std::int32_t& rightx, const std::int32_t& id,
                  const instancehandle& instance, winhandle& handle) {
    create("Button", caption, buttonstyle, pixeledgerect(leftx, topy, rightx, bottomy), parent, id,
           instance, handle);
}

void makeradio(const winhandle& parent, const char* caption, const std::int32_t& row1,
               const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
               const std::int32_t& id, const instancehandle& instance, winhandle& handle) {
    create("Button", caption, radiostyle, wholecells(row1, col1, row2, col2), parent, id, instance,
           handle);
}

void makeradiopx(const winhandle& parent, const char* caption, const std::int32_t& topy,
                 const std::int32_t& leftx, const std::int32_t& bottomy, const std::int32_t& rightx,
                 const std::int32_t& id, const instancehandle& instance, winhandle& handle) {
    create("Button", caption, radiostyle, pixeledgerect(leftx, topy, rightx, bottomy), parent, id,
           instance, handle);
}

void makecheck(const winhandle& parent, const char* caption, const std::int32_t& row1,
               const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
               const std::int32_t& id, const instancehandle& instance, winhandle& handle) {
    create("Button", caption, checkstyle, wholecells(row1, col1, row2, col2), parent, id, instance,
           handle);
}

void makecheckpx(const winhandle& parent, const char* caption, const std::int32_t& topy,
                 const std::int32_t& leftx, const std::int32_t& bottomy, const std::int32_t& rightx,
                 const std::int32_t& id, const instancehandle& instance, winhandle& handle) {
    create("Button", caption, checkstyle, pixeledgerect(leftx, topy, rightx, bottomy), parent, id,
           instance, handle);
}

void makelist(const winhandle& parent, const std::int32_t& row1, const std::int32_t& col1,
              const std::int32_t& row2, const std::int32_t& col2, const std::int32_t& id,
              const instancehandle& instance, winhandle& handle) {
    create("Listbox", nullptr, liststyle, wholecells(row1, col1, row2, col2), parent, id, instance,
           handle);
}

void makelistpx(const winhandle& parent, const std::int32_t& topy, const std::int32_t& leftx,
                const std::int32_t& bottomy, const std::int32_t& rightx, const std::int32_t& id,
                const instancehandle& instance, winhandle& handle) {
    create("Listbox", nullptr, listpxstyle, pixeledgerect(leftx, topy, rightx, bottomy), parent, id,
           instance, handle);
}

void setedit(const winhandle& edit, const char* text, const std::int32_t& capacity) {
    fill(edit, text, capacity, true);
}

void filledit(const winhandle& edit, const char* text, const std::int32_t& capacity) {
    fill(edit, text, capacity, false);
}

void clearedit(const winhandle& edit) {
    send(edit, WM_SETTEXT, 0, textparam(""));
    SetFocus(towindow(edit));
}

void gettext(const winhandle& window, char* buffer, const std::int32_t& maximum) {
    send(window, WM_GETTEXT, static_cast<WPARAM>(maximum), reinterpret_cast<LPARAM>(buffer));
}

void getsel(const winhandle& edit, std::int32_t& start, std::int32_t& end) {
    const auto both = static_cast<std::uint32_t>(send(edit, EM_GETSEL, 0, 0));
    start = static_cast<std::int32_t>(both % 65536U);
    end = static_cast<std::int32_t>(both / 65536U);
}

void setcheck(const winhandle& button, const char* letter) {
    send(button, BM_SETCHECK, optionletter(letter) == 'S' ? 1 : 0, 0);
}

void listadd(const winhandle& list, const char* text, std::int32_t& index) {
    index = static_cast<std::int32_t>(send(list, LB_ADDSTRING, 0, textparam(text)));
}

void listinsert(const winhandle& list, const char* text, const std::int32_t& index) {
    send(list, LB_INSERTSTRING, static_cast<WPARAM>(index), textparam(text));
}

void listreplace(const winhandle& list, const char* text, const std::int32_t& index) {
    send(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    send(list, LB_ADDSTRING, 0, textparam(text));
}

void listdelete(const winhandle& list, const std::int32_t& index) {
    send(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void listcount(const winhandle& list, std::int32_t& count) {
    count = static_cast<std::int32_t>(send(list, LB_GETCOUNT, 0, 0));
}

void listgettext(const winhandle& list, const std::int32_t& index, char* buffer,
                 const std::int32_t& capacity, std::int32_t& length) {
    length = 0;
    const auto full = static_cast<std::int32_t>(send(list, LB_GETTEXTLEN, index, 0));
    if (capacity < 1 || full < 0) {
        return;
    }
    std::vector<char> item(static_cast<std::size_t>(full) + 1, '\0');
    const auto got = static_cast<std::int32_t>(
        send(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.data())));
    length = std::clamp(got, 0, std::min(full, capacity - 1));
    std::memcpy(buffer, item.data(), static_cast<std::size_t>(length));
    buffer[length] = '\0';
}

void listreset(const winhandle& list) {
    send(list, LB_RESETCONTENT, 0, 0);
}

void listselect(const winhandle& list, const std::int32_t& index) {
    send(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void listunselect(const winhandle& list) {
    send(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void listrowitem(const winhandle& list, const std::int32_t& row, std::int32_t& index) {
    index = static_cast<std::int32_t>(send(list, LB_GETTOPINDEX, 0, 0)) + row - 1;
}

void listitemrow(const winhandle& list, const std::int32_t& index, std::int32_t& row) {
    row = index - static_cast<std::int32_t>(send(list, LB_GETTOPINDEX, 0, 0)) + 1;
}

void makebrush(const float& red, const float& green, const float& blue, std::int32_t& brush) {
    brush = fromwin(CreateSolidBrush(static_cast<COLORREF>(colourvalue(red, green, blue))));
}

void delobject(const std::int32_t& object) {
    DeleteObject(towin<HGDIOBJ>(object));
}

void textcolour(const std::int32_t& context, const float& red, const float& green,
                const float& blue) {
    HDC dc = towin<HDC>(context);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(colourvalue(red, green, blue)));
}
