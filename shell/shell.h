// Application shell: start-up, the main window with its pickers and status
// line, the Find dialog and the About box.
#pragma once
#include <windows.h>

// ---- Program-wide handles, set at start-up and only read afterwards ------
extern HINSTANCE Instance;
extern HWND MainWindow;
extern HWND ResultList;
extern HWND StatusLine;
extern HWND StartButton;
extern HWND PauseButton;
extern HWND FromDatePicker;
extern HWND FromTimePicker;
extern HWND BeforeDatePicker;
extern HWND BeforeTimePicker;
extern HWND FindDialog;                  // the modeless Find dialog, or null while it is closed

// Private messages, from the worker and from the list to its window; WM_APP
// because the window hosts a dialog.
constexpr UINT WM_APP_SCAN_FINISHED = WM_APP + 2;   // the worker has walked its last root
constexpr UINT WM_APP_WALK_PROGRESS = WM_APP + 3;   // wParam rows found (FoundRowBatch) or null, lParam the path walked or null
constexpr UINT WM_APP_SHOW_NEWEST_ROW = WM_APP + 4; // posted by the list's paint for its second half
constexpr UINT_PTR PendingStartTimer = 1;           // retries a deferred Start
constexpr DWORD StatusPaintMs = 40;                 // the status line paints at most this often

// The maker, shown in the caption and linked from the About box.
#define MAKER_HOST L"orvane.example"
constexpr wchar_t WebAddress[] = L"https://" MAKER_HOST L"/quillmere/";
constexpr wchar_t MailText[] = L"mailto:quillmere@" MAKER_HOST;
constexpr wchar_t MailTarget[] = L"mailto:quillmere@" MAKER_HOST L"?Subject=Quillmere_1.0";

// ---- Start-up (program_entry.cpp) ----------------------------------------
[[noreturn]] void ProgramEntry();                    // checks, window, message loop

// ---- Main window (main_window.cpp) ---------------------------------------
bool LoadCommonControls();                           // list view and date-time picker classes
HWND OpenMainWindow();                               // from its template, set up; null if not made
void InitMainWindow(HWND hwnd);                      // system menu, handles, list, time window
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Picker formats (picker_formats.cpp) ---------------------------------
constexpr int FormatSize = 80;
extern wchar_t PickerDateFormat[FormatSize];         // what the date pickers show, in the locale's own characters
extern wchar_t PickerTimeFormat[FormatSize];         // and the time pickers
void FitPickerFormats();                             // each picker shows its widest value whole

// ---- Status line (status_line.cpp): text set at once, painted at the screen's pace
void InstallStatusLine(HWND statusLine);             // from InitMainWindow

// ---- The shell's starts (shell_start.cpp) -----------------------------------
// The default verb when verb is null; parameters may be null.
void StartWithShell(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters);

// ---- Text fitting (text_fit.cpp) -------------------------------------------
void WidenOneLineTexts(HWND dialog);                 // each one-line static as wide as its text needs

// ---- About box (about_box.cpp) -------------------------------------------
void OpenAboutBox(HWND owner);                       // modal, from the system menu
INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Find dialog (find_dialog.cpp) ---------------------------------------
void OpenFindDialog();                               // Ctrl+F: opened, or brought forward
void FindAgain(bool down);                           // F3, Shift+F3; with no text yet, the dialog
INT_PTR CALLBACK FindDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
