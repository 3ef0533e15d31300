// The Find dialog: modeless and owned by the main window, the program's
// own and Unicode, so a text typed in any script arrives whole (the
// system's Find dialog takes it through the ANSI code page under Wine).
#include "shell/shell.h"
#include "results/results.h"
#include "resources/resource.h"
#include <windowsx.h>

HWND FindDialog;
static bool FindDown = true;             // the dialog's direction; F3 and Shift+F3 choose their own

static void SelectFindText(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, IDC_FIND_TEXT);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

// Find Next stays grey while there is nothing to find.
static void EnableFindNext(HWND dialog)
{
    EnableWindow(GetDlgItem(dialog, IDOK), GetWindowTextLengthW(GetDlgItem(dialog, IDC_FIND_TEXT)) > 0);
}

static void TakeFindOptions(HWND dialog)
{
    GetDlgItemTextW(dialog, IDC_FIND_TEXT, FindText.data(), FindTextSize);
    FindMatchCase = IsDlgButtonChecked(dialog, IDC_FIND_MATCH_CASE) == BST_CHECKED;
    FindDown = IsDlgButtonChecked(dialog, IDC_FIND_DOWN) == BST_CHECKED;
}

static BOOL OnFindInitDialog(HWND dialog, HWND, LPARAM)
{
    SendDlgItemMessageW(dialog, IDC_FIND_TEXT, EM_LIMITTEXT, FindTextSize - 1, 0);
    SetDlgItemTextW(dialog, IDC_FIND_TEXT, FindText.data());
    CheckDlgButton(dialog, IDC_FIND_MATCH_CASE, FindMatchCase ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dialog, IDC_FIND_UP, IDC_FIND_DOWN, FindDown ? IDC_FIND_DOWN : IDC_FIND_UP);
    EnableFindNext(dialog);
    SelectFindText(dialog);
    return FALSE;                        // the focus is set
}

static void OnFindNext(HWND dialog)
{
    TakeFindOptions(dialog);
    if (FindText[0])
        FindNextRow(dialog, FindDown);
}

// The list had the focus before; with the dialog gone it has it again.
static void CloseFindDialog(HWND dialog)
{
    DestroyWindow(dialog);
    SetFocus(ResultList);
}

static void OnFindCommand(HWND dialog, int id, HWND, UINT code)
{
    switch (id) {
    case IDOK:          OnFindNext(dialog); break;
    case IDCANCEL:      CloseFindDialog(dialog); break;
    case IDC_FIND_TEXT: if (code == EN_CHANGE) EnableFindNext(dialog); break;
    default:            break;
    }
}

INT_PTR CALLBACK FindDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return HANDLE_WM_INITDIALOG(dialog, wParam, lParam, OnFindInitDialog);
    case WM_COMMAND:
        HANDLE_WM_COMMAND(dialog, wParam, lParam, OnFindCommand);
        return TRUE;
    case WM_DESTROY:
        FindDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

// It opens with the last text searched, selected, to be typed over.
void OpenFindDialog()
{
    if (!FindDialog)
        FindDialog = CreateDialogParamW(Instance, MAKEINTRESOURCEW(IDD_FIND), MainWindow, FindDlgProc, 0);
    if (!FindDialog)
        return;
    ShowWindow(FindDialog, SW_SHOW);
    SetActiveWindow(FindDialog);
    SelectFindText(FindDialog);
}

// What the dialog shows, while it is open, is the last text and options.
void FindAgain(bool down)
{
    if (FindDialog)
        TakeFindOptions(FindDialog);
    if (!FindText[0])
        OpenFindDialog();
    else
        FindNextRow(FindDialog ? FindDialog : MainWindow, down);
}
