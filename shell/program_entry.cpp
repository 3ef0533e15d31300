// The executable's start-up sequence and message loop.
#include "shell/shell.h"
#include "resources/resource.h"

// Set only in the test build that proves the missing-library path.
#ifdef QUILLMERE_FAIL_COMMON_CONTROLS
static constexpr bool CommonControlsRefused = true;
#else
static constexpr bool CommonControlsRefused = false;
#endif

void ProgramEntry()
{
    if (!LoadCommonControls() || CommonControlsRefused) {
        MessageBoxA(nullptr, "For working the program needs library comctl32.dll ver. > 4.70",
                    "Quillmere ERROR", MB_SYSTEMMODAL);
        ExitProcess(0);
    }
    HWND hwnd = OpenMainWindow();
    if (!hwnd)
        ExitProcess(0);
    HACCEL accelerators = LoadAcceleratorsA(Instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    // Accelerators come first, so the time commands work whichever control
    // has the focus; then the dialog keyboard interface (Tab, Shift+Tab).
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(hwnd, accelerators, &msg))
            continue;
        if (IsDialogMessageA(hwnd, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ExitProcess(0);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ProgramEntry();
}
