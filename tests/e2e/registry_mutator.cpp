// Creates, deletes and rewrites keys below one key as fast as it can, until
// its stop event is set. Usage: mutator <key below HKCU> <log file> <event>
// Every path it ever creates goes to the log, one a line, so a test can tell
// a listed key that once existed from one that never did.
#include <windows.h>
#include <cstdio>
#include <random>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const std::string root = argv[1];
    FILE* log = fopen(argv[2], "wb");
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
    if (!log || !stop)
        return 2;
    std::mt19937 random(GetCurrentProcessId());
    const char* names[] = {"a", "b", "c", "d", "e", "f"};
    long operations = 0;
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        // Mostly growth and rewrites, and deletions mostly deep down, so the
        // tree stays large while whole subtrees still vanish under the walk.
        const unsigned roll = random() % 20;
        const int operation = roll < 10 ? 0 : roll < 13 ? 1 : 2;
        int depth = 1 + random() % 4;
        if (operation == 1 && depth < 3 && random() % 8 != 0)
            depth += 2;
        std::string path = root;
        for (; depth > 0; --depth)
            path += std::string("\\") + names[random() % 6];
        HKEY key;
        switch (operation) {
        case 0:
            if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                nullptr, &key, nullptr) == ERROR_SUCCESS) {
                RegCloseKey(key);
                fprintf(log, "%s\n", path.c_str());
            }
            break;
        case 1:
            RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
            RegDeleteKeyExA(HKEY_CURRENT_USER, path.c_str(), KEY_WOW64_64KEY, 0);
            break;
        default:
            // A rewrite moves the key's last write time.
            if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
                RegSetValueExA(key, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&operations), sizeof operations);
                RegCloseKey(key);
            }
            break;
        }
        ++operations;
    }
    fclose(log);
    CloseHandle(stop);
    printf("%ld\n", operations);
    return 0;
}
