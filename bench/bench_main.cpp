// Times the key walk on one synthetic tree, in one run: the bare walk (A),
// a scan through the real main window listing no key (B) and every key (C),
// and Wine's reg.exe querying the same tree (D). Prints figures only; what
// counts as fast enough is for the reader to judge.
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include "bench/row_profile.h"
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

static const char BenchParent[] = "Software";
static const char BenchName[] = "QuillmereBench";
static const char BenchShownPath[] = "HKCU\\Software\\QuillmereBench";
constexpr int DefaultKeyCount = 50000;
constexpr int MaxDepth = 12;
constexpr uint32_t TreeSeed = 20260401;
constexpr REGSAM NativeView = KEY_WOW64_64KEY;

// ---- Clock ---------------------------------------------------------------

static double TickSeconds;

double Now()
{
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    return double(ticks.QuadPart) * TickSeconds;
}

// ---- The synthetic tree --------------------------------------------------

// Parent of every key (0 is the bench key itself); children are picked in
// proportion to the children they already have, which gives a few keys
// with hundreds of subkeys and many leaves, like a real Software branch.
static std::vector<int> ShapeTree(int count, std::mt19937& random)
{
    std::vector<int> parent(count + 1, -1), depth(count + 1, 0), tickets;
    tickets.reserve(2 * size_t(count) + 1);
    tickets.push_back(0);
    for (int node = 1; node <= count; ++node) {
        int chosen;
        do
            chosen = tickets[random() % tickets.size()];
        while (depth[chosen] >= MaxDepth);
        parent[node] = chosen;
        depth[node] = depth[chosen] + 1;
        tickets.push_back(chosen);
        tickets.push_back(node);
    }
    return parent;
}

struct TreeLists {
    std::vector<int> first;      // children of n are child[first[n] .. first[n + 1])
    std::vector<int> child;
};

static TreeLists ListChildren(const std::vector<int>& parent)
{
    TreeLists lists;
    lists.first.assign(parent.size() + 1, 0);
    for (size_t node = 1; node < parent.size(); ++node)
        ++lists.first[parent[node] + 1];
    for (size_t node = 1; node < lists.first.size(); ++node)
        lists.first[node] += lists.first[node - 1];
    lists.child.resize(parent.size() - 1);
    std::vector<int> next(lists.first.begin(), lists.first.end() - 1);
    for (size_t node = 1; node < parent.size(); ++node)
        lists.child[next[parent[node]]++] = int(node);
    return lists;
}

static void MakeKeyName(std::mt19937& random, char* name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-. ";
    int length = 5 + int(random() % 36);
    name[0] = letters[random() % 52];
    for (int i = 1; i < length; ++i)
        name[i] = letters[random() % (sizeof letters - 1)];
    if (name[length - 1] == ' ' || name[length - 1] == '.')
        name[length - 1] = 'z';
    name[length] = '\0';
}

// Volatile keys: the tree never reaches the prefix's files, and a run that
// dies leaves nothing behind once the wineserver ends.
static bool CreateChildren(HKEY key, int node, const TreeLists& lists, std::mt19937& random, int* made)
{
    for (int i = lists.first[node]; i < lists.first[node + 1]; ++i) {
        char name[48];
        HKEY sub;
        DWORD disposition = REG_OPENED_EXISTING_KEY;
        while (disposition == REG_OPENED_EXISTING_KEY) {
            MakeKeyName(random, name);
            if (RegCreateKeyExA(key, name, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS | NativeView,
                                nullptr, &sub, &disposition) != ERROR_SUCCESS)
                return false;
            if (disposition == REG_OPENED_EXISTING_KEY)
                RegCloseKey(sub);
        }
        ++*made;
        bool ok = CreateChildren(sub, lists.child[i], lists, random, made);
        RegCloseKey(sub);
        if (!ok)
            return false;
    }
    return true;
}

static void RemoveTree()
{
    HKEY software;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, BenchParent, 0, KEY_ALL_ACCESS | NativeView, &software) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(software, BenchName);
    RegCloseKey(software);
}

static bool BuildTree(int count, int* made, int* deepest)
{
    std::mt19937 random(TreeSeed);
    std::vector<int> parent = ShapeTree(count, random);
    std::vector<int> depth(parent.size(), 0);
    *deepest = 0;
    for (size_t node = 1; node < parent.size(); ++node) {
        depth[node] = depth[parent[node]] + 1;
        *deepest = std::max(*deepest, depth[node]);
    }
    TreeLists lists = ListChildren(parent);
    HKEY root;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\QuillmereBench", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS | NativeView, nullptr, &root, nullptr) != ERROR_SUCCESS)
        return false;
    *made = 0;
    bool ok = CreateChildren(root, 0, lists, random, made);
    RegCloseKey(root);
    return ok && *made == count;
}

static BOOL WINAPI RemoveTreeOnBreak(DWORD)
{
    RemoveTree();
    return FALSE;
}

