// Identifiers shared by the program's code and resources/quillmere.rc.
#pragma once

// The main window's class, registered by the program and named by the
// "MAINWINDOW" template, so that its messages go to MainWndProc. A name
// that differs leaves the template without its class: no window, and the
// program ends at start-up.
#define MAINWINDOW_CLASS    "KESTRAVEL"

// Main window "MAINWINDOW": pickers, buttons, hive toggles, status, list
#define IDC_FROM_DATE       1001
#define IDC_BEFORE_DATE     1002
#define IDC_FROM_TIME       1003
#define IDC_BEFORE_TIME     1004
#define IDC_START           1006
#define IDC_PAUSE           1007
#define IDC_HIVE_HKCR       1008
#define IDC_HIVE_HKCU       1009
#define IDC_HIVE_HKLM       1010
#define IDC_HIVE_HKCC       1011
#define IDC_STATUS          1012
#define IDC_HIVE_HKU        1013
#define IDC_CLEAR           1014
#define IDC_RESULTS         1019

// About box 114: ids are per dialog, so 1019 here is not the result list
#define IDD_ABOUT           114
#define IDI_WEB             116
#define IDI_MAIL            117
#define IDC_WEB_LINK        1018
#define IDC_MAIL_LINK       1019
#define IDC_ABOUT_TITLE     1024

// System menu item and accelerator commands
#define IDM_ABOUT           2001
#define IDR_ACCELERATORS    102
#define IDA_ZERO_FROM_TIME  40001
#define IDA_FROM_NOW        40002
#define IDA_FROM_TO_BEFORE  40003
#define IDA_FIND            40004
#define IDA_FIND_NEXT       40005
#define IDA_FIND_PREVIOUS   40006
#define IDA_BEFORE_NOW      40007
// Those of them the Find dialog takes too: none an edit box has a use for
#define IDR_FIND_ACCELERATORS 104

// The result list's context menu: a row's popup, then the list's
#define IDR_ROW_MENU        103
#define IDM_OPEN_ROW        2002
#define IDM_COPY_KEY_PATH   2003
#define IDM_COPY_ALL_ROWS   2004
#define IDM_FIND            2005

// Find dialog, modeless
#define IDD_FIND            115
#define IDC_FIND_TEXT       1030
#define IDC_FIND_MATCH_CASE 1031
#define IDC_FIND_UP         1032
#define IDC_FIND_DOWN       1033

// Version block
#define QUILLMERE_VERSION_BIN  1,0,0,1
#define QUILLMERE_VERSION_TEXT "1, 0, 0, 1"
