// The result list's own keys: Enter opens the selected row, Ctrl+C copies it,
// digits select the row they number.
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <cstdint>

// Plain subclassing: SetWindowSubclass looks its chain up in a window
// property at every message, which under Wine is a wineserver call, and
// the list takes a message or more for every row.
static WNDPROC ListViewProc;

// Unclaimed, Enter is turned into IDOK by the dialog keyboard interface
// before the list sees it; claimed, it reaches the list, which reports
// NM_RETURN to the window.
static LRESULT OnListGetDlgCode(HWND list, WPARAM wParam, LPARAM lParam)
{
    LRESULT code = CallWindowProcW(ListViewProc, list, WM_GETDLGCODE, wParam, lParam);
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
    return CallWindowProcW(ListViewProc, list, message, wParam, lParam);
}

void ClaimEnterKey(HWND list)
{
    ListViewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ResultListKeysProc)));
}

// A selection the list kept past its rows (a Clear that left it) names none.
int SelectedRow()
{
    const int row = int(SendMessageW(ResultList, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    return row < RowCount ? row : -1;
}

void OnResultListKey(const NMLVKEYDOWN* key)
{
    const bool copy = key->wVKey == 'C' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
    const int item = SelectedRow();
    if (copy && item >= 0)
        CopyKeyPath(item);
}

// The first row at or after first (0-based) numbered digits, or with a
// number they begin, or -1. Numbers with those leading digits and k more
// lie in [digits * 10^k, (digits + 1) * 10^k), each range above the last.
static int RowNumberedFrom(int64_t digits, int first, bool partial)
{
    for (int64_t low = digits, high = digits + 1; low <= RowCount; low *= 10, high *= 10) {
        const int64_t number = low > first ? low : first + 1;
        if (number < high && number <= RowCount)
            return int(number - 1);
        if (!partial)
            break;
    }
    return -1;
}

// Typed into the list, digits select the next row with a number they
// begin, as they would in a list that held its rows; any other text finds
// none, as the number column is the first.
LRESULT FindTypedRow(const NMHDR* header)
{
    const bool wide = header->code == LVN_ODFINDITEMW;
    const auto* asked = reinterpret_cast<const NMLVFINDITEMA*>(header);
    const UINT flags = asked->lvfi.flags;
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || !asked->lvfi.psz)
        return -1;
    int64_t digits = 0;
    for (int i = 0;; ++i) {
        const int c = wide ? reinterpret_cast<const wchar_t*>(asked->lvfi.psz)[i] : asked->lvfi.psz[i];
        if (c == 0 && i > 0)
            break;
        if (c < '0' || c > '9' || (i == 0 && c == '0') || digits > INT32_MAX)
            return -1;
        digits = digits * 10 + (c - '0');
    }
    const bool partial = flags & LVFI_PARTIAL;
    const int start = asked->iStart >= 0 && asked->iStart < RowCount ? asked->iStart : 0;
    const int row = RowNumberedFrom(digits, start, partial);
    return row >= 0 || !(flags & LVFI_WRAP) ? row : RowNumberedFrom(digits, 0, partial);
}