static LONG WINAPI RemoveTreeOnCrash(EXCEPTION_POINTERS*)
{
    RemoveTree();
    return EXCEPTION_CONTINUE_SEARCH;
}

// ---- A: the bare walk ----------------------------------------------------

// The walk's four registry calls per key, by UTF-16 names as the walk
// makes them, and nothing else.
static int BareWalk(HKEY key)
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

static void OpenMainWindow()
{
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&classes);
    Instance = GetModuleHandleA(nullptr);
    RegisterMainWindowClass();
    HWND hwnd = CreateDialogParamA(Instance, "MAINWINDOW", nullptr, nullptr, 0);
    InitMainWindow(hwnd);
}

static void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

static void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
    PumpMessages();
}

// Start, then the message loop until the worker has reported its end.
static double RunScan(int64_t from, int64_t before)
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
static std::vector<double> PingSamples;    // reserved up front: no heap use while measuring
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

struct RoundTrips {
    size_t count;
    double median, p99, most;
};

static RoundTrips SummarizePings()
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

// ---- Memory ----------------------------------------------------------------

static SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters.PrivateUsage;
}

// Committed private pages as the process's own address space shows them;
// Wine fills PrivateUsage from the swap in use, which is mostly zero.
static SIZE_T CommittedPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr;
         VirtualQuery(address, &region, sizeof region) == sizeof region;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < address)
            break;
    }
    return total;
}

// Bytes in the process's heaps' busy blocks, overhead included: what the
// list's rows hold, without the steps in which the heap commits pages.
static SIZE_T HeapBytesInUse()
{
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T total = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData + entry.cbOverhead;
        HeapUnlock(heaps[i]);
    }
    return total;
}

// ---- D: reg.exe ------------------------------------------------------------

static double RunRegExe(const char* arguments, DWORD* exitCode)
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

// ---- Report ----------------------------------------------------------------

static void PrintRate(const char* label, int keys, double seconds)
{
    printf("%-34s %8d keys %9.3f s %10.0f keys/s %7.1f us/key\n",
           label, keys, seconds, keys / seconds, seconds * 1e6 / keys);
}

static void PrintTrips(const char* label, const RoundTrips& trips)
{
    printf("%-34s %zu sent: median %.2f ms, 99th percentile %.2f ms, max %.2f ms\n",
           label, trips.count, trips.median * 1e3, trips.p99 * 1e3, trips.most * 1e3);
}

