// The result list's own keys: Enter opens the selected row, Ctrl+C copies it.
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>

// Unclaimed, Enter is turned into IDOK by the dialog keyboard interface
// before the list sees it; claimed, it reaches the list, which reports
// NM_RETURN to the window.
static LRESULT OnListGetDlgCode(HWND list, WPARAM wParam, LPARAM lParam)
{
    LRESULT code = DefSubclassProc(list, WM_GETDLGCODE, wParam, lParam);
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
    return code;
}

static LRESULT CALLBACK ResultListKeysProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    switch (message) {
    case WM_GETDLGCODE: return OnListGetDlgCode(list, wParam, lParam);
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

void ClaimEnterKey(HWND list)
{
    SetWindowSubclass(list, ResultListKeysProc, 0, 0);
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
