// What the walk hands to the window: the path being walked, at the pace the
// status line is painted, and the rows found since the last hand-over, all
// in one synchronous message.
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include <cstring>

DWORD WalkStatusInterval = StatusPaintMs;

// Worker only, and read by the user-interface thread only while the worker
// waits in SendMessage.
static FoundRowBatch FoundRows;
static DWORD LastHandOver;       // when the last status text went
static_assert(sizeof FoundRows.text >= PathSize + TimeTextSize, "an empty batch takes any row the walk makes");

static void EmptyBatch()
{
    FoundRows.count = 0;
    FoundRows.used = 0;
}

// path: the status text, or null when only rows travel.
static void HandOver(const char* path)
{
    SendMessageW(MainWindow, WM_APP_WALK_PROGRESS, FoundRows.count ? reinterpret_cast<WPARAM>(&FoundRows) : 0,
                 reinterpret_cast<LPARAM>(path));
    EmptyBatch();
    if (path)
        LastHandOver = GetTickCount();
}

static void AppendText(const char* text, size_t length)
{
    memcpy(FoundRows.text.data() + FoundRows.used, text, length);
    FoundRows.text[FoundRows.used + length] = '\0';
    FoundRows.used += int(length) + 1;
}

void HoldFoundRow(const char* keyText, const char* timeText)
{
    // Rows held across a Clear were found before it: they are dropped, not
    // listed after it as the emptied list's first rows.
    const uint32_t clears = ClearCount.load();
    if (FoundRows.clears != clears)
        EmptyBatch();
    FoundRows.clears = clears;
    const size_t keyLength = strnlen(keyText, PathSize - 1);
    const size_t timeLength = strnlen(timeText, TimeTextSize - 1);
    const size_t room = FoundRows.text.size() - size_t(FoundRows.used);
    if (FoundRows.count == BatchRowCapacity || keyLength + timeLength + 2 > room)
        HandOver(nullptr);
    FoundRows.keyAt[FoundRows.count] = FoundRows.used;
    AppendText(keyText, keyLength);
    AppendText(timeText, timeLength);
    FoundRows.count += 1;
}

void ShowWalkProgress(const char* path)
{
    // A clock read per key is cheap; a message per key costs as much as the
    // key's own registry calls, and the screen shows only a few a second.
    // While the list paints, the message would only wait for it: the walk
    // goes on and hands over at a later key.
    if (WalkStatusInterval == 0 || (GetTickCount() - LastHandOver >= WalkStatusInterval && !ListPainting.load()))
        HandOver(path);
}

void HandOverWalk(const char* path)
{
    if (path || FoundRows.count)
        HandOver(path);
}

