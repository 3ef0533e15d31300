// The result list's own keys: Enter opens the selected row, Ctrl+C copies it,
// digits select the row they number. And what the user does in the list
// decides whether it follows its newest row.
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <windowsx.h>
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

// Keys and clicks are judged before the list acts on them, so that no
// paint in between scrolls the row away.
static void JudgeListKey(WPARAM key)
{
    if (key == VK_END)
        ListFollowing = true;
    else if (key == VK_HOME || key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT)
        ListFollowing = false;
}

// A click on a row holds the list, so a double-click's second click names
// the row its first one selected. Asked by cell: in any column.
static void JudgeListClick(HWND list, LPARAM at)
{
    LVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (CallWindowProcW(ListViewProc, list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0)
        ListFollowing = false;
}

// Nonzero while the program itself scrolls the list, so that a WM_VSCROLL
// the list might send itself meanwhile is not taken for the user's.
static int ProgramScrolls;

static LRESULT OnListEnsureVisible(HWND list, WPARAM row, LPARAM partial)
{
    ++ProgramScrolls;
    const LRESULT shown = CallWindowProcW(ListViewProc, list, LVM_ENSUREVISIBLE, row, partial);
    --ProgramScrolls;
    return shown;
}

// The user's scroll, by the scroll bar or the wheel: the list follows again
// when it leaves the last row it knows whole in view, and not otherwise.
static LRESULT OnListScroll(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallWindowProcW(ListViewProc, list, message, wParam, lParam);
    if (ProgramScrolls == 0) {
        const int top = int(CallWindowProcW(ListViewProc, list, LVM_GETTOPINDEX, 0, 0));
        const int page = int(CallWindowProcW(ListViewProc, list, LVM_GETCOUNTPERPAGE, 0, 0));
        ListFollowing = top + page >= int(CallWindowProcW(ListViewProc, list, LVM_GETITEMCOUNT, 0, 0));
    }
    return result;
}

// The scroll bar's drag runs a message loop of its own, which dispatches
// the paints too: held from the press, the list leaves the thumb where the
// pointer took it; the scroll that follows judges again.
static void JudgeScrollBarPress(WPARAM hitArea)
{
    if (hitArea == HTVSCROLL)
        ListFollowing = false;
}

// Wine's list view reports no LVN_BEGINSCROLL or LVN_ENDSCROLL, so the
// user's acts are read here, from the messages that carry them.
static LRESULT CALLBACK ResultListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:     return OnListGetDlgCode(list, wParam, lParam);
    case WM_KEYDOWN:        JudgeListKey(wParam); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:    JudgeListClick(list, lParam); break;
    case WM_NCLBUTTONDOWN:  JudgeScrollBarPress(wParam); break;
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:     return OnListScroll(list, message, wParam, lParam);
    case LVM_ENSUREVISIBLE: return OnListEnsureVisible(list, wParam, lParam);
    }
    return CallWindowProcW(ListViewProc, list, message, wParam, lParam);
}

void InstallResultListProc(HWND list)
{
    ListViewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ResultListProc)));
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
LRESULT FindTypedRow(const NMLVFINDITEMW* asked)
{
    const UINT flags = asked->lvfi.flags;
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || !asked->lvfi.psz)
        return -1;
    int64_t digits = 0;
    for (int i = 0;; ++i) {
        const wchar_t c = asked->lvfi.psz[i];
        if (c == 0 && i > 0)
            break;
        if (c < '0' || c > '9' || (i == 0 && c == '0') || digits > INT32_MAX)
            return -1;
        digits = digits * 10 + (c - '0');
    }
    const bool partial = flags & LVFI_PARTIAL;
    const int start = asked->iStart >= 0 && asked->iStart < RowCount ? asked->iStart : 0;
    int row = RowNumberedFrom(digits, start, partial);
    if (row < 0 && (flags & LVFI_WRAP))
        row = RowNumberedFrom(digits, 0, partial);
    // The list selects the row it is told of: a row's number typed holds it.
    if (row >= 0)
        ListFollowing = false;
    return row;
}