static int64_t LocalNowTicks()
{
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    return int64_t((uint64_t(local.dwHighDateTime) << 32) | local.dwLowDateTime);
}

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    int keyCount = argc > 1 ? atoi(argv[1]) : DefaultKeyCount;
    // Listing every key of a large tree takes long; the other figures do not need it.
    const bool listEvery = !(argc > 2 && strcmp(argv[2], "--no-listing") == 0);
    if (keyCount < 1 || keyCount > 5000000 || (argc > 2 && listEvery)) {
        fprintf(stderr, "usage: quillmere_bench [KEYS [--no-listing]]   (default %d keys)\n", DefaultKeyCount);
        return 2;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    TickSeconds = 1.0 / double(frequency.QuadPart);
    PingSamples.reserve(PingCapacity);
    SetConsoleCtrlHandler(RemoveTreeOnBreak, TRUE);
    SetUnhandledExceptionFilter(RemoveTreeOnCrash);

    OpenMainWindow();
    CheckDlgButton(MainWindow, IDC_HIVE_HKCU, BST_CHECKED);
    SelectHive(IDC_HIVE_HKCU, true);
    PingStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE pinger = CreateThread(nullptr, 0, PingMainWindow, nullptr, 0, nullptr);

    // The prefix's own HKCU keys, and a first run so that one-off
    // allocations (the worker's start, the status text) are out of the way.
    RemoveTree();
    const int otherKeys = BareWalk(HKEY_CURRENT_USER);
    RunScan(LLONG_MIN, LLONG_MAX);
    ClearResults();
    PumpFor(100);

    double start = Now();
    int made = 0, deepest = 0;
    if (!BuildTree(keyCount, &made, &deepest)) {
        fprintf(stderr, "could not create the tree: %d of %d keys made\n", made, keyCount);
        RemoveTree();
        return 1;
    }
    printf("tree: %d keys under %s, depth up to %d, seed %u, made in %.1f s;"
           " the scans also walk the prefix's other %d HKCU keys\n",
           made, BenchShownPath, deepest, unsigned(TreeSeed), Now() - start, otherKeys);

    // A, after one untimed walk: the first pass over new keys is slower.
    HKEY hkcu = HKEY_CURRENT_USER;
    BareWalk(hkcu);
    start = Now();
    const int bareKeys = BareWalk(hkcu);
    const double timeA = Now() - start;

    // B: a window in the future lists nothing.
    const int64_t day = 864000000000LL;
    const int64_t now = LocalNowTicks();
    PumpFor(100);
    const SIZE_T privateBefore = PrivateBytes(), committedBefore = CommittedPrivateBytes();
    Pinging.store(1);
    const double timeB = RunScan(now + day, now + 2 * day);
    Pinging.store(0);
    const int keysB = KeysScanned.load(), rowsB = RowCount;
    PumpFor(300);           // the worker's thread ends
    const SIZE_T privateAfter = PrivateBytes(), committedAfter = CommittedPrivateBytes();
    const RoundTrips tripsB = SummarizePings();

    // C: every key listed.
    ClearResults();
    double timeC = 0;
    int keysC = bareKeys, rowsC = bareKeys;
    RoundTrips tripsC{};
    SIZE_T committedBeforeC = 0, committedAfterC = 0, heapBeforeC = 0, heapAfterC = 0;
    if (listEvery) {
        PumpFor(100);
        committedBeforeC = CommittedPrivateBytes();
        heapBeforeC = HeapBytesInUse();
        StartRowProfile();
        Pinging.store(1);
        timeC = RunScan(LLONG_MIN, LLONG_MAX);
        Pinging.store(0);
        PumpFor(300);       // the last paint, and the worker's thread ends
        StopRowProfile();
        committedAfterC = CommittedPrivateBytes();
        heapAfterC = HeapBytesInUse();
        keysC = KeysScanned.load();
        rowsC = RowCount;
        tripsC = SummarizePings();
        ClearResults();
    }
    const double roundTrip = IdleRoundTrip(2000);

    // D
    DWORD regExit, startupExit;
    char query[256];
    snprintf(query, sizeof query, "query %s /s", BenchShownPath);
    const double timeD = RunRegExe(query, &regExit);
    const double regStartup = RunRegExe("/?", &startupExit);

    SetEvent(PingStop);
    WaitForSingleObject(pinger, INFINITE);
    RemoveTree();

    printf("\n");
    PrintRate("A bare walk (HKCU)", bareKeys, timeA);
    PrintRate("B scan, no key listed (HKCU)", keysB, timeB);
    if (listEvery)
        PrintRate("C scan, every key listed (HKCU)", keysC, timeC);
    PrintRate("D reg query /s (tree only)", made, timeD);
    printf("%-34s %.3f s (reg.exe /?, included in D)\n", "  reg.exe start and exit", regStartup);
    const double perKeyA = timeA / bareKeys, perKeyB = timeB / keysB, perKeyC = timeC / keysC, perKeyD = timeD / made;
    printf("\ntime per key: B/A %.2f  ", perKeyB / perKeyA);
    if (listEvery)
        printf("C/A %.2f  ", perKeyC / perKeyA);
    printf("B/D %.2f", perKeyB / perKeyD);
    if (listEvery)
        printf("  C/D %.2f", perKeyC / perKeyD);
    printf("\n");
    printf("private bytes (PrivateUsage): before B %zu, after B %zu, growth %+lld\n",
           size_t(privateBefore), size_t(privateAfter), (long long)privateAfter - (long long)privateBefore);
    printf("committed private pages:      before B %zu, after B %zu, growth %+lld\n",
           size_t(committedBefore), size_t(committedAfter), (long long)committedAfter - (long long)committedBefore);
    PrintTrips("message round trip during B", tripsB);
    if (listEvery) {
        PrintTrips("message round trip during C", tripsC);
        printf("memory across C: heap in use %+lld bytes, %.0f bytes per listed row;"
               " committed private pages %+lld bytes, %.0f per row\n",
               (long long)heapAfterC - (long long)heapBeforeC,
               double((long long)heapAfterC - (long long)heapBeforeC) / rowsC,
               (long long)committedAfterC - (long long)committedBeforeC,
               double((long long)committedAfterC - (long long)committedBeforeC) / rowsC);
        PrintRowBlocks(10000);
        PrintRowProfile(rowsC, timeC);
    }
    printf("one cross-thread message to the idle window: %.1f us\n", roundTrip * 1e6);

    // Wrong counts make every figure above meaningless.
    int status = 0;
    if (keysB != bareKeys || keysC != bareKeys || bareKeys != made + otherKeys + 1) {
        printf("MISMATCH: keys A %d, B %d, C %d, tree %d + other %d + its root\n", bareKeys, keysB, keysC, made, otherKeys);
        status = 1;
    }
    if (rowsB != 0 || rowsC != keysC) {
        printf("MISMATCH: rows listed B %d (expected 0), C %d (expected %d)\n", rowsB, rowsC, keysC);
        status = 1;
    }
    if (regExit != 0) {
        printf("reg.exe query failed with exit code %lu\n", static_cast<unsigned long>(regExit));
        status = 1;
    }
    DestroyWindow(MainWindow);
    return status;
}
