// Copies every listed row as text: a line of the column titles, then one
// line a row, the columns apart by tabs, so that it pastes into a
// spreadsheet as three columns. The texts come from the row store, the
// list's own source, so a row streaming in is never half read.
#include "results/results.h"
#include "shell/shell.h"
#include "scan/scan.h"
#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>

// Writes a row's number as the list shows it, without a terminator, and
// returns how many digits it wrote.
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

// The column titles apart by tabs, then a line's end.
static size_t TitleLineLength()
{
    size_t length = 0;
    for (const wchar_t* title : ColumnTitles)
        length += wcslen(title) + 1;     // and its tab, or the CR
    return length + 1;                   // LF
}

static wchar_t* WriteTitleLine(wchar_t* at)
{
    for (const wchar_t* title : ColumnTitles) {
        at = std::copy(title, title + wcslen(title), at);
        *at++ = title == ColumnTitles.back() ? L'\r' : L'\t';
    }
    *at++ = L'\n';
    return at;
}

static size_t AllRowsLength()
{
    size_t length = TitleLineLength();
    wchar_t number[16];
    for (int row = 0; row < RowCount; ++row)
        length += WriteNumber(number, row + 1) + Units(StoredKeyText(row)) + Units(StoredTimeText(row))
                + 4;   // two tabs, CR LF
    return length;
}

// Writes text with no bound: AllRowsLength measured the room beforehand.
// The terminator it adds is overwritten by what follows, or lands in the
// one unit allocated past the end.
static wchar_t* WriteText(wchar_t* at, const char* text)
{
    return at + DecodeUtf8(TextOrEmpty(text), -1, at, INT_MAX);
}

static void WriteAllRows(wchar_t* at)
{
    at = WriteTitleLine(at);
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
    HCURSOR shown = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
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
