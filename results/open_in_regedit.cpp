// Opens a listed key in the system's registry editor through its "LastKey".
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <shellapi.h>

static const char RegeditSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

void OpenInRegistryEditor(int item)
{
    HKEY key;
    // Only opened, never created: no editor settings, no action.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RegeditSettings, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    char text[1024] = "";
    LVITEMA row{};
    row.iSubItem = 1;
    row.pszText = text;
    row.cchTextMax = sizeof text;
    SendMessageA(ResultList, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&row));
    text[sizeof text - 1] = '\0';
    if (RegSetValueExA(key, "LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       lstrlenA(text) + 1) == ERROR_SUCCESS)
        ShellExecuteA(nullptr, "open", "regedit", nullptr, nullptr, SW_SHOWNORMAL);
    RegCloseKey(key);
}
