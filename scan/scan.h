// Key scan: the time window, the key tree walk and the scan run.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <atomic>
#include <cstdint>

// ---- Program-wide state of the key scan ----------------------------------

// One bound of the time window. The worker reads asFileTime while the
// user-interface thread may rewrite it, so it is one atomic 64-bit value:
// a read yields the old or the new bound, never a mix of halves.
struct TimeBound {
    SYSTEMTIME local;                    // what the pickers show
    std::atomic<int64_t> asFileTime;     // local file time made from local
};
static_assert(std::atomic<int64_t>::is_always_lock_free,
              "a bound must be read whole without a lock");

struct TimeWindowBounds {
    TimeBound From;
    TimeBound Before;
};
extern TimeWindowBounds TimeWindow;      // written on the user-interface thread only

struct HiveEntry {
    HKEY root;
    const char* name;                    // the path's first name, as rows show it
    int buttonId;                        // its toggle button
    std::atomic<int32_t> selected;       // written by the toggles, read by the worker
};
constexpr int HiveCount = 5;
extern HiveEntry HiveTable[HiveCount];

extern std::atomic<uint8_t> ScanRunning; // the walk's stop flag
extern std::atomic<uint8_t> ScanPaused;  // written on the UI thread; the worker halts on it
extern uint8_t StartPending;             // Start clicked while a stopped worker winds down
extern HANDLE WorkerThread;              // written on the user-interface thread only
extern HANDLE ScanGate;                  // manual-reset event, reset while paused
extern std::atomic<int32_t> KeysScanned;
extern std::atomic<int32_t> KeysNamed;     // of them, those whose names the walk asked for
extern std::atomic<int32_t> KeysOpened;    // keys the walk tried to open
constexpr int PathSize = 4096;
extern char AncestorPath[PathSize];
extern int32_t AncestorLength;
extern DWORD WalkStatusInterval;         // ms between the walk's status texts; 0: every key's, however busy the list

// ---- Tick counts: a FILETIME as one signed 64-bit number, and back ------
inline int64_t FileTimeTicks(const FILETIME& time)
{
    return int64_t((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
inline FILETIME TicksToFileTime(int64_t ticks)
{
    return {DWORD(uint64_t(ticks)), DWORD(uint64_t(ticks) >> 32)};
}

// ---- Time window (time_window.cpp) ---------------------------------------
void InitTimeWindow();                                   // both bounds to now
void OnDateTimeChange(const NMDATETIMECHANGE* change);   // picker edited a bound
void SetFromToNow();                                     // Ctrl+Left
void SetBeforeToNow();                                   // Ctrl+Up
void CopyFromToBefore();                                 // Ctrl+Right
void ZeroFromTime();                                     // Ctrl+Z
bool IsInTimeWindow(const FILETIME& localTime);          // From <= t <= Before

// ---- Local time (local_time.cpp) -----------------------------------------
void ConvertToLocalTime(const FILETIME& utc, FILETIME& local);  // by the rules in force at that instant
void ForgetTimeZoneRules();                              // a new scan reads the zone's rules afresh
constexpr int TimeTextSize = 64;
// A local time as a row shows it, day.month.year hour:minute:second without
// leading zeros; the length written.
int FormatRowTime(const SYSTEMTIME& time, char (&text)[TimeTextSize]);

// ---- Key names as UTF-8 (utf8_text.cpp) -----------------------------------
// Whole characters of text while they fit in room bytes, unterminated; the
// bytes written. whole: false when a character did not fit.
int EncodeUtf8(const wchar_t* text, int length, char* out, int room, bool& whole);
// text (length bytes, or up to its NUL when length < 0) as UTF-16 in out,
// whole characters while they fit with a terminator in size units; the
// units written. With out null: the units the whole text takes.
int DecodeUtf8(const char* text, int length, wchar_t* out, int size);
void CopyWholeCharacters(wchar_t* to, const wchar_t* from, int size);   // lstrcpyn that never splits a pair

// ---- Key tree walk (key_walk.cpp) ----------------------------------------
void ScanKeyTree(HKEY key, const char* keyName);         // walk, count, list

// ---- Hand-over to the window (walk_handover.cpp), on the walking thread ----
void HoldFoundRow(const char* keyText, const char* timeText);   // goes with the next hand-over
void ShowWalkProgress(const char* path);                 // status text and held rows, at the screen's pace
void HandOverWalk(const char* path);                     // now: before a pause, at the walk's end

// ---- Scan run (scan_run.cpp) ---------------------------------------------
void ToggleScan();                                       // Start/Stop button
void TogglePause();                                      // Pause/Resume button
void SelectHive(int buttonId, bool pressed);             // a hive toggle changed
DWORD WINAPI ScanWorker(void* parameter);                // the worker thread
void StartPendingScan();                                 // timer: a deferred Start, once the last worker is gone
void FinishScan();                                       // worker's end, on the UI thread
