// The timed runs: the bare walk, scans through the main window with a
// thread pinging it, and reg.exe; the clock they share.
#include "bench/bench.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

constexpr REGSAM NativeView = KEY_WOW64_64KEY;

// ---- Clock ---------------------------------------------------------------

static double TickSeconds;

void StartClock()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    TickSeconds = 1.0 / double(frequency.QuadPart);
}

double Now()
{
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    return double(ticks.QuadPart) * TickSeconds;
}

int64_t LocalNowTicks()
{
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    return FileTimeTicks(local);
}

// ---- A4: the walk of four calls a key -------------------------------------

// The four registry calls a key that the walk once made (enumerate, open,
// ask for the subkey count, close), by UTF-16 names, and nothing else.
int BareWalk(HKEY key)
{
    int keys = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        FILETIME lastWrite;
        LONG result = RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, &lastWrite);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            return keys;
        ++keys;
        HKEY sub;
        if (RegOpenKeyExW(key, name, 0, MAXIMUM_ALLOWED | NativeView, &sub) != ERROR_SUCCESS)
            continue;
        DWORD subkeyCount = 0;
        if (RegQueryInfoKeyW(sub, nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS && subkeyCount)
            keys += BareWalk(sub);
        RegCloseKey(sub);
    }
}

// ---- B and C: scans through the main window --------------------------------

static void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
    PumpMessages();
}

// Start, then the message loop until the worker has reported its end.
double RunScan(int64_t from, int64_t before)
{
    TimeWindow.From.asFileTime.store(from);
    TimeWindow.Before.asFileTime.store(before);
    double start = Now();
    ToggleScan();
    while (WorkerThread || ScanRunning.load()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
    return Now() - start;
}

// ---- Round trips to the main window ----------------------------------------

constexpr size_t PingCapacity = 1 << 20;
static std::vector<double> PingSamples;    // reserved and touched up front: no growth while measuring
static std::atomic<int> Pinging{0};
static HANDLE PingStop;

static DWORD WINAPI PingMainWindow(void*)
{
    while (WaitForSingleObject(PingStop, 10) == WAIT_TIMEOUT) {
        if (!Pinging.load())
            continue;
        DWORD_PTR reply;
        double start = Now();
        SendMessageTimeoutA(MainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &reply);
        double took = Now() - start;
        if (Pinging.load() && PingSamples.size() < PingCapacity)
            PingSamples.push_back(took);
    }
    return 0;
}

static HANDLE Pinger;

void StartPinging()
{
    // Written once, so that its pages are resident before the resident set is read.
    PingSamples.resize(PingCapacity);
    PingSamples.clear();
    PingStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Pinger = CreateThread(nullptr, 0, PingMainWindow, nullptr, 0, nullptr);
}

void PingDuring(bool on)
{
    Pinging.store(on ? 1 : 0);
}

void StopPinging()
{
    SetEvent(PingStop);
    WaitForSingleObject(Pinger, INFINITE);
    CloseHandle(Pinger);
}

RoundTrips SummarizePings()
{
    RoundTrips trips{PingSamples.size(), 0, 0, 0};
    if (PingSamples.empty())
        return trips;
    std::sort(PingSamples.begin(), PingSamples.end());
    trips.median = PingSamples[PingSamples.size() / 2];
    trips.p99 = PingSamples[std::min(PingSamples.size() - 1, PingSamples.size() * 99 / 100)];
    trips.most = PingSamples.back();
    PingSamples.clear();
    return trips;
}

// ---- D: reg.exe ------------------------------------------------------------

double RunRegExe(const char* arguments, DWORD* exitCode)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    char commandLine[512];
    snprintf(commandLine, sizeof commandLine, "reg.exe %s", arguments);
    PROCESS_INFORMATION process{};
    *exitCode = DWORD(-1);
    double start = Now();
    if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    double took = Now() - start;
    CloseHandle(nul);
    return took;
}

