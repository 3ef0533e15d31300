// Copies a row's key path to the clipboard, as text.
#include "results/results.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include <commctrl.h>

// Moveable global memory holding text: what the clipboard takes over.
static HGLOBAL CopyToGlobal(const char* text)
{
    const SIZE_T size = SIZE_T(lstrlenA(text)) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return nullptr;
    void* bytes = GlobalLock(memory);
    if (!bytes) {
        GlobalFree(memory);
        return nullptr;
    }
    CopyMemory(bytes, text, size);
    GlobalUnlock(memory);
    return memory;
}

// Only CF_TEXT: Windows makes the Unicode form from it on request.
void CopyKeyPath(int item)
{
    char text[PathSize];
    ReadKeyPath(item, text, sizeof text);
    HGLOBAL memory = CopyToGlobal(text);
    if (!memory)
        return;
    if (!OpenClipboard(MainWindow)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    // Once set, the memory is the clipboard's; only a refused one is ours to free.
    if (!SetClipboardData(CF_TEXT, memory))
        GlobalFree(memory);
    CloseClipboard();
}
