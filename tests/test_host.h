// Hosts the program's code in a real main window, with registry fixtures.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

// Creates the main window from the real template once per process.
HWND HostWindow();

// Dispatches messages until done() holds or the time runs out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000);
void PumpFor(DWORD milliseconds);

// Walks one key on this thread as a scan of its own, like the worker does.
void WalkKey(HKEY key, const char* keyName);

// Time window covering every possible key, or exactly [from, before].
void OpenTimeWindowWide();
void SetTimeWindowTicks(int64_t from, int64_t before);

// The result list and the status line as the user sees them, in UTF-8.
std::string Utf8Of(const std::wstring& text);
std::string RowText(int row, int column);
int ListRowCount();
void RecordStatusTexts(std::vector<std::string>* sink,    // nullptr stops recording
                       std::function<void(const std::string&)> onText = {});
std::string WindowText(HWND hwnd);
// A local file time as a row shows it: day.month.year hour:minute:second.
std::string TimeTextOf(int64_t localTicks);
void ResetScanState();                                     // Idle, empty list

// A key of the test's own under HKCU\Software\QuillmereTest, removed afterwards.
struct RegistryFixture {
    explicit RegistryFixture(const char* caseName, HKEY hive = HKEY_CURRENT_USER, REGSAM view = KEY_WOW64_64KEY);
    ~RegistryFixture();
    void Add(const std::string& relativePath);      // creates every missing level
    void AddW(const std::wstring& relativePath);    // names outside the code page
    HKEY Open() const;                              // caller closes
    int64_t LocalWriteTime(const std::string& relativePath) const;
    void DeleteTree();
    HKEY hive;
    REGSAM view;
    std::string path;                               // below the hive
};
