// Puts text on the clipboard: a row's key path, or every row.
#include "results/results.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <climits>
#include <cstring>

// Moveable global memory, what the clipboard takes over, filled by fill.
template <typename Fill>
static HGLOBAL FilledGlobal(SIZE_T size, Fill fill)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return nullptr;
    void* bytes = GlobalLock(memory);
    if (!bytes || !fill(bytes)) {
        if (bytes)
            GlobalUnlock(memory);
        GlobalFree(memory);
        return nullptr;
    }
    GlobalUnlock(memory);
    return memory;
}

static HGLOBAL AnsiCopy(const char* text, size_t length)
{
    return FilledGlobal(length + 1, [&](void* bytes) {
        memcpy(bytes, text, length);
        static_cast<char*>(bytes)[length] = '\0';
        return true;
    });
}

// Converted from the code page the text was made in, the ANSI one.
static HGLOBAL UnicodeCopy(const char* text, size_t length)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text, int(length), nullptr, 0);
    if (units <= 0 && length > 0)
        return nullptr;
    return FilledGlobal((SIZE_T(units) + 1) * sizeof(WCHAR), [&](void* bytes) {
        auto* wide = static_cast<WCHAR*>(bytes);
        if (length > 0 && MultiByteToWideChar(CP_ACP, 0, text, int(length), wide, units) != units)
            return false;
        wide[units] = L'\0';
        return true;
    });
}

// Both forms, made here: from CF_TEXT alone Windows would make the Unicode
// form with the code page of the keyboard language active at the time, not
// the ANSI one the text is in. Either form cannot be had: nothing changes.
bool CopyTextToClipboard(const char* text, size_t length)
{
    if (length >= size_t(INT_MAX))
        return false;
    HGLOBAL ansi = AnsiCopy(text, length);
    HGLOBAL unicode = ansi ? UnicodeCopy(text, length) : nullptr;
    if (!unicode || !OpenClipboard(MainWindow)) {
        if (ansi)
            GlobalFree(ansi);
        if (unicode)
            GlobalFree(unicode);
        return false;
    }
    EmptyClipboard();
    // Once set, the memory is the clipboard's; only a refused one is ours to free.
    if (!SetClipboardData(CF_UNICODETEXT, unicode))
        GlobalFree(unicode);
    if (!SetClipboardData(CF_TEXT, ansi))
        GlobalFree(ansi);
    CloseClipboard();
    return true;
}

void CopyKeyPath(int item)
{
    char text[PathSize];
    ReadKeyPath(item, text, sizeof text);
    CopyTextToClipboard(text, strlen(text));
}
