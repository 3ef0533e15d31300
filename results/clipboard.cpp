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

static HGLOBAL UnicodeCopy(const wchar_t* text, size_t length)
{
    return FilledGlobal((length + 1) * sizeof(WCHAR), [&](void* bytes) {
        memcpy(bytes, text, length * sizeof(WCHAR));
        static_cast<WCHAR*>(bytes)[length] = L'\0';
        return true;
    });
}

// What the code page lacks is its default character, never a look-alike
// ("Zazólc" for "Zażółć" would name another key). Where the ANSI code page
// is UTF-8 (Windows' "Use Unicode UTF-8 for worldwide language support")
// the flag makes the conversion fail, and nothing lacks there.
DWORD AnsiCopyFlags(UINT codePage)
{
    return codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
}

// For programs that read only the ANSI form.
static HGLOBAL AnsiCopy(const wchar_t* text, size_t length)
{
    const DWORD flags = AnsiCopyFlags(GetACP());
    const int bytes = WideCharToMultiByte(CP_ACP, flags, text, int(length), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0 && length > 0)
        return nullptr;
    return FilledGlobal(SIZE_T(bytes) + 1, [&](void* memory) {
        auto* ansi = static_cast<char*>(memory);
        if (length > 0 && WideCharToMultiByte(CP_ACP, flags, text, int(length), ansi, bytes, nullptr, nullptr) != bytes)
            return false;
        ansi[bytes] = '\0';
        return true;
    });
}

// Both forms, made here: left to the system, the ANSI form would be made
// with the code page of the keyboard language active at the time, not the
// ANSI one, and with look-alikes. If either form can't be made, the
// clipboard is left unchanged.
bool CopyTextToClipboard(const wchar_t* text, size_t length)
{
    if (length >= size_t(INT_MAX) / sizeof(WCHAR))
        return false;
    HGLOBAL unicode = UnicodeCopy(text, length);
    HGLOBAL ansi = unicode ? AnsiCopy(text, length) : nullptr;
    if (!ansi || !OpenClipboard(MainWindow)) {
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
    wchar_t text[PathSize];
    ReadKeyPath(item, text, PathSize);
    CopyTextToClipboard(text, wcslen(text));
}
