// The numbered list of found keys.
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <array>
#include <cstdio>

int32_t RowCount;

static constexpr std::array<const char*, 3> ColumnTitles = {"#", "Key", "LastWriteTime"};
static constexpr int NumberWidth = 40;
static constexpr int TimeWidth = 120;

static void SetColumnWidth(HWND list, int column, int width)
{
    // Only a real change is sent: each one relays out and repaints the header.
    if (SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0) == width)
        return;
    LVCOLUMNA col{};
    col.mask = LVCF_WIDTH;
    col.cx = width;
    SendMessageA(list, LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
}

void SetupResultList(HWND list)
{
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

// Runs on the user-interface thread (the worker sends each row in one
// message), so RowCount has one writer and Clear never splits a row.
void AddResultRow(const char* keyText, const char* timeText)
{
    char number[48];
    LVITEMA item{};
    item.iItem = RowCount;
    SendMessageA(ResultList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    snprintf(number, sizeof number, "%i", RowCount + 1);
    SetRowText(RowCount, 0, number);
    SetRowText(RowCount, 1, keyText);
    SetRowText(RowCount, 2, timeText);
    FitColumns(ResultList);
    SendMessageA(ResultList, LVM_ENSUREVISIBLE, RowCount, TRUE);
    RowCount += 1;
}

void ClearResults()
{
    SendMessageA(ResultList, LVM_DELETEALLITEMS, 0, 0);
    FitColumns(ResultList);
    RowCount = 0;
}
