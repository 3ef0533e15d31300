// The result list's own keys: Enter opens the selected row, Ctrl+C copies it.
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>

// Plain subclassing: SetWindowSubclass looks its chain up in a window
// property at every message, which under Wine is a wineserver call, and
// the list takes a message or more for every row.
static WNDPROC ListViewProc;

// Unclaimed, Enter is turned into IDOK by the dialog keyboard interface
// before the list sees it; claimed, it reaches the list, which reports
// NM_RETURN to the window.
static LRESULT OnListGetDlgCode(HWND list, WPARAM wParam, LPARAM lParam)
{
    LRESULT code = CallWindowProcA(ListViewProc, list, WM_GETDLGCODE, wParam, lParam);
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
    return code;
}

static LRESULT CALLBACK ResultListKeysProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE: return OnListGetDlgCode(list, wParam, lParam);
    }
    return CallWindowProcA(ListViewProc, list, message, wParam, lParam);
}

void ClaimEnterKey(HWND list)
{
    ListViewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ResultListKeysProc)));
}

int SelectedRow()
{
    return int(SendMessageA(ResultList, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

void OnResultListKey(const NMLVKEYDOWN* key)
{
    const bool copy = key->wVKey == 'C' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
    const int item = SelectedRow();
    if (copy && item >= 0)
        CopyKeyPath(item);
}

// The list asks the program to find a row by the letters typed into it.
// Only the number column would ever match, and a jump to a number typed
// on the way to another is no help: no row is found.
LRESULT FindTypedRow()
{
    return -1;
}
