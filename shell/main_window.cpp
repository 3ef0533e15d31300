// The main window "MAINWINDOW" and the routing of its messages.
#include "shell/shell.h"
#include "scan/scan.h"
#include "results/results.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <windowsx.h>

HINSTANCE Instance;
HWND MainWindow;
HWND ResultList;
HWND StatusLine;
HWND StartButton;
HWND PauseButton;
HWND FromDatePicker;
HWND FromTimePicker;
HWND BeforeDatePicker;
HWND BeforeTimePicker;

// The control the user was in when the window last lost the activation.
static HWND FocusedControl;

// The "MAINWINDOW" template names this class, so the dialog it makes is
// answered by MainWndProc, not by the dialog manager; the class keeps the
// extra bytes a dialog needs. The window is Unicode: its controls send
// their notifications in UTF-16.
static void RegisterMainWindowClass()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = Instance;
    wc.hIcon = LoadIconW(Instance, L"FRAMEICON");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    wc.lpszClassName = L"" MAINWINDOW_CLASS;
    RegisterClassExW(&wc);
}

bool LoadCommonControls()
{
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    return InitCommonControlsEx(&classes);
}

HWND OpenMainWindow()
{
    Instance = GetModuleHandleW(nullptr);
    RegisterMainWindowClass();
    HWND hwnd = CreateDialogParamW(Instance, L"MAINWINDOW", nullptr, nullptr, 0);
    if (hwnd)
        InitMainWindow(hwnd);
    return hwnd;
}

void InitMainWindow(HWND hwnd)
{
    MainWindow = hwnd;
    InsertMenuW(GetSystemMenu(hwnd, FALSE), static_cast<UINT>(-1), MF_BYPOSITION, IDM_ABOUT, L"About");
    DrawMenuBar(hwnd);
    ResultList = GetDlgItem(hwnd, IDC_RESULTS);
    StatusLine = GetDlgItem(hwnd, IDC_STATUS);
    InstallStatusLine(StatusLine);
    StartButton = GetDlgItem(hwnd, IDC_START);
    PauseButton = GetDlgItem(hwnd, IDC_PAUSE);
    FromDatePicker = GetDlgItem(hwnd, IDC_FROM_DATE);
    FromTimePicker = GetDlgItem(hwnd, IDC_FROM_TIME);
    BeforeDatePicker = GetDlgItem(hwnd, IDC_BEFORE_DATE);
    BeforeTimePicker = GetDlgItem(hwnd, IDC_BEFORE_TIME);
    SetupResultList(ResultList);
    InstallResultListProc(ResultList);
    FitPickerFormats();
    // "from" and "before" have little room to spare.
    WidenOneLineTexts(hwnd);
    InitTimeWindow();
}

static void OnClose(HWND hwnd)
{
    DestroyWindow(hwnd);
}

static void OnDestroy(HWND)
{
    PostQuitMessage(0);
}

// The dialog keyboard interface asks the window itself to move the focus
// (Tab, Shift+Tab, arrows within a group). Only the dialog default procedure
// would act on that, and this window uses DefWindowProcW, so do it here.
static void OnNextDlgCtl(HWND hwnd, WPARAM target, LPARAM byHandle)
{
    HWND next = reinterpret_cast<HWND>(target);
    if (!LOWORD(byHandle)) {
        HWND focus = GetFocus();
        if (focus == hwnd || !IsChild(hwnd, focus))
            focus = nullptr;
        next = GetNextDlgTabItem(hwnd, focus, target != 0);
    }
    if (next)
        SetFocus(next);
}

// The dialog manager keeps a dialog's focused control over a deactivation
// and gives it back on activation; DefWindowProcW would leave the focus on
// the window itself, where arrows and Enter do nothing. Only SetFocus: the
// program's own act moves no selection and no view.
static void OnActivate(HWND hwnd, UINT state, HWND other, BOOL minimized)
{
    if (state == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus))
            FocusedControl = focus;
    } else if (!IsIconic(hwnd) && FocusedControl && IsChild(hwnd, FocusedControl)) {
        SetFocus(FocusedControl);
        return;
    }
    FORWARD_WM_ACTIVATE(hwnd, state, other, minimized, DefWindowProcW);
}

