// Opens a listed key in the system's registry editor through its "LastKey".
#include "results/results.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include <commctrl.h>

static const wchar_t RegeditSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

// By its bare name the shell looks in the current folder and the program's
// own first, where anyone may have left a regedit.exe. The system's Windows
// folder, not GetWindowsDirectory's: on a terminal server that one can be a
// private folder of the user's.
static bool FindSystemEditor(wchar_t (&path)[MAX_PATH])
{
    static const wchar_t EditorName[] = L"regedit.exe";
    UINT length = GetSystemWindowsDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (path[length - 1] != L'\\')
        path[length++] = L'\\';
    if (length + sizeof EditorName / sizeof EditorName[0] > MAX_PATH)
        return false;
    lstrcpyW(path + length, EditorName);
    return true;
}

// Wine's ntdll exports wine_get_version, Windows' does not. Only the
// editor's command line depends on it.
static bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Windows' editor runs once: started again, it only brings its window
// forward at the key it shows, unless "-m" asks for another. Wine's opens
// another anyway and takes any argument for a file to import.
static const wchar_t* EditorSwitches(bool onWine)
{
    return onWine ? L"" : L"-m";
}

bool MakeEditorCommandLine(const wchar_t* editor, bool onWine, wchar_t* line, int size)
{
    const wchar_t* switches = EditorSwitches(onWine);
    const int editorLength = lstrlenW(editor), switchesLength = lstrlenW(switches);
    if (editorLength + 2 + (switchesLength ? 1 + switchesLength : 0) + 1 > size)
        return false;
    int at = 0;
    line[at++] = L'"';
    lstrcpyW(line + at, editor);
    at += editorLength;
    line[at++] = L'"';
    if (switchesLength) {
        line[at++] = L' ';
        lstrcpyW(line + at, switches);
        at += switchesLength;
    }
    line[at] = L'\0';
    return true;
}

// CreateProcessW's answer for a program that asks for elevation; absent
// from MinGW's winerror.h.
static constexpr DWORD ElevationRequired = 740;

// An administrator with consent on: the shell asks, then starts the native
// editor, since a start that shows the consent prompt is never redirected.
static void StartEditorWithConsent(const wchar_t* editor, bool onWine)
{
    const wchar_t* switches = EditorSwitches(onWine);
    StartWithShell(MainWindow, L"open", editor, *switches ? switches : nullptr);
}

// From a 32-bit process on 64-bit Windows the Windows folder's regedit.exe
// is redirected to the 32-bit editor in SysWOW64, which shows the 32-bit
// view of the registry, not the one the walk listed. Redirection is off
// for the CreateProcessW call alone: anything else the thread does then,
// loading a DLL included, would go to the native files.
static void StartSystemEditor()
{
    wchar_t editor[MAX_PATH];
    constexpr int CommandLineSize = MAX_PATH + 8;   // the quoted path and " -m"
    wchar_t commandLine[CommandLineSize];           // CreateProcessW may write to it
    const bool onWine = RunningOnWine();
    if (!FindSystemEditor(editor) || !MakeEditorCommandLine(editor, onWine, commandLine, CommandLineSize))
        return;
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64))
        return;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    PVOID redirection = nullptr;
    if (wow64 && !Wow64DisableWow64FsRedirection(&redirection))
        return;
    const BOOL started = CreateProcessW(editor, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &process);
    const DWORD error = started ? ERROR_SUCCESS : GetLastError();
    if (wow64)
        Wow64RevertWow64FsRedirection(redirection);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else if (error == ElevationRequired) {
        StartEditorWithConsent(editor, onWine);
    }
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
    wchar_t text[PathSize];
    ReadKeyPath(item, text, PathSize);
    if (!text[0])
        return;
    CutToEditorPath(text);
    // The editor makes its settings key the first time a user runs it;
    // until then it is made here, or the editor would open at its root.
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, RegeditSettings, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (RegSetValueExW(key, L"LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       DWORD(lstrlenW(text) + 1) * sizeof(wchar_t)) == ERROR_SUCCESS)
        StartSystemEditor();
    RegCloseKey(key);
}
