// Copies every listed row as text: a line of the column titles, then one
// line a row, the columns apart by tabs, so that it pastes into a
// spreadsheet as three columns. The texts come from the row store, the
// list's own source, so a row streaming in is never half read.
#include "results/results.h"
#include "shell/shell.h"
#include "scan/scan.h"
#include <climits>
#include <cstring>

static constexpr wchar_t TitleLine[] = L"#\tKey\tLastWriteTime\r\n";

// A row's number as the list shows it; the digits are written, unended.
static size_t WriteNumber(wchar_t* at, int number)
{
    wchar_t digits[16];
    size_t count = 0;
    do {
        digits[count++] = wchar_t(L'0' + number % 10);
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

// UTF-16 units of a stored text.
static size_t Units(const char* text)
{
    return size_t(DecodeUtf8(TextOrEmpty(text), -1, nullptr, 0));
}

static size_t AllRowsLength()
{
    size_t length = sizeof TitleLine / sizeof TitleLine[0] - 1;
    wchar_t number[16];
    for (int row = 0; row < RowCount; ++row)
        length += WriteNumber(number, row + 1) + Units(StoredKeyText(row)) + Units(StoredTimeText(row))
                + 4;   // two tabs, CR LF
    return length;
}

// Room was measured beforehand; the terminator lands where the next
// character goes, or on the one unit kept past the end.
static wchar_t* WriteText(wchar_t* at, const char* text)
{
    return at + DecodeUtf8(TextOrEmpty(text), -1, at, INT_MAX);
}

static void WriteAllRows(wchar_t* at)
{
    memcpy(at, TitleLine, sizeof TitleLine - sizeof TitleLine[0]);
    at += sizeof TitleLine / sizeof TitleLine[0] - 1;
    for (int row = 0; row < RowCount; ++row) {
        at += WriteNumber(at, row + 1);
        *at++ = L'\t';
        at = WriteText(at, StoredKeyText(row));
        *at++ = L'\t';
        at = WriteText(at, StoredTimeText(row));
        *at++ = L'\r';
        *at++ = L'\n';
    }
}

// The rows listed so far, also in the middle of a scan: rows come only in
// this thread's messages, and none is handled until the copy is done.
void CopyAllRows()
{
    HCURSOR shown = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const size_t length = AllRowsLength();
    auto* text = static_cast<wchar_t*>(
        VirtualAlloc(nullptr, (length + 1) * sizeof(wchar_t), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (text) {
        WriteAllRows(text);
        CopyTextToClipboard(text, length);
        VirtualFree(text, 0, MEM_RELEASE);
    }
    SetCursor(shown);
}
