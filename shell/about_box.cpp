// The About box (template 114) with its two links.
#include "shell/shell.h"
#include "resources/resource.h"
#include <windowsx.h>

static HWND WebLink;
static HWND MailLink;

void OpenAboutBox(HWND owner)
{
    DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutDlgProc, 0);
}

static BOOL OnInitDialog(HWND hwnd)
{
    SetDlgItemTextW(hwnd, IDC_ABOUT_TITLE, L"Quillmere 1.0");
    WebLink = GetDlgItem(hwnd, IDC_WEB_LINK);
    MailLink = GetDlgItem(hwnd, IDC_MAIL_LINK);
    SetWindowTextW(WebLink, WebAddress);
    SetWindowTextW(MailLink, MailText);
    // The link addresses are longer than their fields in any font.
    WidenOneLineTexts(hwnd);
    return TRUE;
}

static void OnCommand(HWND hwnd, int id)
{
    if (id == IDC_WEB_LINK)
        StartWithShell(hwnd, nullptr, WebAddress, nullptr);
    else if (id == IDC_MAIL_LINK)
        StartWithShell(hwnd, nullptr, MailTarget, nullptr);
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
