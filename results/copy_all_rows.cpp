// Copies every listed row as text: a line of the column titles, then one
// line a row, the columns apart by tabs, so that it pastes into a
// spreadsheet as three columns. The texts come from the row store, the
// list's own source, so a row streaming in is never half read.
#include "results/results.h"
#include "shell/shell.h"
#include <cstring>

static constexpr char TitleLine[] = "#\tKey\tLastWriteTime\r\n";

// A row's number as the list shows it; the digits are written, unended.
static size_t WriteNumber(char* at, int number)
{
    char digits[16];
    size_t count = 0;
    do {
        digits[count++] = char('0' + number % 10);
        number /= 10;
    } while (number > 0);
    for (size_t i = 0; i < count; ++i)
        at[i] = digits[count - 1 - i];
    return count;
}

static const char* TextOrEmpty(const char* text)
{
    return text ? text : "";
}

static size_t AllRowsLength()
{
    size_t length = sizeof TitleLine - 1;
    char number[16];
    for (int row = 0; row < RowCount; ++row)
        length += WriteNumber(number, row + 1) + strlen(TextOrEmpty(StoredKeyText(row)))
                + strlen(TextOrEmpty(StoredTimeText(row))) + 4;   // two tabs, CR LF
    return length;
}

static char* WriteText(char* at, const char* text)
{
    const size_t length = strlen(text);
    memcpy(at, text, length);
    return at + length;
}

static void WriteAllRows(char* at)
{
    at = WriteText(at, TitleLine);
    for (int row = 0; row < RowCount; ++row) {
        at += WriteNumber(at, row + 1);
        *at++ = '\t';
        at = WriteText(at, TextOrEmpty(StoredKeyText(row)));
        *at++ = '\t';
        at = WriteText(at, TextOrEmpty(StoredTimeText(row)));
        *at++ = '\r';
        *at++ = '\n';
    }
}

// The rows listed so far, also in the middle of a scan: rows come only in
// this thread's messages, and none is handled until the copy is done.
void CopyAllRows()
{
    HCURSOR shown = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const size_t length = AllRowsLength();
    auto* text = static_cast<char*>(VirtualAlloc(nullptr, length + 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (text) {
        WriteAllRows(text);
        CopyTextToClipboard(text, length);
        VirtualFree(text, 0, MEM_RELEASE);
    }
    SetCursor(shown);
}
