// The status line: its text follows every key at once, its paint the screen.
#include "shell/shell.h"

static constexpr UINT_PTR StatusPaintTimer = 1;   // on the status line itself
static constexpr UINT StatusPaintMs = 40;
static WNDPROC StaticControlProc;
static bool StatusUnpainted;

static void CALLBACK PaintStatusLine(HWND statusLine, UINT, UINT_PTR, DWORD)
{
    KillTimer(statusLine, StatusPaintTimer);
    StatusUnpainted = false;
    // The static fills its own background when it paints.
    InvalidateRect(statusLine, nullptr, FALSE);
}

// A static control repaints inside every WM_SETTEXT, and under Wine that
// costs more than walking the key. The text is still stored at once, so
// GetWindowText always has the latest; only the paint waits for the timer.
static LRESULT CALLBACK StatusLineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_SETTEXT)
        return CallWindowProcA(StaticControlProc, hwnd, message, wParam, lParam);
    LRESULT stored = DefWindowProcA(hwnd, message, wParam, lParam);
    if (!StatusUnpainted) {
        StatusUnpainted = true;
        SetTimer(hwnd, StatusPaintTimer, StatusPaintMs, PaintStatusLine);
    }
    return stored;
}

void InstallStatusLine(HWND statusLine)
{
    StaticControlProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        statusLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusLineProc)));
}
