// A row's tip: its whole key path, when the Key column shows it cut.
#include "results/results.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include <commctrl.h>

static bool FitsKeyColumn(const wchar_t* path)
{
    const int width = int(SendMessageW(ResultList, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(path)));
    const int room = int(SendMessageW(ResultList, LVM_GETCOLUMNWIDTH, KeyColumn, 0)) - CellPadding;
    return width <= room;
}

// Asked for the row, whichever column is under the mouse. An empty text
// shows no tip.
void ShowRowTip(NMLVGETINFOTIPW* request)
{
    if (!request->pszText || request->cchTextMax <= 0)
        return;
    request->pszText[0] = L'\0';
    if (request->iItem < 0 || request->iItem >= RowCount)
        return;
    wchar_t path[PathSize];
    ReadKeyPath(request->iItem, path, PathSize);
    if (!FitsKeyColumn(path))
        CopyWholeCharacters(request->pszText, path, request->cchTextMax);
}
