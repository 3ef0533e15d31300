// Times what a listed row costs on the user-interface thread, message by
// message, how long it waits to be painted, and how often the status line
// changes, by subclassing the program's windows from outside.
#include "bench/bench.h"
#include "results/results.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <vector>

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

// Not a message: a status message that carries rows found before it.
constexpr UINT StatusWithRows = WM_APP + 0x4000;

Slot Slots[] = {
    {MainKind, WM_APP_WALK_PROGRESS, "hand-over, status only", 0, 0},
    {MainKind, StatusWithRows, "hand-over with rows", 0, 0},
    {MainKind, WM_NOTIFY, "notifications from the list", 0, 0},
    {MainKind, 0, "other", 0, 0},
    {ListKind, LVM_INSERTITEMA, "LVM_INSERTITEMA", 0, 0},
    {ListKind, LVM_SETITEMCOUNT, "LVM_SETITEMCOUNT", 0, 0},
    {ListKind, LVM_SETITEMTEXTA, "LVM_SETITEMTEXTA", 0, 0},
    {ListKind, LVM_GETCOLUMNWIDTH, "LVM_GETCOLUMNWIDTH", 0, 0},
    {ListKind, LVM_SETCOLUMNW, "LVM_SETCOLUMNW", 0, 0},
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
double NestedInRows;             // list and status line messages inside row-carrying messages
bool InRowMessage;
bool Profiling;

constexpr int BlockCapacity = 1024;
std::array<double, BlockCapacity> BlockTimes;   // when rows 1, N, 2N, ... were added, memory reads left out
std::array<double, BlockCapacity> BlockListWork;   // the list's own messages by then, seconds
std::array<int, BlockCapacity> BlockRows;       // rows by then: a message may carry several
std::array<SIZE_T, BlockCapacity> BlockCommitted;  // committed private pages by then
std::array<SIZE_T, BlockCapacity> BlockResident;   // the resident set by then
double ListWork;
double BlockReading;             // seconds spent reading memory at blocks
int BlockCount;

// The rows of one message, waiting to be painted. The worker found them
// after its last status message returned: the wait runs from then.
struct RowWait {
    double since;            // that status message's end; a paint makes it the wait
    int rows;
};
constexpr size_t RowWaitCapacity = size_t(1) << 19;
std::vector<RowWait> RowWaits;   // reserved and touched up front: no growth while measuring
size_t PaintedWaits;             // RowWaits before this one are painted
bool RowWaitsFull;
double LastStatusEnd;            // the worker walks on from then

double LastStatusText;           // when the status line last got a text; 0: not yet
double LongestStatusGap;         // between two texts: the walk stood still that long

bool CarriesRows(UINT message, WPARAM wParam)
{
    return message == WM_APP_WALK_PROGRESS && wParam != 0;
}

// Rows come one or several to a message: a block ends with the message
// that adds its last row. Committed pages and the resident set are cheap
// enough to read here; walking the heap is not.
void NoteBlocks(int rowsBefore)
{
    if (BlockCount >= BlockCapacity || RowCount == rowsBefore)
        return;
    if ((rowsBefore == 0 && RowCount >= 1) || RowCount / RowBlock > rowsBefore / RowBlock) {
        BlockListWork[BlockCount] = ListWork;
        BlockRows[BlockCount] = RowCount;
        BlockTimes[BlockCount] = Now() - BlockReading;
        const double start = Now();
        BlockCommitted[BlockCount] = CommittedPrivateBytes();
        BlockResident[BlockCount] = ResidentBytes();
        BlockReading += Now() - start;
        ++BlockCount;
    }
}

// Rows are counted by what a message adds to the list, whichever message
// carries them; a list paint shows every row added before it.
void NoteRowWaits(WindowKind kind, UINT message, int rowsBefore, double end)
{
    if (kind == MainKind && RowCount > rowsBefore) {
        if (RowWaits.size() < RowWaitCapacity)
            RowWaits.push_back({LastStatusEnd, RowCount - rowsBefore});
        else
            RowWaitsFull = true;
    }
    if (kind == MainKind && message == WM_APP_WALK_PROGRESS)
        LastStatusEnd = end;
    if (kind == ListKind && message == WM_PAINT)
        for (; PaintedWaits < RowWaits.size(); ++PaintedWaits)
            RowWaits[PaintedWaits].since = end - RowWaits[PaintedWaits].since;
}

void NoteStatusText(WindowKind kind, UINT message, double start)
{
    if (kind != StatusKind || message != WM_SETTEXT)
        return;
    if (LastStatusText != 0)
        LongestStatusGap = std::max(LongestStatusGap, start - LastStatusText);
    LastStatusText = start;
}

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
    // The list's notifications arrive nested in row messages, the frame
    // and background paints nested in WM_PAINT, and the list's paint in
    // LVM_ENSUREVISIBLE when it scrolls, so those count at any depth.
    const bool nestedToo = (kind == MainKind && message == WM_NOTIFY)
                           || (kind == ListKind && (message == WM_NCPAINT || message == WM_ERASEBKGND
                                                    || message == WM_PAINT));
    const bool outermost = Depth[kind] == 0 || nestedToo;
    const bool rowMessage = kind == MainKind && outermost && CarriesRows(message, wParam);
    const int rowsBefore = RowCount;
    if (rowMessage)
        InRowMessage = true;
    ++Depth[kind];
    const double start = Now();
    LRESULT result = CallWindowProcA(OwnProcs[kind], hwnd, message, wParam, lParam);
    const double end = Now();
    const double took = end - start;
    --Depth[kind];
    if (rowMessage)
        InRowMessage = false;
    if (Profiling && outermost) {
        const bool withRows = kind == MainKind && message == WM_APP_WALK_PROGRESS && wParam != 0;
        Slot& slot = FindSlot(kind, withRows ? StatusWithRows : message);
        slot.count += 1;
        slot.seconds += took;
        if ((kind == ListKind || kind == StatusKind) && InRowMessage && !nestedToo)
            NestedInRows += took;
        if (kind == ListKind && !nestedToo)
            ListWork += took;
        if (Depth[kind] == 0 || nestedToo) {
            NoteRowWaits(kind, message, rowsBefore, end);
            NoteStatusText(kind, message, start);
        }
    }
    if (Profiling && kind == MainKind)
        NoteBlocks(rowsBefore);
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

void ReserveRowProfile()
{
    // Written once, so that its pages are resident before the resident set is read.
    RowWaits.resize(RowWaitCapacity);
    RowWaits.clear();
}

void StartRowProfile()
{
    Windows = {MainWindow, ResultList,
               reinterpret_cast<HWND>(SendMessageA(ResultList, LVM_GETHEADER, 0, 0)), StatusLine};
    for (Slot& slot : Slots)
        slot.count = 0, slot.seconds = 0;
    NestedInRows = 0;
    ListWork = 0;
    BlockReading = 0;
    BlockCount = 0;
    RowWaits.clear();
    PaintedWaits = 0;
    RowWaitsFull = false;
    LastStatusEnd = Now();
    LastStatusText = 0;
    LongestStatusGap = 0;
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
    const double carrying = FindSlot(MainKind, StatusWithRows).seconds;
    printf("  %-12s %-30s %9s       %9.1f us/row\n", "", "row-carrying messages, the rest", "",
           (carrying - NestedInRows) * 1e6 / rows);
}

StatusChanges CountStatusChanges()
{
    return {FindSlot(StatusKind, WM_SETTEXT).count, FindSlot(StatusKind, WM_PAINT).count, LongestStatusGap, 0};
}

// The wait of the row at a share of all rows, in order of wait.
double WaitAtShare(const RowWait* first, const RowWait* last, int rows, int percent)
{
    long long rowsSoFar = 0;
    for (const RowWait* wait = first; wait != last; ++wait) {
        rowsSoFar += wait->rows;
        if (100 * rowsSoFar >= (long long)percent * rows)
            return wait->since;
    }
    return 0;
}

RowLatency SummarizeRowLatency()
{
    RowLatency latency{0, int(PaintedWaits), 0, RowWaitsFull, 0, 0, 0};
    RowWait* const first = RowWaits.data();
    RowWait* const last = first + PaintedWaits;
    for (size_t i = PaintedWaits; i < RowWaits.size(); ++i)
        latency.unpainted += RowWaits[i].rows;
    if (first == last)
        return latency;
    std::sort(first, last, [](const RowWait& a, const RowWait& b) { return a.since < b.since; });
    for (const RowWait* wait = first; wait != last; ++wait)
        latency.rows += wait->rows;
    latency.median = WaitAtShare(first, last, latency.rows, 50);
    latency.p99 = WaitAtShare(first, last, latency.rows, 99);
    latency.most = last[-1].since;
    return latency;
}

// Per row from one noted block to another.
template <typename Value>
double PerRowBetween(const std::array<Value, BlockCapacity>& values, int from, int to)
{
    return (double(values[to]) - double(values[from])) / (BlockRows[to] - BlockRows[from]);
}

RowBlocks SummarizeRowBlocks()
{
    RowBlocks blocks{};
    blocks.blocks = BlockCount;
    if (BlockCount < 3)
        return blocks;
    // Block 0 is row 1; the first block runs to the next, the last between the last two.
    const int last = BlockCount - 1;
    blocks.lastFrom = BlockRows[last - 1] + 1;
    blocks.lastTo = BlockRows[last];
    blocks.firstTo = BlockRows[1];
    blocks.first = PerRowBetween(BlockTimes, 0, 1);
    blocks.last = PerRowBetween(BlockTimes, last - 1, last);
    blocks.firstList = PerRowBetween(BlockListWork, 0, 1);
    blocks.lastList = PerRowBetween(BlockListWork, last - 1, last);
    blocks.committedFirst = PerRowBetween(BlockCommitted, 0, 1);
    blocks.committedLast = PerRowBetween(BlockCommitted, last - 1, last);
    blocks.residentFirst = PerRowBetween(BlockResident, 0, 1);
    blocks.residentLast = PerRowBetween(BlockResident, last - 1, last);
    blocks.reading = BlockReading / BlockCount;
    return blocks;
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
