// Drives the real Quillmere.exe from another process, as a user would:
// real keyboard and mouse input (SendInput), control texts and list rows
// read back across the process boundary.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "resources/resource.h"
#include <functional>
#include <string>
#include <vector>

struct RunningApp {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

// Starts an executable from the test's own folder and waits for its first
// visible window of that class.
RunningApp Launch(const char* exeName = "Quillmere.exe", const char* windowClass = MAINWINDOW_CLASS);
HWND FindProcessWindow(DWORD pid, const char* className);
// Presses Tab until the control has the focus; false if it never gets it.
bool TabTo(const RunningApp& app, int id);
// Clicks the window's close box, found by hit-testing its caption.
void ClickCloseBox(HWND window);
// Exit code once the process has ended, or STILL_ACTIVE after the timeout.
DWORD WaitExit(RunningApp& app, DWORD timeoutMs);
void Kill(RunningApp& app);

HWND Control(const RunningApp& app, int id);
std::string Text(HWND hwnd);
// Input reaches the program's queue at once but is handled in its own time:
// waits until the control shows the text the input should have produced.
bool WaitForText(HWND hwnd, const std::string& text, DWORD timeoutMs = 3000);
bool Responsive(HWND hwnd, DWORD timeoutMs = 1000);
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 30000);
std::string ExeDirectory();

// Real input.
void Activate(HWND hwnd);
void MoveMouseTo(POINT screen);
void ClickAt(POINT screen, bool twice = false);
void RightClickAt(POINT screen);
void Click(HWND control, bool twice = false);
void PressKey(WORD vk, bool ctrl = false, bool alt = false, bool shift = false);
// Characters typed as a keyboard of any language would type them.
void TypeText(const std::wstring& text);
HWND FocusedWindow(const RunningApp& app);
// The About box opened as a user opens it: Alt+Space, Up to the system
// menu's last item, Enter. The box, or null if none shows.
HWND OpenAboutFromSystemMenu(const RunningApp& app);

// Texts in UTF-8, as the tests compare them.
std::string Utf8Of(const std::wstring& text);
std::wstring WideOf(const std::string& text);

// The result list and pickers of the other process; row texts read in UTF-16.
int RowCount(HWND list);
std::string RowText(const RunningApp& app, HWND list, int row, int column);
std::vector<std::string> RowPaths(const RunningApp& app, HWND list);
RECT RowRect(const RunningApp& app, HWND list, int row);   // screen coordinates
SYSTEMTIME PickerTime(const RunningApp& app, HWND picker);
void SetPickerTime(const RunningApp& app, HWND picker, const SYSTEMTIME& time);
// Sets the states in mask of one row (-1: every row) to those in state.
void SetRowState(const RunningApp& app, HWND list, int row, UINT state, UINT mask);

// Waits for the status line's "%i keys are scanned".
bool WaitScanned(const RunningApp& app, DWORD timeoutMs = 120000);

// Registry helpers for the tests' own keys.
void CreateKeyPath(HKEY hive, const std::string& path);
void DeleteKeyTree(HKEY hive, const std::string& path);
bool KeyExists(HKEY hive, const std::string& path);
std::string ReadString(HKEY hive, const std::string& path, const char* value);   // UTF-8
void SetString(HKEY hive, const std::string& path, const char* value, const std::string& text);

// ---- Process-wide views, for the hardening suite -------------------------
int ThreadCount(DWORD pid);
// Visible top-level windows of a process, of any class.
std::vector<HWND> ProcessWindows(DWORD pid);
// Processes whose parent is pid (snapshot; ids can be reused only after exit).
std::vector<DWORD> ChildProcesses(DWORD pid);
// Children, their children and so on, with their executable names.
std::vector<std::pair<DWORD, std::string>> DescendantProcesses(DWORD pid);
void TerminateById(DWORD pid);
// Every running process of that executable name (any case), by id.
std::vector<DWORD> ProcessesNamed(const char* exeName);

// A command as the window's own control would send it, posted across the
// process boundary; hive toggles flip their check first, as a click does.
void PostCommand(const RunningApp& app, int id);
// Start and Pause posted together: the window takes both before the worker
// could walk a large root, so the scan is paused near its start however
// fast the machine. False if it is not paused.
bool StartPaused(const RunningApp& app);
// Resume posted, for an action that must find the scan running: it has a
// large root almost whole ahead of it.
void ResumeScan(const RunningApp& app);
// The number in "%i keys are scanned", or -1 while the text is another.
int ScannedCount(const RunningApp& app);
// One column of every row, read through one buffer in the other process.
std::vector<std::string> ColumnTexts(const RunningApp& app, HWND list, int column);
// From one day back with the keyboard: the day field, then Down.
bool MoveFromBackOneDay(const RunningApp& app);
// Before one day ahead the same way, for keys written while the scan runs.
bool MoveBeforeAheadOneDay(const RunningApp& app);

// Keys with names outside the ANSI code page.
bool CreateKeyPathW(HKEY hive, const std::wstring& path);
// Runs a console program, its standard output into a string.
bool RunCapture(const std::string& commandLine, std::string* output, DWORD timeoutMs = 120000);
// The 64-bit reg.exe, seeing the native view as the program does.
std::string NativeRegExe();

// ---- For the DPI tests ---------------------------------------------------
// LVM_GETSTRINGWIDTHA of text in the list's own font.
int ListStringWidth(const RunningApp& app, HWND list, const std::string& text);
// DTM_GETIDEALSIZE: what the picker needs to show its value uncut.
SIZE PickerIdealSize(const RunningApp& app, HWND picker);
