// Starts a program, or opens an address with its handler, through the shell.
#include "shell/shell.h"
#include <shellapi.h>

// The owner owns whatever the shell shows (a consent prompt included);
// failures stay silent, with no message of the shell's own.
void StartWithShell(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters)
{
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_FLAG_NO_UI;
    start.hwnd = owner;
    start.lpVerb = verb;
    start.lpFile = file;
    start.lpParameters = parameters;
    start.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&start);
}
