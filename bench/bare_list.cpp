// What a bare list view holds for rows like the program's: the same
// control with callback items in a process of its own, so the list's share
// of a listed row's memory stands apart from the program's.
#include "bench/bench.h"
#include <commctrl.h>
#include <cstdio>

int MeasureBareList(int items)
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 600, 400, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!list)
        return 1;
    for (int column = 0; column < 3; ++column) {
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH;
        col.cx = 100;
        SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
    }
    const SIZE_T heap = HeapBytesInUse(), committed = CommittedPrivateBytes(), resident = ResidentBytes();
    for (int i = 0; i < items; ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    printf("%.0f %.0f %.0f\n", double(HeapBytesInUse() - heap) / items,
           double(CommittedPrivateBytes() - committed) / items, double(ResidentBytes() - resident) / items);
    DestroyWindow(list);
    return 0;
}

BareListMemory RunBareList(int items)
{
    BareListMemory memory{-1, -1, -1};
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return memory;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    char path[MAX_PATH], commandLine[MAX_PATH + 64];
    GetModuleFileNameA(nullptr, path, sizeof path);
    snprintf(commandLine, sizeof commandLine, "\"%s\" --bare-list %d", path, items);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writeEnd);
    char text[256] = "";
    DWORD length = 0, got;
    while (started && length < sizeof text - 1 && ReadFile(readEnd, text + length, sizeof text - 1 - length, &got, nullptr) && got)
        length += got;
    text[length] = '\0';
    CloseHandle(readEnd);
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        sscanf(text, "%lf %lf %lf", &memory.heap, &memory.committed, &memory.resident);
    }
    return memory;
}
