// Drives the real Quillmere.exe from another process, as a user would:
// real keyboard and mouse input (SendInput), control texts and list rows
// read back across the process boundary.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

struct RunningApp {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

// Starts an executable from the test's own folder and waits for its first
// visible window of that class.
RunningApp Launch(const char* exeName = "Quillmere.exe", const char* windowClass = "KESTRAVEL");
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
bool Responsive(HWND hwnd, DWORD timeoutMs = 1000);
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 30000);
std::string ExeDirectory();

// Real input.
void Activate(HWND hwnd);
void MoveMouseTo(POINT screen);
void ClickAt(POINT screen, bool twice = false);
void Click(HWND control, bool twice = false);
void PressKey(WORD vk, bool ctrl = false, bool alt = false, bool shift = false);
HWND FocusedWindow(const RunningApp& app);

// The result list and pickers of the other process.
int RowCount(HWND list);
std::string RowText(const RunningApp& app, HWND list, int row, int column);
std::vector<std::string> RowPaths(const RunningApp& app, HWND list);
RECT RowRect(const RunningApp& app, HWND list, int row);   // screen coordinates
SYSTEMTIME PickerTime(const RunningApp& app, HWND picker);

// Waits for the status line's "%i keys are scanned".
bool WaitScanned(const RunningApp& app, DWORD timeoutMs = 120000);

// Registry helpers for the tests' own keys.
void CreateKeyPath(HKEY hive, const std::string& path);
void DeleteKeyTree(HKEY hive, const std::string& path);
bool KeyExists(HKEY hive, const std::string& path);
std::string ReadString(HKEY hive, const std::string& path, const char* value);
