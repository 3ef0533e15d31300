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

static BOOL OnInitDialog(HWND hwnd)
{
    SetDlgItemTextA(hwnd, IDC_ABOUT_TITLE, "Quillmere 1.0");
    WebLink = GetDlgItem(hwnd, IDC_WEB_LINK);
    MailLink = GetDlgItem(hwnd, IDC_MAIL_LINK);
    SetWindowTextA(WebLink, WebAddress);
    SetWindowTextA(MailLink, MailText);
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
