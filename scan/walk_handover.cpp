// What the walk hands to the window: each status text, and the rows found
// since the last one in the same synchronous message.
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include <cstring>

// Worker only, and read by the user-interface thread only while the worker
// waits in SendMessage.
static HeldRows FoundRows;
static_assert(sizeof(HeldRow::keyText) == PathSize, "a held row takes any path the walk makes whole");

static void CopyBounded(char* target, size_t size, const char* text)
{
    const size_t length = strnlen(text, size - 1);
    memcpy(target, text, length);
    target[length] = '\0';
}

void HoldFoundRow(const char* keyText, const char* timeText)
{
    if (FoundRows.count == HeldRowCapacity)
        HandOverFoundRows();
    HeldRow& row = FoundRows.rows[FoundRows.count];
    CopyBounded(row.keyText, sizeof row.keyText, keyText);
    CopyBounded(row.timeText, sizeof row.timeText, timeText);
    FoundRows.count += 1;
}

void SendWalkStatus(const char* path)
{
    // Handed over as pointers: unlike a cross-thread SetWindowTextA nothing
    // is copied on the way, and the worker still waits.
    SendMessageA(MainWindow, WM_APP_SHOW_STATUS, FoundRows.count ? reinterpret_cast<WPARAM>(&FoundRows) : 0,
                 reinterpret_cast<LPARAM>(path));
    FoundRows.count = 0;
}

// Before a pause and at the walk's end no status text follows soon: the
// rows go now, each in a message of its own.
void HandOverFoundRows()
{
    for (int i = 0; i < FoundRows.count; ++i)
        SendMessageA(MainWindow, WM_APP_ADD_ROW, reinterpret_cast<WPARAM>(FoundRows.rows[i].keyText),
                     reinterpret_cast<LPARAM>(FoundRows.rows[i].timeText));
    FoundRows.count = 0;
}
