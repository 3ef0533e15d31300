// The status line: its text set at once, its paint at the screen's pace.
// A Unicode window, so the path it shows names each key exactly.
#include "shell/shell.h"
#include "scan/scan.h"

static constexpr UINT_PTR StatusPaintTimer = 1;   // on the status line itself
static WNDPROC StaticControlProc;
static bool StatusUnpainted;
static DWORD LastStatusPaint;
// The text as last set: the walk's path, or the completion text. The
// window's own copy follows at the paint: under Wine every store of it is a
// wineserver call, one more for every key of a scan.
static wchar_t StatusText[PathSize];

static void CALLBACK PaintStatusLine(HWND statusLine, UINT, UINT_PTR, DWORD)
{
    KillTimer(statusLine, StatusPaintTimer);
    StatusUnpainted = false;
    LastStatusPaint = GetTickCount();
    DefWindowProcW(statusLine, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(StatusText));
    // The static fills its own background when it paints.
    InvalidateRect(statusLine, nullptr, FALSE);
}

static LRESULT StoreStatusText(HWND hwnd, const wchar_t* text)
{
    CopyWholeCharacters(StatusText, text ? text : L"", PathSize);
    if (StatusUnpainted)
        return TRUE;
    // A text that comes after a quiet spell is painted at once; one that
    // follows a paint closely waits out the rest of the interval.
    const DWORD sincePaint = GetTickCount() - LastStatusPaint;
    if (sincePaint >= StatusPaintMs) {
        PaintStatusLine(hwnd, WM_TIMER, StatusPaintTimer, 0);
        return TRUE;
    }
    StatusUnpainted = true;
    SetTimer(hwnd, StatusPaintTimer, StatusPaintMs - sincePaint, PaintStatusLine);
    return TRUE;
}

static LRESULT CopyStatusText(WPARAM size, wchar_t* buffer)
{
    if (size == 0 || !buffer)
        return 0;
    CopyWholeCharacters(buffer, StatusText, size < PathSize ? int(size) : PathSize);
    return lstrlenW(buffer);
}

// A static control repaints inside every WM_SETTEXT, and under Wine that
// costs more than walking the key. The text is still answered at once, so
// GetWindowText always has the latest; only the paint waits for the timer.
static LRESULT CALLBACK StatusLineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT:       return StoreStatusText(hwnd, reinterpret_cast<const wchar_t*>(lParam));
    case WM_GETTEXT:       return CopyStatusText(wParam, reinterpret_cast<wchar_t*>(lParam));
    case WM_GETTEXTLENGTH: return lstrlenW(StatusText);
    }
    return CallWindowProcW(StaticControlProc, hwnd, message, wParam, lParam);
}

// Installed as a Unicode procedure, so a text set in the other form, from
// another process say, arrives converted to UTF-16.
void InstallStatusLine(HWND statusLine)
{
    StaticControlProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        statusLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusLineProc)));
}
