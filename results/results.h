// Result display: the list of found keys and opening one in the registry editor.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <array>
#include <cstdint>

// ---- Program-wide state of the result list -------------------------------
extern int32_t RowCount;     // rows since start-up or the last Clear; UI thread only

// Rows the walk has found since its last status text. They travel to the
// window in the same synchronous message as the next status text, ahead of
// it, which spares a cross-thread round trip per listed key. The worker
// fills them; the user-interface thread reads them only while the worker
// waits for that message.
constexpr int HeldRowCapacity = 16;
struct HeldRow {
    char keyText[4096];      // the walk's path size
    char timeText[64];
};
struct HeldRows {
    int count;
    std::array<HeldRow, HeldRowCapacity> rows;
};

// ---- Result list (result_list.cpp) ---------------------------------------
void SetupResultList(HWND list);                                 // styles, columns
void FitColumns(HWND list);                                      // columns fill the client width
void AddResultRow(const char* keyText, const char* timeText);    // next numbered row
void AddHeldRows(const HeldRows& held);                          // each in the walk's order
void ShowLatestRows();                                           // scan's end: painted at once
void ClearResults();                                             // Clear button

// ---- Registry editor (open_in_regedit.cpp) -------------------------------
void OpenInRegistryEditor(int item);                             // row double-clicked, or Enter

// ---- The list's own keys (row_keys.cpp) ----------------------------------
void ClaimEnterKey(HWND list);                                   // Enter reaches it as NM_RETURN, not IDOK
int SelectedRow();                                               // or -1 when none is
void OnResultListKey(const NMLVKEYDOWN* key);                    // Ctrl+C copies the selected row

// ---- Clipboard (copy_key_path.cpp) ---------------------------------------
void CopyKeyPath(int item);                                      // the row's key path, as text
