// One-line static texts widened to their text where the template's width
// would cut it: in a face wider than the template's (a stand-in for it, as
// under Wine), at some scalings, or for a text longer than its field.
#include "shell/shell.h"

// The control's text in its own font: the width of it on one line, and
// the height of a line.
static SIZE MeasureText(HWND control, int* lineHeight)
{
    wchar_t buffer[256];
    const int length = GetWindowTextW(control, buffer, 256);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, buffer, length, &extent);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    *lineHeight = metrics.tmHeight;
    return extent;
}

// Widens a static to width pixels of client area, keeping its left edge,
// or its centre if centred.
static void WidenTo(HWND text, int width, const RECT& room)
{
    RECT place;
    GetWindowRect(text, &place);
    MapWindowPoints(nullptr, GetParent(text), reinterpret_cast<POINT*>(&place), 2);
    const bool centred = (GetWindowLongW(text, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER;
    const int left = centred ? place.left - (width - room.right + 1) / 2 : place.left;
    SetWindowPos(text, nullptr, left, place.top, width + (place.right - place.left - room.right),
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Text that wraps onto a second line is left as it is.
void WidenOneLineTexts(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[8];
        if (!GetClassNameW(child, className, 8) || lstrcmpiW(className, L"Static") != 0)
            continue;
        const LONG type = GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER)
            continue;
        RECT room;
        GetClientRect(child, &room);
        int lineHeight;
        const SIZE needed = MeasureText(child, &lineHeight);
        if (room.bottom < 2 * lineHeight && needed.cx > room.right)
            WidenTo(child, needed.cx, room);
    }
}
