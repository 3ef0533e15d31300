// Stands in for a regedit.exe planted beside Quillmere: records that it ran
// in "planted-regedit.ran" beside itself.
#include <windows.h>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string marker(path);
    marker = marker.substr(0, marker.find_last_of('\\') + 1) + "planted-regedit.ran";
    HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(file);
    return 0;
}
