// The depth-first walk over one registry tree.
#include "scan/scan.h"
#include "shell/shell.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>

std::atomic<uint8_t> ScanRunning{0};
std::atomic<int32_t> KeysScanned{0};
char AncestorPath[PathSize];
int32_t AncestorLength;

// Scratch of the key in hand; only one walk runs at a time.
static FILETIME LocalWriteTime;
static char KeyPathText[PathSize];
static char TimeText[64];

// Formats into a fixed buffer and returns the characters it holds. A text
// that does not fit is cut and ends in "...", so a path past the buffer
// never passes for the path of a shorter key.
static int FormatBounded(char* buffer, int size, const char* format, ...)
{
    if (size <= 0)
        return 0;
    va_list args;
    va_start(args, format);
    int wanted = vsnprintf(buffer, size, format, args);
    va_end(args);
    if (wanted < 0) {
        buffer[0] = '\0';
        return 0;
    }
    if (wanted < size)
        return wanted;
    buffer[size - 1] = '\0';
    for (int i = size > 4 ? size - 4 : 0; i < size - 1; ++i)
        buffer[i] = '.';
    return size - 1;
}

// A key name has at most 255 UTF-16 characters; its ANSI form may need
// more bytes than that in a double-byte or UTF-8 code page.
static constexpr int NameSize = 256;

// The name as every text of the program shows it: in the ANSI code page,
// with its default character for what the code page lacks. A name whose
// ANSI form does not fit is cut after a whole character and ends in "...".
static void MakeAnsiName(const wchar_t* wideName, int wideLength, char* name, int size)
{
    int length = WideCharToMultiByte(CP_ACP, 0, wideName, wideLength, name, size - 1, nullptr, nullptr);
    if (length > 0 || wideLength == 0) {
        name[length] = '\0';
        return;
    }
    const int room = size - 4;
    length = 0;
    for (int i = 0; i < wideLength && length < room; ) {
        int units = IS_SURROGATE_PAIR(wideName[i], i + 1 < wideLength ? wideName[i + 1] : 0) ? 2 : 1;
        // A zero-sized buffer would make this a length query: hence length < room.
        int written = WideCharToMultiByte(CP_ACP, 0, wideName + i, units, name + length, room - length, nullptr, nullptr);
        if (written <= 0)
            break;
        length += written;
        i += units;
    }
    memcpy(name + length, "...", 4);
}

// Blocks while the scan is paused. A safe point: the worker holds no lock
// here, only open key handles, so the user-interface thread may use the
// registry and the heap freely meanwhile.
static void WaitWhilePaused()
{
    // The flag spares a wineserver call per key while nobody has paused.
    if (ScanPaused.load() && ScanRunning.load()) {
        // Where the walk stands, and the rows found so far, are shown while
        // it stands still.
        HandOverWalk(AncestorPath);
        WaitForSingleObject(ScanGate, INFINITE);
    }
}

static void ListKey(const char* name)
{
    SYSTEMTIME st;
    FileTimeToSystemTime(&LocalWriteTime, &st);
    FormatBounded(KeyPathText, sizeof KeyPathText, "%s%s", AncestorPath, name);
    FormatBounded(TimeText, sizeof TimeText, "%i.%i.%i %i:%i:%i",
                  st.wDay, st.wMonth, st.wYear, st.wHour, st.wMinute, st.wSecond);
    // The row is added on the user-interface thread, with others in one
    // message, so a Clear can never fall between its steps.
    HoldFoundRow(KeyPathText, TimeText);
}

// Windows nests keys at most 512 deep. A deeper tree (Wine takes one) would
// exhaust the worker's stack, so the walk goes no deeper: a key at the limit
// is counted and listed like one that cannot be opened. A level takes about
// 900 bytes, both name buffers included, so 512 levels use under half of a
// 1 MiB stack.
static constexpr int MaxKeyDepth = 512;
static int SubtreeDepth;           // levels below the root key of the key in hand, less one

static void WalkLevel(HKEY key, const char* keyName);

// Opens the subkey by its UTF-16 name, which names it exactly, and on the
// native registry view: a 32-bit process is otherwise redirected to
// Wow6432Node and would list paths naming other keys.
static void ScanSubtree(HKEY key, const wchar_t* wideName, const char* name)
{
    if (SubtreeDepth >= MaxKeyDepth - 1)
        return;
    HKEY sub;
    if (RegOpenKeyExW(key, wideName, 0, MAXIMUM_ALLOWED | KEY_WOW64_64KEY, &sub) != ERROR_SUCCESS)
        return;
    DWORD subkeyCount = 0;
    if (RegQueryInfoKeyW(sub, nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
        && subkeyCount != 0) {
        ++SubtreeDepth;
        WalkLevel(sub, name);
        --SubtreeDepth;
    }
    RegCloseKey(sub);
}

// AncestorPath holds the key's own path, with its trailing backslash, while
// its subkeys are visited: the status text of each of them.
static void WalkLevel(HKEY key, const char* keyName)
{
    if (!ScanRunning.load())
        return;
    const int appended = FormatBounded(AncestorPath + AncestorLength, PathSize - AncestorLength, "%s\\", keyName);
    AncestorLength += appended;
    for (DWORD index = 0;; ) {
        WaitWhilePaused();
        wchar_t wideName[NameSize];
        DWORD nameLength = NameSize;
        FILETIME lastWrite;
        LONG result = RegEnumKeyExW(key, index, wideName, &nameLength, nullptr, nullptr, nullptr, &lastWrite);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        ++index;
        // Windows names have at most 255 characters, but Wine takes one more,
        // which does not fit: that one subkey is skipped. Any other failure
        // would repeat for every index, so this level ends. Neither leaves a
        // stale name.
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        char name[NameSize];
        MakeAnsiName(wideName, static_cast<int>(nameLength), name, sizeof name);

        ShowWalkProgress(AncestorPath);
        KeysScanned.fetch_add(1, std::memory_order_relaxed);
        ScanSubtree(key, wideName, name);

        ConvertToLocalTime(lastWrite, LocalWriteTime);
        if (IsInTimeWindow(LocalWriteTime))
            ListKey(name);
        if (!ScanRunning.load())
            break;
    }
    AncestorLength -= appended;
    AncestorPath[AncestorLength] = '\0';
}

void ScanKeyTree(HKEY key, const char* keyName)
{
    WalkLevel(key, keyName);
    HandOverWalk(nullptr);
}
