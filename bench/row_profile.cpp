// Times what a listed row costs on the user-interface thread, message by
// message, by subclassing the program's windows from outside.
#include "bench/row_profile.h"
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <array>
#include <atomic>
#include <cstdio>

namespace {

enum WindowKind { MainKind, ListKind, HeaderKind, StatusKind, KindCount };
constexpr std::array<const char*, KindCount> KindNames = {"main window", "result list", "list header", "status line"};

struct Slot {
    WindowKind kind;
    UINT message;            // 0: every other message of that window
    const char* name;
    int count;
    double seconds;
};

Slot Slots[] = {
    {MainKind, WM_APP_ADD_ROW, "row message (AddResultRow)", 0, 0},
    {MainKind, WM_APP_SHOW_STATUS, "status message", 0, 0},
    {MainKind, WM_NOTIFY, "notifications from the list", 0, 0},
    {MainKind, 0, "other", 0, 0},
    {ListKind, LVM_INSERTITEMA, "LVM_INSERTITEMA", 0, 0},
    {ListKind, LVM_SETITEMTEXTA, "LVM_SETITEMTEXTA", 0, 0},
    {ListKind, LVM_GETCOLUMNWIDTH, "LVM_GETCOLUMNWIDTH", 0, 0},
    {ListKind, LVM_SETCOLUMNA, "LVM_SETCOLUMNA", 0, 0},
    {ListKind, LVM_ENSUREVISIBLE, "LVM_ENSUREVISIBLE", 0, 0},
    {ListKind, WM_SETREDRAW, "WM_SETREDRAW", 0, 0},
    {ListKind, WM_PAINT, "WM_PAINT", 0, 0},
    {ListKind, WM_ERASEBKGND, "  of it WM_ERASEBKGND", 0, 0},
    {ListKind, WM_NCPAINT, "  of it WM_NCPAINT (frame)", 0, 0},
    {ListKind, 0, "other", 0, 0},
    {HeaderKind, WM_PAINT, "WM_PAINT", 0, 0},
    {HeaderKind, 0, "other", 0, 0},
    {StatusKind, WM_SETTEXT, "WM_SETTEXT", 0, 0},
    {StatusKind, WM_PAINT, "WM_PAINT", 0, 0},
    {StatusKind, 0, "other", 0, 0},
};

std::array<HWND, KindCount> Windows;
std::array<WNDPROC, KindCount> OwnProcs;
std::array<int, KindCount> Depth;
double ListSecondsInRows;        // outermost list messages handled inside a row message
bool Profiling;

constexpr int BlockCapacity = 1024;
std::array<double, BlockCapacity> BlockTimes;   // when rows 1, N, 2N, ... were added
int BlockCount, BlockRows = 10000;

Slot& FindSlot(WindowKind kind, UINT message)
{
    Slot* other = nullptr;
    for (Slot& slot : Slots) {
        if (slot.kind != kind)
            continue;
        if (slot.message == message)
            return slot;
        if (slot.message == 0)
            other = &slot;
    }
    return *other;
}

LRESULT TimeMessage(WindowKind kind, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Each window's messages are counted where they are outermost for that
    // window; the header's paint, nested in the list's, shows on its own.
    // The list's notifications arrive nested in row messages, and the frame
    // and background paints nested in WM_PAINT, so those count at any depth.
    const bool nestedToo = (kind == MainKind && message == WM_NOTIFY)
                           || (kind == ListKind && (message == WM_NCPAINT || message == WM_ERASEBKGND));
    const bool outermost = Depth[kind] == 0 || nestedToo;
    ++Depth[kind];
    const double start = Now();
    LRESULT result = CallWindowProcA(OwnProcs[kind], hwnd, message, wParam, lParam);
    const double took = Now() - start;
    --Depth[kind];
    if (Profiling && outermost) {
        Slot& slot = FindSlot(kind, message);
        slot.count += 1;
        slot.seconds += took;
        if (kind == ListKind && Depth[MainKind] > 0 && !nestedToo)
            ListSecondsInRows += took;
    }
    if (kind == MainKind && message == WM_APP_ADD_ROW && Profiling
        && (RowCount == 1 || RowCount % BlockRows == 0) && BlockCount < BlockCapacity)
        BlockTimes[BlockCount++] = Now();
    return result;
}

template <WindowKind Kind>
LRESULT CALLBACK ProfiledProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return TimeMessage(Kind, hwnd, message, wParam, lParam);
}

