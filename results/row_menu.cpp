// The result list's context menu: a row's actions, or the whole list's
// outside the rows. Each item runs what its key runs.
#include "results/results.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <windowsx.h>

// The popups of IDR_ROW_MENU.
static constexpr int RowMenuAt = 0;
static constexpr int ListMenuAt = 1;

// The row under a click; the list has selected it already, as lists do.
static int RowAt(POINT screen)
{
    LVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(ResultList, &hit.pt);
    const int row = int(SendMessageW(ResultList, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return row >= 0 && (hit.flags & LVHT_ONITEM) ? row : -1;
}

// From the keyboard: below the selected row's key, brought into view; with
// none selected, at the list's top left corner.
static POINT KeyboardMenuPoint(int row)
{
    POINT at{0, 0};
    if (row >= 0) {
        SendMessageW(ResultList, LVM_ENSUREVISIBLE, row, FALSE);
        RECT cell{};
        cell.top = KeyColumn;
        cell.left = LVIR_LABEL;
        if (SendMessageW(ResultList, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell)))
            at = {cell.left, cell.bottom};
    }
    ClientToScreen(ResultList, &at);
    return at;
}

static void RunRowCommand(UINT command, int row)
{
    const bool listed = row >= 0 && row < RowCount;
    if (command == IDM_OPEN_ROW && listed)
        OpenInRegistryEditor(row);
    else if (command == IDM_COPY_KEY_PATH && listed)
        CopyKeyPath(row);
    else if (command == IDM_COPY_ALL_ROWS)
        CopyAllRows();
    else if (command == IDM_FIND)
        OpenFindDialog();
}

void ShowRowMenu(LPARAM at)
{
    POINT screen{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    const bool fromKeyboard = screen.x == -1 && screen.y == -1;
    const int row = fromKeyboard ? SelectedRow() : RowAt(screen);
    if (fromKeyboard)
        screen = KeyboardMenuPoint(row);
    HMENU menus = LoadMenuW(Instance, MAKEINTRESOURCEW(IDR_ROW_MENU));
    if (!menus)
        return;
    HMENU menu = GetSubMenu(menus, row >= 0 ? RowMenuAt : ListMenuAt);
    SetMenuDefaultItem(menu, IDM_OPEN_ROW, FALSE);
    if (RowCount == 0)
        EnableMenuItem(menu, IDM_COPY_ALL_ROWS, MF_BYCOMMAND | MF_GRAYED);
    // The choice comes back here, not as a command to the window: the
    // window's own command ids are another set.
    const UINT command = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                             screen.x, screen.y, 0, MainWindow, nullptr));
    DestroyMenu(menus);
    RunRowCommand(command, row);
}
