#include "driver.h"
#include "resources/resource.h"
#include <cstdio>
#include <tlhelp32.h>
#include <algorithm>

std::string ExeDirectory()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

struct WindowSearch {
    DWORD pid;
    const char* className;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (pid == search->pid && IsWindowVisible(hwnd) && (!search->className || !lstrcmpA(name, search->className))) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindProcessWindow(DWORD pid, const char* className)
{
    WindowSearch search{pid, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RunningApp Launch(const char* exeName, const char* windowClass)
{
    RunningApp app;
    std::string command = "\"" + ExeDirectory() + exeName + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &app.process))
        return app;
    WaitForInputIdle(app.process.hProcess, 10000);
    WaitFor([&] { return (app.window = FindProcessWindow(app.process.dwProcessId, windowClass)) != nullptr; }, 20000);
    if (app.window)
        Activate(app.window);
    return app;
}

DWORD WaitExit(RunningApp& app, DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(app.process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(app.process.hProcess, &code);
    return code;
}

void Kill(RunningApp& app)
{
    if (app.process.hProcess && WaitForSingleObject(app.process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(app.process.hProcess, 1);
        WaitForSingleObject(app.process.hProcess, 5000);
    }
    if (app.process.hProcess) {
        CloseHandle(app.process.hProcess);
        CloseHandle(app.process.hThread);
    }
    app.process = {};
}

HWND Control(const RunningApp& app, int id)
{
    return GetDlgItem(app.window, id);
}

std::string Text(HWND hwnd)
{
    char text[8192] = "";
    DWORD_PTR result;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result);
    return text;
}

bool WaitForText(HWND hwnd, const std::string& text, DWORD timeoutMs)
{
    return WaitFor([&] { return Text(hwnd) == text; }, timeoutMs);
}

bool Responsive(HWND hwnd, DWORD timeoutMs)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

void Activate(HWND hwnd)
{
    SetForegroundWindow(hwnd);
    WaitFor([&] { return GetForegroundWindow() == hwnd; }, 3000);
    Sleep(50);
}

static void Send(INPUT* inputs, UINT count)
{
    SendInput(count, inputs, sizeof(INPUT));
    Sleep(30);
}

// Every mouse event carries its absolute position: Wine does not apply an
// injected move to button events sent in a later call.
static INPUT MouseInput(POINT screen, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

void MoveMouseTo(POINT screen)
{
    INPUT input = MouseInput(screen, 0);
    Send(&input, 1);
}

void ClickAt(POINT screen, bool twice)
{
    INPUT inputs[4] = {MouseInput(screen, MOUSEEVENTF_LEFTDOWN), MouseInput(screen, MOUSEEVENTF_LEFTUP),
                       MouseInput(screen, MOUSEEVENTF_LEFTDOWN), MouseInput(screen, MOUSEEVENTF_LEFTUP)};
    SendInput(twice ? 4 : 2, inputs, sizeof(INPUT));
    Sleep(200);
}

void RightClickAt(POINT screen)
{
    INPUT inputs[2] = {MouseInput(screen, MOUSEEVENTF_RIGHTDOWN), MouseInput(screen, MOUSEEVENTF_RIGHTUP)};
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(200);
}

void Click(HWND control, bool twice)
{
    RECT rect;
    GetWindowRect(control, &rect);
    ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, twice);
}

void PressKey(WORD vk, bool ctrl, bool alt, bool shift)
{
    std::vector<INPUT> inputs;
    auto key = [&](WORD code, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (ctrl) key(VK_CONTROL, false);
    if (alt) key(VK_MENU, false);
    if (shift) key(VK_SHIFT, false);
    key(vk, false);
    key(vk, true);
    if (shift) key(VK_SHIFT, true);
    if (alt) key(VK_MENU, true);
    if (ctrl) key(VK_CONTROL, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(120);
}

void TypeText(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t c : text)
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(input);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(120);
}

HWND FocusedWindow(const RunningApp& app)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(app.process.dwThreadId, &info);
    return info.hwndFocus;
}

HWND OpenAboutFromSystemMenu(const RunningApp& app)
{
    PressKey(VK_SPACE, false, true);
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    HWND about = nullptr;
    WaitFor([&] { return (about = FindProcessWindow(app.process.dwProcessId, "#32770")) != nullptr; }, 5000);
    return about;
}

int RowCount(HWND list)
{
    DWORD_PTR count = 0;
    SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
    return static_cast<int>(count);
}

// Memory in the other process for messages that carry pointers.
struct RemoteBuffer {
    RemoteBuffer(HANDLE process, SIZE_T size) : process(process)
    {
        address = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteBuffer() { VirtualFreeEx(process, address, 0, MEM_RELEASE); }
    void Write(SIZE_T offset, const void* data, SIZE_T size) { WriteProcessMemory(process, address + offset, data, size, nullptr); }
    void Read(SIZE_T offset, void* data, SIZE_T size) { ReadProcessMemory(process, address + offset, data, size, nullptr); }
    HANDLE process;
    char* address;
};

std::string Utf8Of(const std::wstring& text)
{
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), int(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::wstring WideOf(const std::string& text)
{
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), int(wide.size()));
    return wide;
}

// A row's text in UTF-16, as the list holds it, through a buffer in the
// program's process.
static std::wstring ReadRowText(HWND list, RemoteBuffer& remote, int row, int column)
{
    constexpr int textUnits = 8192;
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote.address + sizeof(LVITEMW));
    item.cchTextMax = textUnits;
    remote.Write(0, &item, sizeof item);
    const wchar_t none = L'\0';
    remote.Write(sizeof(LVITEMW), &none, sizeof none);
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.address), SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(textUnits, L'\0');
    remote.Read(sizeof(LVITEMW), text.data(), textUnits * sizeof(wchar_t));
    text.resize(wcsnlen(text.data(), textUnits));
    return text;
}

