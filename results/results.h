// Result display: the list of found keys, the texts it shows, and what the
// user does with a row: open it in the registry editor, copy it, find it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <array>
#include <atomic>
#include <cstdint>

// ---- Program-wide state of the result list -------------------------------
extern int32_t RowCount;                 // rows since start-up or the last Clear; UI thread only
extern std::atomic<uint32_t> ClearCount; // Clears so far; written on the UI thread, read by the walk
extern std::atomic<bool> ListPainting;   // the list is catching up with new rows; the walk's hand-over waits
constexpr int CellPadding = 12;          // pixels a list cell keeps clear of its text, both sides together
constexpr int FindTextSize = 4096;       // a search text's units with its terminator: a whole path's
extern std::array<wchar_t, FindTextSize> FindText;   // the last text searched; empty: none yet
extern bool FindMatchCase;               // the last search's "Match case"
// The view shows each newest row as it comes: at start-up, Start and Clear,
// and once the user asks for the end; a click on a row, a key or Find that
// selects one, or a scroll away from the end stops it. UI thread only.
extern bool ListFollowing;

// Rows the walk has found since its last hand-over, packed: each row's key
// text and then its time text, both NUL-terminated. They travel to the
// window in one synchronous message, with the status text or alone when
// the batch is full. The worker fills it; the user-interface thread reads
// it only while the worker waits for that message.
constexpr int BatchRowCapacity = 256;
struct FoundRowBatch {
    uint32_t clears;                     // ClearCount when its rows were found
    int count;
    int used;                            // bytes of text
    std::array<int, BatchRowCapacity> keyAt;
    std::array<char, 64 * 1024> text;
};

// ---- Result list (result_list.cpp) ---------------------------------------
enum ResultColumn { NumberColumn, KeyColumn, TimeColumn, ColumnCount };
constexpr std::array<const wchar_t*, ColumnCount> ColumnTitles = {L"#", L"Key", L"LastWriteTime"};
void SetupResultList(HWND list);                                 // styles, columns
void FitColumns(HWND list);                                      // columns fill the client width
void AddResultRow(const char* keyText, const char* timeText);    // next numbered row
void AddFoundRows(const FoundRowBatch& batch);                   // each in the walk's order, unless a Clear came since
void ShowRowText(NMLVDISPINFOW* request);                        // the list asks for a row's text, in UTF-16
void ReadKeyPath(int item, wchar_t* text, int size);             // a row's key path as shown, cut to size - 1
void ShowNewestRow();                                            // a paint's second half: scrolled and painted
void ShowLatestRows();                                           // scan's end: painted at once
void ClearResults();                                             // Clear button

// ---- The list's notifications (list_notifications.cpp) --------------------
LRESULT OnResultListNotify(NMHDR* header);                       // WM_NOTIFY from the list: its result

// ---- Row texts (row_store.cpp), kept by the program, UI thread only --------
// Key paths are kept as UTF-8 (utf8_text.cpp), exactly as the walk named them.
// Every RowGroupRows-th row keeps its whole path, the others only what
// they add to the row before: any row is rebuilt from its group's first.
constexpr int RowGroupRows = 32;
bool StoreRowTexts(const char* keyText, const char* timeText);   // false when out of memory or too long
const char* StoredKeyText(int row);                              // null past the stored rows; good until the next call
const char* StoredTimeText(int row);                             // null past the stored rows; good until a Clear
int StoredSharedBytes(int row);                                  // how much of the path before it a row's begins with
void ClearRowStore();                                            // every row's texts freed

// ---- Registry editor (open_in_regedit.cpp) -------------------------------
void OpenInRegistryEditor(int item);                             // row double-clicked, or Enter
// The editor's command line: its quoted path, then "-m" on Windows and
// nothing under Wine; false when size units cannot hold it.
bool MakeEditorCommandLine(const wchar_t* editor, bool onWine, wchar_t* line, int size);

// ---- The list's own keys and the user's acts on it (row_keys.cpp) --------
void InstallResultListProc(HWND list);                           // Enter reaches it as NM_RETURN, not IDOK; the user's acts set ListFollowing
int SelectedRow();                                               // or -1 when none is
void OnResultListKey(const NMLVKEYDOWN* key);                    // Ctrl+C copies the selected row
LRESULT FindTypedRow(const NMLVFINDITEMW* asked);                // digits typed into the list: the row they number

// ---- Clipboard (clipboard.cpp, copy_all_rows.cpp) -------------------------
bool CopyTextToClipboard(const wchar_t* text, size_t length);    // Unicode and ANSI forms; false: clipboard untouched
DWORD AnsiCopyFlags(UINT codePage);                              // WideCharToMultiByte's flags for the ANSI form
void CopyKeyPath(int item);                                      // the row's key path, as text
void CopyAllRows();                                              // every row listed so far, tab-separated lines

// ---- Context menu and tips (row_menu.cpp, row_tip.cpp) -------------------
void ShowRowMenu(LPARAM at);                                     // WM_CONTEXTMENU's point; -1, -1 from the keyboard
void ShowRowTip(NMLVGETINFOTIPW* request);                       // a cut key path shown whole

// ---- Find (find_rows.cpp) ------------------------------------------------
// The first of rows (the listed ones) from first on, towards the end or
// the start, whose key path holds text; -1 when none does.
int FindRow(const wchar_t* text, bool matchCase, bool down, int first, int rows);
void FindNextRow(HWND owner, bool down);                         // with FindText: found selected, or owner says none is
