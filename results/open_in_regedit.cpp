// Opens a listed key in the system's registry editor through its "LastKey".
#include "results/results.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <shellapi.h>

static const char RegeditSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

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
static constexpr int EditorPathMax = 1023;

// Walked by characters: in a double-byte code page a trail byte can be a
// backslash's.
static void CutToEditorPath(char* path)
{
    if (lstrlenA(path) <= EditorPathMax)
        return;
    char* lastBackslash = path;
    for (char* at = path; *at && at - path <= EditorPathMax; at = CharNextA(at))
        if (*at == '\\')
            lastBackslash = at;
    *lastBackslash = '\0';
}

void OpenInRegistryEditor(int item)
{
    HKEY key;
    // Only opened, never created: no editor settings, no action.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RegeditSettings, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    char text[PathSize];
    ReadKeyPath(item, text, sizeof text);
    CutToEditorPath(text);
    if (RegSetValueExA(key, "LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       lstrlenA(text) + 1) == ERROR_SUCCESS)
        StartSystemEditor();
    RegCloseKey(key);
}
