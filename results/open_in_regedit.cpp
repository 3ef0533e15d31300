// Opens a listed key in the system's registry editor through its "LastKey".
#include "results/results.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <shellapi.h>

static const wchar_t RegeditSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

// By its bare name the shell looks in the current folder and the program's
// own first, where anyone may have left a regedit.exe. The system's Windows
// folder, not GetWindowsDirectory's: on a terminal server that one can be a
// private folder of the user's.
static bool FindSystemEditor(char (&path)[MAX_PATH])
{
    static const char EditorName[] = "regedit.exe";
    UINT length = GetSystemWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (path[length - 1] != '\\')
        path[length++] = '\\';
    if (length + sizeof EditorName > MAX_PATH)
        return false;
    lstrcpyA(path + length, EditorName);
    return true;
}

static void StartSystemEditor()
{
    char editor[MAX_PATH];
    if (FindSystemEditor(editor))
        ShellExecuteA(nullptr, "open", editor, nullptr, nullptr, SW_SHOWNORMAL);
}

// The editor takes at most this many characters of "LastKey". A longer
// path is cut after its last whole name that fits: cut inside a name, the
// text could spell a sibling's path, and the editor would open that key.
// Counted in UTF-16 units, as the editor counts; a backslash is never half
// of a pair.
static constexpr int EditorPathMax = 1023;

static void CutToEditorPath(wchar_t* path)
{
    if (lstrlenW(path) <= EditorPathMax)
        return;
    int lastBackslash = 0;
    for (int at = 0; at <= EditorPathMax; ++at)
        if (path[at] == L'\\')
            lastBackslash = at;
    path[lastBackslash] = L'\0';
}

void OpenInRegistryEditor(int item)
{
    HKEY key;
    // Only opened, never created: no editor settings, no action.
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RegeditSettings, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    wchar_t text[PathSize];
    ReadKeyPath(item, text, PathSize);
    CutToEditorPath(text);
    if (RegSetValueExW(key, L"LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       DWORD(lstrlenW(text) + 1) * sizeof(wchar_t)) == ERROR_SUCCESS)
        StartSystemEditor();
    RegCloseKey(key);
}