constexpr std::array<WNDPROC, KindCount> ProfiledProcs = {
    ProfiledProc<MainKind>, ProfiledProc<ListKind>, ProfiledProc<HeaderKind>, ProfiledProc<StatusKind>};

}  // namespace

void StartRowProfile()
{
    Windows = {MainWindow, ResultList,
               reinterpret_cast<HWND>(SendMessageA(ResultList, LVM_GETHEADER, 0, 0)), StatusLine};
    for (Slot& slot : Slots)
        slot.count = 0, slot.seconds = 0;
    ListSecondsInRows = 0;
    BlockCount = 0;
    for (int kind = 0; kind < KindCount; ++kind)
        OwnProcs[kind] = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            Windows[kind], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProfiledProcs[kind])));
    Profiling = true;
}

void StopRowProfile()
{
    Profiling = false;
    for (int kind = 0; kind < KindCount; ++kind)
        SetWindowLongPtrA(Windows[kind], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnProcs[kind]));
}

void PrintRowProfile(int rows, double seconds)
{
    if (rows <= 0)
        return;
    printf("\nuser-interface thread during C, per listed row (%d rows):\n", rows);
    for (const Slot& slot : Slots) {
        if (slot.count == 0)
            continue;
        printf("  %-12s %-30s %9d calls %9.1f us/row %9.1f us/call\n", KindNames[slot.kind], slot.name,
               slot.count, slot.seconds * 1e6 / rows, slot.seconds * 1e6 / slot.count);
    }
    printf("  paints per second: result list %.1f, status line %.1f\n",
           FindSlot(ListKind, WM_PAINT).count / seconds, FindSlot(StatusKind, WM_PAINT).count / seconds);
    const Slot& row = FindSlot(MainKind, WM_APP_ADD_ROW);
    printf("  %-12s %-30s %9s       %9.1f us/row\n", "", "row message outside list messages", "",
           (row.seconds - ListSecondsInRows) * 1e6 / rows);
}

void PrintRowBlocks(int blockRows)
{
    if (BlockCount < 3 || blockRows != BlockRows)
        return;
    // BlockTimes[0] is row 1, BlockTimes[k] row k * BlockRows.
    const double first = (BlockTimes[1] - BlockTimes[0]) / (BlockRows - 1);
    const double last = (BlockTimes[BlockCount - 1] - BlockTimes[BlockCount - 2]) / BlockRows;
    printf("per-row cost, rows 1-%d: %.1f us; rows %d-%d: %.1f us; last/first %.2f\n", BlockRows, first * 1e6,
           (BlockCount - 2) * BlockRows, (BlockCount - 1) * BlockRows, last * 1e6, last / first);
}

namespace {

std::atomic<int> RoundTripsLeft;

DWORD WINAPI SendRoundTrips(void*)
{
    while (RoundTripsLeft.load() > 0) {
        SendMessageA(MainWindow, WM_NULL, 0, 0);
        RoundTripsLeft.fetch_sub(1);
    }
    return 0;
}

}  // namespace

double IdleRoundTrip(int messages)
{
    RoundTripsLeft.store(messages);
    const double start = Now();
    HANDLE sender = CreateThread(nullptr, 0, SendRoundTrips, nullptr, 0, nullptr);
    while (MsgWaitForMultipleObjects(1, &sender, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    const double took = Now() - start;
    CloseHandle(sender);
    return took / messages;
}