static constexpr SIZE_T RowBufferSize = sizeof(LVITEMW) + 8192 * sizeof(wchar_t);

std::string RowText(const RunningApp& app, HWND list, int row, int column)
{
    RemoteBuffer remote(app.process.hProcess, RowBufferSize);
    return Utf8Of(ReadRowText(list, remote, row, column));
}

std::vector<std::string> RowPaths(const RunningApp& app, HWND list)
{
    std::vector<std::string> paths;
    for (int row = 0, rows = RowCount(list); row < rows; ++row)
        paths.push_back(RowText(app, list, row, 1));
    return paths;
}

RECT RowRect(const RunningApp& app, HWND list, int row)
{
    RemoteBuffer remote(app.process.hProcess, sizeof(RECT));
    RECT rect{LVIR_BOUNDS, 0, 0, 0};
    remote.Write(0, &rect, sizeof rect);
    DWORD_PTR ok;
    SendMessageTimeoutA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.address), SMTO_ABORTIFHUNG, 5000, &ok);
    remote.Read(0, &rect, sizeof rect);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void SetRowState(const RunningApp& app, HWND list, int row, UINT state, UINT mask)
{
    RemoteBuffer remote(app.process.hProcess, sizeof(LVITEMA));
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    remote.Write(0, &item, sizeof item);
    DWORD_PTR ok;
    SendMessageTimeoutA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote.address), SMTO_ABORTIFHUNG, 5000, &ok);
}

SYSTEMTIME PickerTime(const RunningApp& app, HWND picker)
{
    RemoteBuffer remote(app.process.hProcess, sizeof(SYSTEMTIME));
    SYSTEMTIME st{};
    DWORD_PTR result;
    SendMessageTimeoutA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(remote.address), SMTO_ABORTIFHUNG, 5000, &result);
    remote.Read(0, &st, sizeof st);
    return st;
}

void SetPickerTime(const RunningApp& app, HWND picker, const SYSTEMTIME& time)
{
    RemoteBuffer remote(app.process.hProcess, sizeof(SYSTEMTIME));
    remote.Write(0, &time, sizeof time);
    DWORD_PTR result;
    SendMessageTimeoutA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote.address), SMTO_ABORTIFHUNG, 5000, &result);
}

bool WaitScanned(const RunningApp& app, DWORD timeoutMs)
{
    HWND status = Control(app, IDC_STATUS);
    return WaitFor([&] {
        return Text(status).find(" keys are scanned") != std::string::npos
            && Text(Control(app, IDC_START)) == "Start";
    }, timeoutMs);
}

