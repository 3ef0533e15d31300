#include "test_host.h"
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <climits>
#include <cstdio>

HWND HostWindow()
{
    static HWND hwnd = [] {
        LoadCommonControls();
        return OpenMainWindow();
    }();
    return hwnd;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

void WalkKey(HKEY key, const char* keyName)
{
    HostWindow();
    if (!ScanGate)
        ScanGate = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ScanRunning.store(1);
    ScanKeyTree(key, keyName);
    ScanRunning.store(0);
    ShowLatestRows();           // as at a scan's end: the list knows every row
}

void SetTimeWindowTicks(int64_t from, int64_t before)
{
    TimeWindow.From.asFileTime.store(from);
    TimeWindow.Before.asFileTime.store(before);
}

void OpenTimeWindowWide()
{
    SetTimeWindowTicks(LLONG_MIN, LLONG_MAX);
}

std::string Utf8Of(const std::wstring& text)
{
    std::string utf8(text.size() * 3, '\0');
    bool whole = false;
    utf8.resize(size_t(EncodeUtf8(text.data(), int(text.size()), utf8.data(), int(utf8.size()), whole)));
    return utf8;
}

std::string RowText(int row, int column)
{
    wchar_t text[8192] = L"";
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 8192;
    SendMessageW(ResultList, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return Utf8Of(text);
}

int ListRowCount()
{
    return static_cast<int>(SendMessageA(ResultList, LVM_GETITEMCOUNT, 0, 0));
}

static std::vector<std::string>* StatusSink;
static std::function<void(const std::string&)> StatusHook;
static WNDPROC StatusProc;

static LRESULT CALLBACK RecordingStatusProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT && StatusSink) {
        StatusSink->push_back(Utf8Of(reinterpret_cast<const wchar_t*>(lParam)));
        if (StatusHook)
            StatusHook(StatusSink->back());
    }
    return CallWindowProcW(StatusProc, hwnd, message, wParam, lParam);
}

void RecordStatusTexts(std::vector<std::string>* sink, std::function<void(const std::string&)> onText)
{
    StatusHook = std::move(onText);
    HostWindow();
    if (!StatusProc)
        StatusProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            StatusLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingStatusProc)));
    StatusSink = sink;
}

std::string WindowText(HWND hwnd)
{
    wchar_t text[8192] = L"";
    GetWindowTextW(hwnd, text, 8192);
    return Utf8Of(text);
}

std::string TimeTextOf(int64_t localTicks)
{
    const FILETIME time = TicksToFileTime(localTicks);
    SYSTEMTIME st;
    FileTimeToSystemTime(&time, &st);
    char text[64];
    snprintf(text, sizeof text, "%i.%i.%i %i:%i:%i", st.wDay, st.wMonth, st.wYear, st.wHour, st.wMinute, st.wSecond);
    return text;
}

void ResetScanState()
{
    HostWindow();
    PumpUntil([] { return WorkerThread == nullptr; });
    if (ScanPaused)
        TogglePause();
    for (int id : {IDC_HIVE_HKCR, IDC_HIVE_HKCU, IDC_HIVE_HKLM, IDC_HIVE_HKCC, IDC_HIVE_HKU}) {
        CheckDlgButton(MainWindow, id, BST_UNCHECKED);
        SelectHive(id, false);
    }
    ClearResults();
    SetWindowTextA(StatusLine, "");
}

RegistryFixture::RegistryFixture(const char* caseName, HKEY hiveKey, REGSAM registryView)
    : hive(hiveKey), view(registryView), path(std::string("Software\\QuillmereTest\\") + caseName)
{
    DeleteTree();
    Add("");
}

RegistryFixture::~RegistryFixture()
{
    DeleteTree();
    RegDeleteKeyExA(hive, "Software\\QuillmereTest", view, 0);  // only once it is empty
}

void RegistryFixture::DeleteTree()
{
    HKEY key;
    if (RegOpenKeyExA(hive, "Software\\QuillmereTest", 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, path.substr(path.rfind('\\') + 1).c_str());
        RegCloseKey(key);
    }
}

void RegistryFixture::Add(const std::string& relativePath)
{
    // Level by level, relative to the parent: a whole path may be longer
    // than the registry accepts in one name.
    HKEY key;
    if (RegCreateKeyExA(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    size_t start = 0;
    while (start < relativePath.size()) {
        size_t end = relativePath.find('\\', start);
        if (end == std::string::npos)
            end = relativePath.size();
        HKEY sub;
        LONG result = RegCreateKeyExA(key, relativePath.substr(start, end - start).c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS | view, nullptr, &sub, nullptr);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS)
            return;
        key = sub;
        start = end + 1;
    }
    RegCloseKey(key);
}

void RegistryFixture::AddW(const std::wstring& relativePath)
{
    std::wstring full(path.begin(), path.end());
    full += L"\\" + relativePath;
    HKEY key;
    if (RegCreateKeyExW(hive, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

HKEY RegistryFixture::Open() const
{
    HKEY key = nullptr;
    RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ | view, &key);
    return key;
}

int64_t RegistryFixture::LocalWriteTime(const std::string& relativePath) const
{
    std::string full = relativePath.empty() ? path : path + "\\" + relativePath;
    HKEY key;
    FILETIME utc{}, local{};
    if (RegOpenKeyExA(hive, full.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, &utc);
        RegCloseKey(key);
    }
    FileTimeToLocalFileTime(&utc, &local);
    return FileTimeTicks(local);
}
