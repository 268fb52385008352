#pragma once
// controls: creating child controls inside a parent window, in whole cells,
// fine cells (with offsets in hundredths of a cell: left, top, right, bottom)
// or pixels, and the operations on edit fields, texts, list boxes and
// colours. sendmsg, postmsg and settext are declared in toolkit/messages.h.
//
// Texts are 0-terminated; letters are one-character options of which only the
// first character counts, upper and lower case alike.
#include "toolkit/messages.h"

#include <cstddef>
#include <cstdint>

using instancehandle = std::int32_t; // the program's module instance

// Edit fields: style letter "N" masks the characters typed; maxlength limits them.
void makeedit(const winhandle& parent, const std::int32_t& row1, const std::int32_t& col1,
              const std::int32_t& row2, const std::int32_t& col2, const std::int32_t& left,
              const std::int32_t& top, const std::int32_t& right, const std::int32_t& bottom,
              const char* style, const std::int32_t& maxlength, const std::int32_t& id,
              const instancehandle& instance, winhandle& handle);
void makeeditpx(const winhandle& parent, const std::int32_t& leftx, const std::int32_t& topy,
                const std::int32_t& rightx, const std::int32_t& bottomy, const char* style,
                const std::int32_t& maxlength, const std::int32_t& id,
                const instancehandle& instance, winhandle& handle);

// Static texts: alignment letter "R" right, "C" centred, anything else left.
void maketext(const winhandle& parent, const char* text, const std::int32_t& row1,
              const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
              const std::int32_t& left, const std::int32_t& top, const std::int32_t& right,
              const std::int32_t& bottom, const char* align, const std::int32_t& id,
              const instancehandle& instance, winhandle& handle);
void maketextpx(const winhandle& parent, const char* text, const std::int32_t& topy,
                const std::int32_t& leftx, const std::int32_t& bottomy, const std::int32_t& rightx,
                const char* align, const std::int32_t& id, const instancehandle& instance,
                winhandle& handle);
// A black frame.
void makeframe(const winhandle& parent, const std::int32_t& row1, const std::int32_t& col1,
               const std::int32_t& row2, const std::int32_t& col2, const std::int32_t& left,
               const std::int32_t& top, const std::int32_t& right, const std::int32_t& bottom,
               const std::int32_t& id, const instancehandle& instance, winhandle& handle);

// Push buttons, and the manual radio buttons and check boxes (see setcheck).
void makebutton(const winhandle& parent, const char* caption, const std::int32_t& row1,
                const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
                const std::int32_t& id, const instancehandle& instance, winhandle& handle);
void makebuttonfine(const winhandle& parent, const char* caption, const std::int32_t& row1,
                    const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
                    const std::int32_t& left, const std::int32_t& top, const std::int32_t& right,
                    const std::int32_t& bottom, const std::int32_t& id,
                    const instancehandle& instance, winhandle& handle);
void makebuttonpx(const winhandle& parent, const char* caption, const std::int32_t& topy,
                  const std::int32_t& leftx, const std::int32_t& bottomy,
                  const std::int32_t& rightx, const std::int32_t& id,
                  const instancehandle& instance, winhandle& handle);
void makeradio(const winhandle& parent, const char* caption, const std::int32_t& row1,
               const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
               const std::int32_t& id, const instancehandle& instance, winhandle& handle);
void makeradiopx(const winhandle& parent, const char* caption, const std::int32_t& topy,
                 const std::int32_t& leftx, const std::int32_t& bottomy, const std::int32_t& rightx,
                 const std::int32_t& id, const instancehandle& instance, winhandle& handle);
void makecheck(const winhandle& parent, const char* caption, const std::int32_t& row1,
               const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
               const std::int32_t& id, const instancehandle& instance, winhandle& handle);
void makecheckpx(const winhandle& parent, const char* caption, const std::int32_t& topy,
                 const std::int32_t& leftx, const std::int32_t& bottomy, const std::int32_t& rightx,
                 const std::int32_t& id, const instancehandle& instance, winhandle& handle);

// Sorted list boxes with a border and scroll bars.
void makelist(const winhandle& parent, const std::int32_t& row1, const std::int32_t& col1,
              const std::int32_t& row2, const std::int32_t& col2, const std::int32_t& id,
              const instancehandle& instance, winhandle& handle);
void makelistpx(const winhandle& parent, const std::int32_t& topy, const std::int32_t& leftx,
                const std::int32_t& bottomy, const std::int32_t& rightx, const std::int32_t& id,
                const instancehandle& instance, winhandle& handle);

// Sets the field's text from a buffer of the given capacity, selects it all
// and focuses the field; an empty text clears the field. The text ends at its
// first 0 or at the end of the buffer, whichever comes first.
void setedit(const winhandle& edit, const char* text, const std::int32_t& capacity);
// As setedit, without focusing the field (an empty text still focuses it).
void filledit(const winhandle& edit, const char* text, const std::int32_t& capacity);
template <std::size_t N> void setedit(const winhandle& edit, const char (&text)[N]) {
    setedit(edit, text, static_cast<std::int32_t>(N));
}
template <std::size_t N> void filledit(const winhandle& edit, const char (&text)[N]) {
    filledit(edit, text, static_cast<std::int32_t>(N));
}
// Empties the field and focuses it.
void clearedit(const winhandle& edit);
// Copies at most maximum - 1 characters and a 0 of the window's text.
void gettext(const winhandle& window, char* buffer, const std::int32_t& maximum);
// The edit field's selection.
void getsel(const winhandle& edit, std::int32_t& start, std::int32_t& end);
// Checks the button for letter "S", unchecks it for any other.
void setcheck(const winhandle& button, const char* letter);

// List boxes: indexes are the platform's, from 0; rows are visible rows from 1.
void listadd(const winhandle& list, const char* text, std::int32_t& index);
void listinsert(const winhandle& list, const char* text, const std::int32_t& index);
// Deletes the item and adds the new text at its sorted place.
void listreplace(const winhandle& list, const char* text, const std::int32_t& index);
void listdelete(const winhandle& list, const std::int32_t& index);
void listcount(const winhandle& list, std::int32_t& count);
// Copies the item's text into a buffer of the given capacity, cut to fit with
// its 0; length is the number of characters copied.
void listgettext(const winhandle& list, const std::int32_t& index, char* buffer,
                 const std::int32_t& capacity, std::int32_t& length);
template <std::size_t N>
void listgettext(const winhandle& list, const std::int32_t& index, char (&buffer)[N],
                 std::int32_t& length) {
    listgettext(list, index, buffer, static_cast<std::int32_t>(N), length);
}
void listreset(const winhandle& list);
void listselect(const winhandle& list, const std::int32_t& index);
void listunselect(const winhandle& list);
void listrowitem(const winhandle& list, const std::int32_t& row, std::int32_t& index);
void listitemrow(const winhandle& list, const std::int32_t& index, std::int32_t& row);

// Colours from fractions 0 to 1.
void makebrush(const float& red, const float& green, const float& blue, std::int32_t& brush);
void delobject(const std::int32_t& object);
// Transparent text background and the text colour of a device context.
void textcolour(const std::int32_t& context, const float& red, const float& green,
                const float& blue);
