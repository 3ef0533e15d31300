// The executable's start-up sequence and message loop.
#include "shell/shell.h"
#include "resources/resource.h"
#include <objbase.h>

// Set only in the test build that proves the missing-library path.
#ifdef QUILLMERE_FAIL_COMMON_CONTROLS
static constexpr bool CommonControlsRefused = true;
#else
static constexpr bool CommonControlsRefused = false;
#endif

void ProgramEntry()
{
    if (!LoadCommonControls() || CommonControlsRefused) {
        MessageBoxW(nullptr, L"For working the program needs library comctl32.dll ver. > 4.70",
                    L"Quillmere ERROR", MB_SYSTEMMODAL);
        ExitProcess(0);
    }
    // The shell's start of the editor and of the links may use COM objects
    // that need a single-threaded apartment on the calling thread.
    const bool comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    HWND hwnd = OpenMainWindow();
    if (!hwnd)
        ExitProcess(0);
    HACCEL accelerators = LoadAcceleratorsW(Instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    HACCEL findAccelerators = LoadAcceleratorsW(Instance, MAKEINTRESOURCEW(IDR_FIND_ACCELERATORS));

    // Accelerators come first, so the time and find commands work whichever
    // control has the focus; then the dialog keyboard interface (Tab,
    // Shift+Tab; Enter and Escape in the Find dialog). Unicode throughout,
    // so text typed in any script reaches the Find dialog whole.
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        const bool inFind = FindDialog && (msg.hwnd == FindDialog || IsChild(FindDialog, msg.hwnd));
        if (TranslateAcceleratorW(hwnd, inFind ? findAccelerators : accelerators, &msg))
            continue;
        if (inFind && IsDialogMessageW(FindDialog, &msg))
            continue;
        if (IsDialogMessageW(hwnd, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (comStarted)
        CoUninitialize();
    ExitProcess(0);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ProgramEntry();
}
