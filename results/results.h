// Result display: the list of found keys and opening one in the registry editor.
#pragma once
#include <windows.h>
#include <cstdint>

// ---- Program-wide state of the result list -------------------------------
extern int32_t RowCount;     // rows since start-up or the last Clear; UI thread only

// ---- Result list (result_list.cpp) ---------------------------------------
void SetupResultList(HWND list);                                 // styles, columns
void FitColumns(HWND list);                                      // columns fill the client width
void AddResultRow(const char* keyText, const char* timeText);    // next numbered row
void ClearResults();                                             // Clear button

// ---- Registry editor (open_in_regedit.cpp) -------------------------------
void OpenInRegistryEditor(int item);                             // row double-clicked
