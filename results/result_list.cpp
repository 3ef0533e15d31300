// The numbered list of found keys.
#include "results/results.h"
#include "shell/shell.h"
#include "scan/scan.h"
#include <commctrl.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

int32_t RowCount;
std::atomic<uint32_t> ClearCount{0};
std::atomic<bool> ListPainting{false};
bool ListFollowing = true;

// Pixels at 96 DPI; SetupResultList scales them to the screen once.
static constexpr int NumberWidthAt96 = 40;
static constexpr int TimeWidthAt96 = 120;
static int NumberWidth = NumberWidthAt96;
static int TimeWidth = TimeWidthAt96;
// On the list itself, clear of the main window's timers; well apart from
// the small ids a list view may use for its own.
static constexpr UINT_PTR RowPaintTimer = 0x5152;
// Each paint brings the scroll bar up to date, which under Wine costs as
// much as dozens of rows: eleven a second keep pace with the eye and stay
// clear of ten.
static constexpr UINT RowPaintMs = 90;
static bool RowsUnpainted;
static bool RowTimerRunning;

static void SetColumnWidth(HWND list, int column, int width)
{
    // Only a real change is sent: each one relays out and repaints the header.
    if (SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0) == width)
        return;
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    col.cx = width;
    SendMessageW(list, LVM_SETCOLUMNW, column, reinterpret_cast<LPARAM>(&col));
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
    const SYSTEMTIME late{2000, 12, 6, 30, 23, 59, 59, 0};   // Saturday 30.12.2000 23:59:59
    char text[TimeTextSize];
    wchar_t shown[TimeTextSize];
    DecodeUtf8(text, FormatRowTime(late, text), shown, TimeTextSize);
    return int(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(shown))) + CellPadding;
}

void SetupResultList(HWND list)
{
    const int dpi = ScreenDpi(list);
    NumberWidth = MulDiv(NumberWidthAt96, dpi, 96);
    TimeWidth = std::max(MulDiv(TimeWidthAt96, dpi, 96), WidestTimeWidth(list));
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    // Clipped, the list's own repaints (after a scroll, a Clear) leave its
    // header, which paints itself when it changes.
    SetWindowLongW(list, GWL_STYLE, GetWindowLongW(list, GWL_STYLE) | WS_CLIPCHILDREN);
    for (int column = NumberColumn; column < ColumnCount; ++column) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = const_cast<wchar_t*>(ColumnTitles[column]);
        col.cchTextMax = lstrlenW(ColumnTitles[column]);
        SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&col));
    }
    FitColumns(list);
}

void FitColumns(HWND list)
{
    RECT client;
    GetClientRect(list, &client);
    SetColumnWidth(list, NumberColumn, NumberWidth);
    SetColumnWidth(list, KeyColumn, client.right - NumberWidth - TimeWidth);
    SetColumnWidth(list, TimeColumn, TimeWidth);
}

// The list holds no rows (owner data): it learns their count once a paint,
// which brings the scroll range up to date once for all the rows since the
// last one and marks only those rows, not the whole list; then the widths
// follow the scroll bar.
static void TellRowCount(HWND list)
{
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != RowCount)
        SendMessageW(list, LVM_SETITEMCOUNT, WPARAM(RowCount), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    FitColumns(list);
}

// A paint comes in two messages of about the same cost, so another
// thread's message waits for one half at most. The second is posted:
// posted messages go before WM_PAINT, so nothing is painted between the
// halves, and rows that come between change nothing the list knows.
static void CALLBACK PaintNewRows(HWND list, UINT, UINT_PTR, DWORD)
{
    if (!RowsUnpainted) {
        KillTimer(list, RowPaintTimer);
        RowTimerRunning = false;
    }
    RowsUnpainted = false;
    ListPainting.store(true);
    TellRowCount(list);
    ListPainting.store(false);
    PostMessageW(MainWindow, WM_APP_SHOW_NEWEST_ROW, 0, 0);
}

// The newest row the list knows of comes into view while the list follows;
// else rows come below the view and nothing on screen moves. What is marked is
// painted at once: a paint left to WM_PAINT would wait behind the worker's
// messages. Nothing is validated unpainted, so damage from outside, to the
// header or the frame, is painted here too.
void ShowNewestRow()
{
    ListPainting.store(true);
    const int rows = int(SendMessageW(ResultList, LVM_GETITEMCOUNT, 0, 0));
    if (rows > 0 && ListFollowing)
        SendMessageW(ResultList, LVM_ENSUREVISIBLE, rows - 1, TRUE);
    RedrawWindow(ResultList, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ListPainting.store(false);
}

static void StartRowPaints()
{
    RowsUnpainted = true;
    // Runs until a tick finds nothing new, so the pace does not slip by the
    // paint's own time.
    if (!RowTimerRunning) {
        RowTimerRunning = true;
        SetTimer(ResultList, RowPaintTimer, RowPaintMs, PaintNewRows);
    }
}

// Runs on the user-interface thread (the worker sends the rows in a
// message), so RowCount has one writer and Clear never splits a row.
void AddResultRow(const char* keyText, const char* timeText)
{
    StartRowPaints();
    // A row that cannot be kept (no memory) is left out: the next row takes
    // its number.
    if (StoreRowTexts(keyText, timeText))
        RowCount += 1;
}

void AddFoundRows(const FoundRowBatch& batch)
{
    // Rows the walk held across a Clear were found before it.
    if (batch.clears != ClearCount.load())
        return;
    for (int i = 0; i < batch.count && i < BatchRowCapacity; ++i) {
        const char* keyText = batch.text.data() + batch.keyAt[i];
        AddResultRow(keyText, keyText + strlen(keyText) + 1);
    }
}

// The list holds no rows, so a row's number is its position: rows are only
// ever added at the end and cleared all at once. Texts go out in UTF-16,
// so a key's name reads as the registry holds it.
void ShowRowText(NMLVDISPINFOW* request)
{
    LVITEMW& item = request->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
        return;
    char number[16];
    if (item.iSubItem == NumberColumn)
        snprintf(number, sizeof number, "%i", item.iItem + 1);
    const char* text = item.iSubItem == NumberColumn ? number
                     : item.iSubItem == KeyColumn ? StoredKeyText(item.iItem)
                     : item.iSubItem == TimeColumn ? StoredTimeText(item.iItem) : nullptr;
    DecodeUtf8(text ? text : "", -1, item.pszText, item.cchTextMax);
}

// Read back as anyone reads it, so what is opened or copied is what is shown.
void ReadKeyPath(int item, wchar_t* text, int size)
{
    text[0] = L'\0';
    LVITEMW row{};
    row.iSubItem = KeyColumn;
    row.pszText = text;
    row.cchTextMax = size;
    SendMessageW(ResultList, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&row));
    text[size - 1] = L'\0';
}

// At the scan's end the last rows are shown at once, not at the next tick;
// the list knows them all on return, and the paint's second half follows.
void ShowLatestRows()
{
    if (RowTimerRunning)
        PaintNewRows(ResultList, WM_TIMER, RowPaintTimer, 0);
}

// The list keeps no rows: a count of none empties it (and its selection)
// at the same cost for any number, where LVM_DELETEALLITEMS visits each
// (57 ms for 2,000,000 under Wine). The store gives its blocks back whole.
void ClearResults()
{
    SendMessageW(ResultList, LVM_SETITEMCOUNT, 0, 0);
    ClearRowStore();
    RowCount = 0;
    ClearCount.fetch_add(1);
    ListFollowing = true;
    FitColumns(ResultList);
}