// Level by level: a whole path may be longer than one name may be.
void CreateKeyPath(HKEY hive, const std::string& path)
{
    HKEY key = hive;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        HKEY sub;
        LONG result = RegCreateKeyExA(key, path.substr(start, end - start).c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &sub, nullptr);
        if (key != hive)
            RegCloseKey(key);
        if (result != ERROR_SUCCESS)
            return;
        key = sub;
        start = end + 1;
    }
    if (key != hive)
        RegCloseKey(key);
}

void DeleteKeyTree(HKEY hive, const std::string& path)
{
    RegDeleteTreeA(hive, path.c_str());
    RegDeleteKeyExA(hive, path.c_str(), KEY_WOW64_64KEY, 0);
}

bool KeyExists(HKEY hive, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void SetString(HKEY hive, const std::string& path, const char* value, const std::string& text)
{
    RegSetKeyValueA(hive, path.c_str(), value, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string ReadString(HKEY hive, const std::string& path, const char* value)
{
    HKEY key;
    if (RegOpenKeyExW(hive, WideOf(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    wchar_t data[4096] = L"";
    DWORD size = sizeof data - sizeof data[0], type = 0;
    const std::wstring name = value ? WideOf(value) : std::wstring();
    const LONG result = RegQueryValueExW(key, value ? name.c_str() : nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return {};
    return Utf8Of(data);
}

bool TabTo(const RunningApp& app, int id)
{
    for (int i = 0; i < 20; ++i) {
        HWND focus = FocusedWindow(app);
        if (GetDlgCtrlID(focus) == id && GetParent(focus) == app.window)
            return true;
        PressKey(VK_TAB);
        // One Tab at a time: the next only once this one has moved the focus.
        WaitFor([&] { return FocusedWindow(app) != focus; }, 1000);
    }
    return false;
}

void ClickCloseBox(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    for (int y = rect.top + 2; y < rect.top + 40; y += 2)
        for (int x = rect.right - 2; x > rect.right - 60; x -= 2) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
            if (hit == HTCLOSE) {
                ClickAt({x, y});
                return;
            }
        }
}

int ThreadCount(DWORD pid)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == pid;
    CloseHandle(snapshot);
    return count;
}

struct WindowList {
    DWORD pid;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam)
{
    auto* list = reinterpret_cast<WindowList*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == list->pid && IsWindowVisible(hwnd))
        list->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> ProcessWindows(DWORD pid)
{
    WindowList list{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
    return list.found;
}

// Every process now running, as the system lists them.
static std::vector<PROCESSENTRY32> AllProcesses()
{
    std::vector<PROCESSENTRY32> all;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return all;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        all.push_back(entry);
    CloseHandle(snapshot);
    return all;
}

std::vector<DWORD> ChildProcesses(DWORD pid)
{
    std::vector<DWORD> children;
    for (const PROCESSENTRY32& process : AllProcesses())
        if (process.th32ParentProcessID == pid && process.th32ProcessID != pid)
            children.push_back(process.th32ProcessID);
    return children;
}

std::vector<std::pair<DWORD, std::string>> DescendantProcesses(DWORD pid)
{
    const std::vector<PROCESSENTRY32> all = AllProcesses();
    std::vector<std::pair<DWORD, std::string>> found;
    std::vector<DWORD> parents{pid};
    for (size_t next = 0; next < parents.size(); ++next)
        for (const PROCESSENTRY32& process : all)
            if (process.th32ParentProcessID == parents[next] && process.th32ProcessID != pid
                && std::find(parents.begin(), parents.end(), process.th32ProcessID) == parents.end()) {
                parents.push_back(process.th32ProcessID);
                found.emplace_back(process.th32ProcessID, process.szExeFile);
            }
    return found;
}

std::vector<DWORD> ProcessesNamed(const char* exeName)
{
    std::vector<DWORD> found;
    for (const PROCESSENTRY32& process : AllProcesses())
        if (!lstrcmpiA(process.szExeFile, exeName))
            found.push_back(process.th32ProcessID);
    return found;
}

void TerminateById(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process)
        return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

void PostCommand(const RunningApp& app, int id)
{
    HWND control = Control(app, id);
    if (id >= IDC_HIVE_HKCR && id <= IDC_HIVE_HKU && id != IDC_STATUS) {
        // A pushlike toggle flips its check before it notifies its parent.
        DWORD_PTR state = 0;
        SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
        PostMessageA(control, BM_SETCHECK, state == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    WORD code = id >= IDA_ZERO_FROM_TIME ? 1 : BN_CLICKED;   // accelerators say 1
    PostMessageA(app.window, WM_COMMAND, MAKEWPARAM(id, code),
                 id >= IDA_ZERO_FROM_TIME ? 0 : reinterpret_cast<LPARAM>(control));
}

bool StartPaused(const RunningApp& app)
{
    PostCommand(app, IDC_START);
    PostCommand(app, IDC_PAUSE);
    return WaitForText(Control(app, IDC_PAUSE), "Resume") && Text(Control(app, IDC_START)) == "Stop";
}

void ResumeScan(const RunningApp& app)
{
    PostCommand(app, IDC_PAUSE);
}

int ScannedCount(const RunningApp& app)
{
    static const std::string suffix = " keys are scanned";
    const std::string text = Text(Control(app, IDC_STATUS));
    if (text.size() <= suffix.size() || text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
        return -1;
    return atoi(text.c_str());
}

std::vector<std::string> ColumnTexts(const RunningApp& app, HWND list, int column)
{
    std::vector<std::string> texts;
    RemoteBuffer remote(app.process.hProcess, RowBufferSize);
    for (int row = 0, rows = RowCount(list); row < rows; ++row)
        texts.push_back(Utf8Of(ReadRowText(list, remote, row, column)));
    return texts;
}

// The day's place among the date's fields follows the locale's format, so
// each field in turn is stepped once and put back unless it is the day.
// Putting a month back on the 29th to the 31st may shorten the day; the day
// field then steps on until the date is one day off where it started.
static bool ShiftDateOneDay(const RunningApp& app, int pickerId, WORD key, int64_t expected)
{
    if (!TabTo(app, pickerId))
        return false;
    HWND picker = Control(app, pickerId);
    auto ticks = [&] {
        SYSTEMTIME shown = PickerTime(app, picker);
        FILETIME ft;
        SystemTimeToFileTime(&shown, &ft);
        return static_cast<int64_t>((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    };
    const int64_t target = ticks() + expected;
    for (int field = 0; field < 6; ++field) {
        PressKey(VK_RIGHT);
        const SYSTEMTIME before = PickerTime(app, picker);
        PressKey(key);
        const SYSTEMTIME after = PickerTime(app, picker);
        if (after.wYear == before.wYear && after.wMonth == before.wMonth && after.wDay != before.wDay) {
            for (int step = 0; step < 31 && ticks() != target; ++step)
                PressKey(key);
            return ticks() == target;
        }
        PressKey(key == VK_DOWN ? VK_UP : VK_DOWN);
    }
    return false;
}

bool MoveFromBackOneDay(const RunningApp& app)
{
    return ShiftDateOneDay(app, IDC_FROM_DATE, VK_DOWN, -24LL * 3600 * 10000000);
}

bool MoveBeforeAheadOneDay(const RunningApp& app)
{
    return ShiftDateOneDay(app, IDC_BEFORE_DATE, VK_UP, 24LL * 3600 * 10000000);
}

bool CreateKeyPathW(HKEY hive, const std::wstring& path)
{
    HKEY key;
    if (RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool RunCapture(const std::string& commandLine, std::string* output, DWORD timeoutMs)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::string command = commandLine;
    BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    output->clear();
    char chunk[65536];
    DWORD got;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got)
        output->append(chunk, got);
    CloseHandle(readEnd);
    bool ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return ended && code == 0;
}

std::string NativeRegExe()
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return std::string(windows) + (wow64 ? "\\Sysnative\\reg.exe" : "\\System32\\reg.exe");
}

int ListStringWidth(const RunningApp& app, HWND list, const std::string& text)
{
    RemoteBuffer remote(app.process.hProcess, text.size() + 1);
    remote.Write(0, text.c_str(), text.size() + 1);
    DWORD_PTR width = 0;
    SendMessageTimeoutA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(remote.address), SMTO_ABORTIFHUNG, 5000, &width);
    return static_cast<int>(width);
}

SIZE PickerIdealSize(const RunningApp& app, HWND picker)
{
    RemoteBuffer remote(app.process.hProcess, sizeof(SIZE));
    SIZE size{};
    remote.Write(0, &size, sizeof size);
    DWORD_PTR result;
    SendMessageTimeoutA(picker, DTM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(remote.address), SMTO_ABORTIFHUNG, 5000, &result);
    remote.Read(0, &size, sizeof size);
    return size;
}
