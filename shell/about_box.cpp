// The About box (template 114) with its two links.
#include "shell/shell.h"
#include "resources/resource.h"
#include <shellapi.h>
#include <windowsx.h>

static HWND WebLink;
static HWND MailLink;

void OpenAboutBox(HWND owner)
{
    DialogBoxParamA(Instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDlgProc, 0);
}

// A static whose text is wider than its template width would cut it (the
// link addresses are longer than their fields in any font); it is widened
// to one line of its text, keeping its left edge, or its centre if centred.
static void WidenToText(HWND text)
{
    char buffer[256];
    GetWindowTextA(text, buffer, sizeof buffer);
    RECT room;
    GetClientRect(text, &room);
    HDC dc = GetDC(text);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0)));
    SIZE needed;
    GetTextExtentPoint32A(dc, buffer, lstrlenA(buffer), &needed);
    SelectObject(dc, old);
    ReleaseDC(text, dc);
    if (needed.cx <= room.right)
        return;
    RECT place;
    GetWindowRect(text, &place);
    MapWindowPoints(nullptr, GetParent(text), reinterpret_cast<POINT*>(&place), 2);
    const bool centred = (GetWindowLongA(text, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER;
    const int left = centred ? place.left - (needed.cx - room.right + 1) / 2 : place.left;
    SetWindowPos(text, nullptr, left, place.top, needed.cx + (place.right - place.left - room.right),
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

static void WidenOneLineTexts(HWND hwnd)
{
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
        RECT room;
        GetClientRect(child, &room);
        // One-line fields only: the two-line description wraps as it should.
        HDC dc = GetDC(child);
        TEXTMETRICA metrics;
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(child, dc);
        if ((type == SS_LEFT || type == SS_CENTER) && room.bottom < 2 * metrics.tmHeight)
            WidenToText(child);
    }
}

static BOOL OnInitDialog(HWND hwnd)
{
    SetDlgItemTextA(hwnd, IDC_ABOUT_TITLE, "Quillmere 1.0");
    WebLink = GetDlgItem(hwnd, IDC_WEB_LINK);
    MailLink = GetDlgItem(hwnd, IDC_MAIL_LINK);
    SetWindowTextA(WebLink, WebAddress);
    SetWindowTextA(MailLink, MailText);
    WidenOneLineTexts(hwnd);
    return TRUE;
}

static void OnCommand(int id)
{
    if (id == IDC_WEB_LINK)
        ShellExecuteA(nullptr, nullptr, WebAddress, nullptr, nullptr, SW_SHOWNORMAL);
    else if (id == IDC_MAIL_LINK)
        ShellExecuteA(nullptr, nullptr, MailTarget, nullptr, nullptr, SW_SHOWNORMAL);
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
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hwnd);
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
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