// Common controls learn of a new colour scheme only from their parent.
static void OnSysColorChange(HWND hwnd)
{
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
}

static void OnTimer(HWND, UINT id)
{
    if (id == PendingStartTimer)
        StartPendingScan();
}

// The rows come first: the walk found them before it reached this path.
static void OnWalkProgress(const FoundRowBatch* rows, const char* path)
{
    if (rows)
        AddFoundRows(*rows);
    if (path) {
        wchar_t text[PathSize];
        DecodeUtf8(path, -1, text, PathSize);
        SetWindowTextW(StatusLine, text);
    }
}

// The result list's own are handled in its folder.
static LRESULT OnNotify(HWND, int, NMHDR* header)
{
    if (header->hwndFrom == ResultList)
        return OnResultListNotify(header);
    if (header->code == DTN_DATETIMECHANGE)
        OnDateTimeChange(reinterpret_cast<NMDATETIMECHANGE*>(header));
    return 0;
}

// Decided on the id alone: IDOK and IDCANCEL (Enter, Escape) fall through
// and leave the window open.
static void OnCommand(HWND hwnd, int id, HWND, UINT)
{
    switch (id) {
    case IDC_START:          ToggleScan(); break;
    case IDC_PAUSE:          TogglePause(); break;
    case IDC_HIVE_HKCR:
    case IDC_HIVE_HKCU:
    case IDC_HIVE_HKLM:
    case IDC_HIVE_HKCC:
    case IDC_HIVE_HKU:       SelectHive(id, IsDlgButtonChecked(hwnd, id) == BST_CHECKED); break;
    case IDC_CLEAR:          ClearResults(); break;
    case IDA_ZERO_FROM_TIME: ZeroFromTime(); break;
    case IDA_FROM_NOW:       SetFromToNow(); break;
    case IDA_FROM_TO_BEFORE: CopyFromToBefore(); break;
    case IDA_BEFORE_NOW:     SetBeforeToNow(); break;
    case IDA_FIND:           OpenFindDialog(); break;
    case IDA_FIND_NEXT:      FindAgain(true); break;
    case IDA_FIND_PREVIOUS:  FindAgain(false); break;
    default:                 break;
    }
}

// The list's own, from a right-click or the keyboard (Shift+F10, the Menu
// key); any other goes on to the system.
static void OnContextMenu(HWND hwnd, HWND target, LPARAM at)
{
    if (target == ResultList)
        ShowRowMenu(at);
    else
        DefWindowProcW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), at);
}

static void OnSysCommand(HWND hwnd, UINT command, int x, int y)
{
    if (LOWORD(command) == IDM_ABOUT)
        OpenAboutBox(hwnd);
    FORWARD_WM_SYSCOMMAND(hwnd, command, x, y, DefWindowProcW);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        HANDLE_MSG(hwnd, WM_CLOSE, OnClose);
        HANDLE_MSG(hwnd, WM_DESTROY, OnDestroy);
        HANDLE_MSG(hwnd, WM_NOTIFY, OnNotify);
        HANDLE_MSG(hwnd, WM_COMMAND, OnCommand);
        HANDLE_MSG(hwnd, WM_SYSCOMMAND, OnSysCommand);
        HANDLE_MSG(hwnd, WM_TIMER, OnTimer);
        HANDLE_MSG(hwnd, WM_ACTIVATE, OnActivate);
        HANDLE_MSG(hwnd, WM_SYSCOLORCHANGE, OnSysColorChange);
    case WM_NEXTDLGCTL:
        OnNextDlgCtl(hwnd, wParam, lParam);
        return 0;
    case WM_CONTEXTMENU:
        OnContextMenu(hwnd, reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case WM_APP_WALK_PROGRESS:
        OnWalkProgress(reinterpret_cast<const FoundRowBatch*>(wParam), reinterpret_cast<const char*>(lParam));
        return 0;
    case WM_APP_SCAN_FINISHED:
        FinishScan();
        return 0;
    case WM_APP_SHOW_NEWEST_ROW:
        ShowNewestRow();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
