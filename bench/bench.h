// The scan benchmark: a synthetic key tree walked by four registry calls a
// key as the walk once was (A4), scanned through the main window listing no
// key (B) and every key (C), and queried by reg.exe (D), in one run; and the
// cost of a listed row, message by message.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <functional>

constexpr int DefaultKeyCount = 50000;
constexpr int RowBlock = 10000;                  // rows per block of the per-row cost
extern const char BenchShownPath[];              // the tree's root, as reg.exe names it

// ---- Clock and round trips (timed_runs.cpp) ------------------------------
double Now();                                    // seconds, from the performance counter
void StartClock();

struct RoundTrips {
    size_t count;
    double median, p99, most;                    // seconds
};
void StartPinging();                             // a thread that pings the main window
void PingDuring(bool on);                        // record its round trips, or not
RoundTrips SummarizePings();                     // and forget them
void StopPinging();

// ---- The synthetic tree (key_tree.cpp) ------------------------------------
bool BuildTree(int count, int* made, int* deepest);   // volatile keys under HKCU
extern bool ChineseKeyNames;                     // name the keys in Chinese, not ASCII
// The paths of a tree of that shape, UTF-8 as a scan lists them, without
// the registry.
void ListTreePaths(int count, const std::function<void(const char*)>& row);
void RemoveTree();
void RemoveTreeOnExit();                         // on Ctrl+C and on a crash too

// ---- Timed runs (timed_runs.cpp) ------------------------------------------
int BareWalk(HKEY key);                          // A4: four registry calls a key, alone; keys walked
void PumpFor(DWORD milliseconds);
double RunScan(int64_t from, int64_t before);    // B, C: Start, messages until the worker ends
double RunRegExe(const char* arguments, DWORD* exitCode);   // D
int64_t LocalNowTicks();

// ---- Memory (memory_use.cpp) ----------------------------------------------
SIZE_T PrivateBytes();                           // PrivateUsage: 0 under Wine
SIZE_T CommittedPrivateBytes();                  // committed private pages
SIZE_T HeapBytesInUse();                         // busy heap blocks, overhead included
SIZE_T ResidentBytes();                          // the resident set as the system counts it

// ---- A bare list view (bare_list.cpp) ---------------------------------------
struct BareListMemory {
    double heap, committed, resident;            // bytes per item; -1 when not measured
};
constexpr int BareListMostItems = 500000;        // more would take long, and most of a 32-bit process
int MeasureBareList(int items);                  // in the child: prints its three figures
BareListMemory RunBareList(int items);           // a child process with the same items alone

// ---- Row profile (row_profile.cpp) ------------------------------------------
// Every message that the main window, the result list, its header and the
// status line handle during B and C is timed by subclassing them from the
// benchmark, so the program runs unchanged.
// A row's latency is bounded from above: from the end of the last status
// message before the one that carried it (the worker found the row after
// that returned) to the end of the first list paint after it.
struct RowLatency {
    int rows, messages;                          // rows timed, and the messages that carried them
    int unpainted;                               // rows that no list paint followed
    bool full;                                   // the record filled up: later rows are left out
    double median, p99, most;                    // seconds, over rows
};
struct StatusChanges {
    int texts, paints;                           // the status line's WM_SETTEXT and WM_PAINT
    double longestGap;                           // seconds between two texts in a row
    double seconds;                              // of the scan they were counted in
};
struct RowBlocks {
    int blocks;                                  // rows 1, N, 2N, ... noted; fewer than 3: no comparison
    int firstTo, lastFrom, lastTo;               // the first block's last row, the last block's rows
    double first, last;                          // seconds per row, first block and last
    double firstList, lastList;                  // of it the result list's own messages
    double committedFirst, committedLast;        // growth, bytes per row
    double residentFirst, residentLast;
    double reading;                              // seconds per block reading memory, left out of the times
};
void ReserveRowProfile();                        // its buffers, touched before anything is measured
void StartRowProfile();                          // subclass the windows, zero the counts
void StopRowProfile();                           // restore the windows' own procedures
void PrintRowProfile(int rows, double seconds);  // per-row cost of each message kind, paint rates
RowLatency SummarizeRowLatency();                // of the last profile, over rows
StatusChanges CountStatusChanges();              // of the last profile
RowBlocks SummarizeRowBlocks();                  // of the last profile: the first block against the last
double IdleRoundTrip(int messages);              // one synchronous cross-thread message, seconds

// ---- Local time (local_time_cost.cpp) ---------------------------------------
struct LocalTimeCost {
    double byDate, system;                       // ns a key: by its date's rules, by today's offset
    double yearMs;                               // the first key of a year, once
};
LocalTimeCost MeasureLocalTimeCost();            // over write times of the last five years

// ---- Report (report.cpp) ---------------------------------------------------
struct BenchFigures {
    int made, otherKeys, deepest;
    int rounds;                                  // A4 and B: the fastest of this many runs each
    bool listEvery;
    int keysA, keysB, keysC, rowsB, rowsC;
    int openedB, namedB, openedC, namedC;        // keys the scan's walk opened and named
    double timeA, timeB, timeC, timeD, regStartup;
    double roundTrip;                            // one message to the idle window
    RoundTrips tripsB, tripsC;
    SIZE_T privateBefore, privateAfter, committedBefore, committedAfter;   // across B
    SIZE_T residentBefore, residentAfter;
    SIZE_T heapBeforeC, heapAfterC, committedBeforeC, committedAfterC;
    SIZE_T residentBeforeC, residentAfterC;
    StatusChanges statusB;
    RowLatency latencyC;
    RowBlocks blocksC;
    BareListMemory bareList;                     // a list view alone with rowsC items; -1: not measured
    LocalTimeCost localTime;
    double clearC;                               // the Clear of C's rows, seconds
    DWORD regExit;
};
void PrintFigures(const BenchFigures& figures);
bool CountsMatch(const BenchFigures& figures);   // prints what does not

// ---- Find (find_cost.cpp) ---------------------------------------------------
constexpr int FindRowCount = 2000000;            // rows a search that finds nothing must cross within a second
int MeasureFindCost(int rows);                   // prints its figures; 0 when every search ran as meant
