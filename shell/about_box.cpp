// The About box (template 114) with its two links.
#include "shell/shell.h"
#include "resources/resource.h"
#include <shellapi.h>
#include <windowsx.h>

static HWND WebLink;
static HWND MailLink;

void OpenAboutBox(HWND owner)
{
    DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutDlgProc, 0);
}

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

// A one-line static whose text is wider than its template width would cut
// it (the link addresses are longer than their fields in any font); it is
// widened to its text. The two-line description wraps as it should.
static void WidenOneLineTexts(HWND hwnd)
{
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
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

static BOOL OnInitDialog(HWND hwnd)
{
    SetDlgItemTextW(hwnd, IDC_ABOUT_TITLE, L"Quillmere 1.0");
    WebLink = GetDlgItem(hwnd, IDC_WEB_LINK);
    MailLink = GetDlgItem(hwnd, IDC_MAIL_LINK);
    SetWindowTextW(WebLink, WebAddress);
    SetWindowTextW(MailLink, MailText);
    WidenOneLineTexts(hwnd);
    return TRUE;
}

// The box owns any message the shell shows; failures stay silent.
static void OpenLink(HWND owner, const wchar_t* target)
{
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_FLAG_NO_UI;
    start.hwnd = owner;
    start.lpFile = target;
    start.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&start);
}

static void OnCommand(HWND hwnd, int id)
{
    if (id == IDC_WEB_LINK)
        OpenLink(hwnd, WebAddress);
    else if (id == IDC_MAIL_LINK)
        OpenLink(hwnd, MailTarget);
}

static HBRUSH SetLinkColors(HDC dc)
{
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkColor(dc, GetSysColor(COLOR_MENU));
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

// The hand is set per WM_SETCURSOR for the two links alone; changing the
// STATIC class cursor would spread it to every static of the program.
static BOOL OnSetCursor(HWND hwnd, HWND over)
{
    if (over != WebLink && over != MailLink)
        return FALSE;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hwnd);
    case WM_COMMAND:
        OnCommand(hwnd, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(hwnd, 0);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == WebLink || reinterpret_cast<HWND>(lParam) == MailLink)
            return reinterpret_cast<INT_PTR>(SetLinkColors(reinterpret_cast<HDC>(wParam)));
        return FALSE;
    case WM_SETCURSOR:
        return OnSetCursor(hwnd, reinterpret_cast<HWND>(wParam));
    }
    return FALSE;
}
