// The numbered list of found keys.
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <algorithm>
#include <array>
#include <cstdio>

int32_t RowCount;

static constexpr std::array<const char*, 3> ColumnTitles = {"#", "Key", "LastWriteTime"};
// Pixels at 96 DPI; SetupResultList scales them to the screen once.
static constexpr int NumberWidthAt96 = 40;
static constexpr int TimeWidthAt96 = 120;
static int NumberWidth = NumberWidthAt96;
static int TimeWidth = TimeWidthAt96;
// On the list itself, clear of the main window's timers; well apart from
// the small ids a list view may use for its own.
static constexpr UINT_PTR RowPaintTimer = 0x5152;
// A paint of the rows costs as much as several rows under Wine: about
// twelve a second keep pace with the eye.
static constexpr UINT RowPaintMs = 80;
// The themed scroll bar and the header cost more again, and while rows
// stream the header never changes and the thumb soon stops moving; both are
// painted when they change, and about once a second in case something was
// dragged across them.
static constexpr int FullPaintEvery = 12;
static bool RowsUnpainted;
static bool RowTimerRunning;
static bool HeaderUnpainted;
static int PaintsSinceFull;
static SCROLLBARINFO PaintedScrollBar;

static void SetColumnWidth(HWND list, int column, int width)
{
    // Only a real change is sent: each one relays out and repaints the header.
    if (SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0) == width)
        return;
    LVCOLUMNA col{};
    col.mask = LVCF_WIDTH;
    col.cx = width;
    SendMessageA(list, LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
    HeaderUnpainted = true;
}

// The system DPI, from the list's own device context: the program declares
// itself DPI-aware, and this works on every Windows it runs on.
static int ScreenDpi(HWND list)
{
    HDC dc = GetDC(list);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(list, dc);
    return dpi;
}

// Fonts wider than MS Sans Serif (Wine's stand-in for it, say) need more
// than 120 pixels for a late time of day; the column then takes what the
// widest time text needs, with the list's cell padding on both sides.
static int WidestTimeWidth(HWND list)
{
    static constexpr char WidestTime[] = "30.12.2000 23:59:59";
    static constexpr int CellPadding = 12;
    return int(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(WidestTime))) + CellPadding;
}

void SetupResultList(HWND list)
{
    const int dpi = ScreenDpi(list);
    NumberWidth = MulDiv(NumberWidthAt96, dpi, 96);
    TimeWidth = std::max(MulDiv(TimeWidthAt96, dpi, 96), WidestTimeWidth(list));
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    for (int column = 0; column < int(ColumnTitles.size()); ++column) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = const_cast<char*>(ColumnTitles[column]);
        col.cchTextMax = lstrlenA(ColumnTitles[column]);
        SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
    }
    FitColumns(list);
}

void FitColumns(HWND list)
{
    RECT client;
    GetClientRect(list, &client);
    SetColumnWidth(list, 0, NumberWidth);
    SetColumnWidth(list, 1, client.right - NumberWidth - TimeWidth);
    SetColumnWidth(list, 2, TimeWidth);
}

static void SetRowText(int row, int column, const char* text)
{
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(ResultList, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

// True when the vertical scroll bar looks different from its last paint.
static bool ScrollBarMoved(HWND list)
{
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof bar;
    GetScrollBarInfo(list, OBJID_VSCROLL, &bar);
    const bool moved = bar.rgstate[0] != PaintedScrollBar.rgstate[0] || bar.xyThumbTop != PaintedScrollBar.xyThumbTop
                       || bar.xyThumbBottom != PaintedScrollBar.xyThumbBottom
                       || !EqualRect(&bar.rcScrollBar, &PaintedScrollBar.rcScrollBar);
    PaintedScrollBar = bar;
    return moved;
}

// Paints at once: a paint left to WM_PAINT would wait behind the worker's
// messages, and the next row's redraw switch would drop it.
static void CALLBACK PaintNewRows(HWND list, UINT, UINT_PTR, DWORD)
{
    const bool streamEnded = !RowsUnpainted;
    if (streamEnded) {
        KillTimer(list, RowPaintTimer);
        RowTimerRunning = false;
    }
    RowsUnpainted = false;
    // Each row's redraw switch leaves the list, frame and header included,
    // exposed; only what changed is painted.
    RedrawWindow(list, nullptr, nullptr, RDW_VALIDATE | RDW_NOFRAME | RDW_ALLCHILDREN);
    UINT parts = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_NOCHILDREN;
    if (ScrollBarMoved(list))
        parts |= RDW_FRAME;
    // The last paint of a stream covers everything, so nothing dropped by
    // the switch stays unpainted once the rows stop.
    if (streamEnded || HeaderUnpainted || ++PaintsSinceFull >= FullPaintEvery) {
        parts = (parts & ~RDW_NOCHILDREN) | RDW_FRAME | RDW_ALLCHILDREN;
        HeaderUnpainted = false;
        PaintsSinceFull = 0;
    }
    RedrawWindow(list, nullptr, nullptr, parts);
}

// Runs on the user-interface thread (the worker sends each row in one
// message), so RowCount has one writer and Clear never splits a row.
void AddResultRow(const char* keyText, const char* timeText)
{
    // Under Wine an insert brings the scroll bars up to date and moves the
    // header, and each text invalidates twice. With the list view's own
    // redraw switch off, insert and texts only store; switching it on again
    // updates the scroll range once, so the position is current for the row.
    // Around that, and the scroll to the new row, DefWindowProc's switch,
    // which the list view never sees, keeps the list from painting: a
    // visible scroll bar is redrawn on the spot at every update. The timer
    // paints the result.
    const bool shown = GetWindowLongA(ResultList, GWL_STYLE) & WS_VISIBLE;
    if (shown)
        DefWindowProcA(ResultList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(ResultList, WM_SETREDRAW, FALSE, 0);
    char number[48];
    snprintf(number, sizeof number, "%i", RowCount + 1);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount;
    item.pszText = number;
    SendMessageA(ResultList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetRowText(RowCount, 1, keyText);
    SetRowText(RowCount, 2, timeText);
    SendMessageA(ResultList, WM_SETREDRAW, TRUE, 0);
    FitColumns(ResultList);
    SendMessageA(ResultList, LVM_ENSUREVISIBLE, RowCount, TRUE);
    RowCount += 1;
    if (!shown)
        return;
    DefWindowProcA(ResultList, WM_SETREDRAW, TRUE, 0);
    RowsUnpainted = true;
    // Runs until a tick finds nothing new, so the pace does not slip by the
    // paint's own time.
    if (!RowTimerRunning) {
        RowTimerRunning = true;
        SetTimer(ResultList, RowPaintTimer, RowPaintMs, PaintNewRows);
    }
}

void ClearResults()
{
    SendMessageA(ResultList, LVM_DELETEALLITEMS, 0, 0);
    FitColumns(ResultList);
    RowCount = 0;
}
