// The depth-first walk over one registry tree.
#include "scan/scan.h"
#include "shell/shell.h"
#include <algorithm>
#include <cstddef>
#include <cstring>

std::atomic<uint8_t> ScanRunning{0};
std::atomic<int32_t> KeysScanned{0};
char AncestorPath[PathSize];
int32_t AncestorLength;

// Scratch of the key in hand; only one walk runs at a time.
static FILETIME LocalWriteTime;
static char KeyPathText[PathSize];
static char TimeText[TimeTextSize];

// A key name has at most 255 UTF-16 characters.
static constexpr int NameSize = 256;

// Appends name, and the ASCII tail, at text[length] in UTF-8 within size
// bytes, terminator included, and returns the new length. A text that does
// not fit is cut after a whole character and ends in "...", so a path past
// the buffer never passes for the path of a shorter key; the first keep
// bytes are never overwritten. A cut text is full: its length is the
// buffer's, the rest zeros, so nothing is appended after its dots and every
// key below it reads as that same text. A path with its backslash leaves
// room for a name, or it too would be full and read as its parent's.
static int AppendName(char* text, int length, int size, const wchar_t* name, int nameLength, const char* tail,
                      int keep)
{
    if (length >= size - 1) {
        text[size - 1] = '\0';
        return size - 1;
    }
    bool whole = false;
    const int end = length + EncodeUtf8(name, nameLength, text + length, size - 1 - length, whole);
    const int tailLength = int(strlen(tail));
    if (whole && end + tailLength + (tailLength ? 1 : 0) <= size - 1) {
        memcpy(text + end, tail, size_t(tailLength) + 1);
        return end + tailLength;
    }
    int cut = std::max(std::min(end, size - 4), keep);
    while (cut > keep && cut < end && (text[cut] & 0xC0) == 0x80)
        --cut;
    const int dots = std::min(3, size - 1 - cut);
    memset(text + cut, '.', size_t(dots));
    memset(text + cut + dots, '\0', size_t(size - cut - dots));
    return size - 1;
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

static void ListKey(const wchar_t* name, int nameLength)
{
    SYSTEMTIME st;
    FileTimeToSystemTime(&LocalWriteTime, &st);
    memcpy(KeyPathText, AncestorPath, size_t(AncestorLength));
    AppendName(KeyPathText, AncestorLength, PathSize, name, nameLength, "", 0);
    FormatRowTime(st, TimeText);
    // The row is added on the user-interface thread, with others in one
    // message, so a Clear can never fall between its steps.
    HoldFoundRow(KeyPathText, TimeText);
}

// ntdll's enumeration (documented as ZwEnumerateKey) answers, for a child
// at an index, what the walk needs to know of it: its write time, how many
// subkeys and values it has, and its name, in two of its answers, laid out
// as Microsoft documents them.
typedef LONG NTSTATUS;
enum KEY_INFORMATION_CLASS { KeyBasicInformation = 0, KeyFullInformation = 2 };
struct KEY_BASIC_INFORMATION {
    LARGE_INTEGER LastWriteTime;
    ULONG TitleIndex;
    ULONG NameLength;          // bytes
    WCHAR Name[1];             // not terminated
};
struct KEY_FULL_INFORMATION {
    LARGE_INTEGER LastWriteTime;
    ULONG TitleIndex;
    ULONG ClassOffset;
    ULONG ClassLength;
    ULONG SubKeys;
    ULONG MaxNameLen;          // bytes
    ULONG MaxClassLen;
    ULONG Values;
    ULONG MaxValueNameLen;     // bytes
    ULONG MaxValueDataLen;
    WCHAR Class[1];
};
static_assert(offsetof(KEY_BASIC_INFORMATION, Name) == 16 && offsetof(KEY_FULL_INFORMATION, Class) == 44,
              "the layouts of 32-bit and 64-bit Windows alike");
extern "C" NTSTATUS NTAPI NtEnumerateKey(HANDLE key, ULONG index, KEY_INFORMATION_CLASS informationClass,
                                         void* information, ULONG length, ULONG* resultLength);
constexpr NTSTATUS StatusSuccess = 0;
constexpr NTSTATUS StatusBufferOverflow = NTSTATUS(0x80000005);
constexpr NTSTATUS StatusNoMoreEntries = NTSTATUS(0x8000001A);
constexpr NTSTATUS StatusBufferTooSmall = NTSTATUS(0xC0000023);

// A symbolic link reports no subkeys of its own, and its one value is
// "SymbolicLinkValue". Opening it follows the link, so a key that looks
// like one is opened and asked, as every key once was.
constexpr ULONG LinkValueNameBytes = 17 * sizeof(WCHAR);

// One answer at a time, in one buffer a level: the full information (a
// class name of up to 242 characters included; a longer one takes the
// calls every key once took), the name with room for its terminator, or
// the name from those calls.
union ChildAnswer {
    KEY_FULL_INFORMATION full;
    KEY_BASIC_INFORMATION basic;
    wchar_t name[NameSize];
    unsigned char room[offsetof(KEY_BASIC_INFORMATION, Name) + NameSize * sizeof(WCHAR)];
};

// What the walk knows of a child before it is named.
struct ChildFacts {
    FILETIME lastWrite;
    bool open;                 // it has subkeys, or may link to a key that has
    bool askCount;             // whether it has any is known only once it is open
    bool namesFit;             // its subkeys' names fit the name buffer
};

std::atomic<int32_t> KeysNamed{0};
std::atomic<int32_t> KeysOpened{0};

// Windows nests keys at most 512 deep. A deeper tree (Wine takes one) would
// exhaust the worker's stack, so the walk goes no deeper: a key at the limit
// is counted and listed like one that cannot be opened. A level takes about
// 1,000 bytes (1,100 unoptimised), its answer buffer and name included, so
// 512 levels use about half of a 1 MiB stack.
static constexpr int MaxKeyDepth = 512;
static int SubtreeDepth;           // levels below the root key of the key in hand, less one

static void WalkLevel(HKEY key, const wchar_t* keyName, int nameLength, bool namesFit);

// The one place a write time is made local; ListKey shows LocalWriteTime.
static bool IsListed(const FILETIME& lastWrite)
{
    ConvertToLocalTime(lastWrite, LocalWriteTime);
    return IsInTimeWindow(LocalWriteTime);
}

static FILETIME AsFileTime(const LARGE_INTEGER& time)
{
    return {time.LowPart, DWORD(time.HighPart)};
}

// ntdll takes kernel handles only, which are multiples of four. A predefined
// root is none (advapi32 maps it), nor, on Windows, a key opened below
// HKEY_CLASSES_ROOT: its handle carries a tag in the low bits, and advapi32
// merges the user's classes into the machine's when it enumerates it. Such
// levels keep advapi32's calls.
static bool EnumeratesNatively(HKEY key)
{
    const ULONG value = HandleToUlong(key);
    return value < 0x80000000u && (value & 3) == 0;
}

// An opened key's subkey count, and whether their names all fit the buffer.
static DWORD CountSubkeys(HKEY key, bool* namesFit)
{
    DWORD subkeyCount = 0, longest = NameSize;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeyCount, &longest, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    *namesFit = longest < NameSize;
    return subkeyCount;
}

// Opens the subkey by its UTF-16 name, which names it exactly, and on the
// native registry view: a 32-bit process is otherwise redirected to
// Wow6432Node and would list paths naming other keys.
static void ScanSubtree(HKEY key, const wchar_t* name, int nameLength, ChildFacts facts)
{
    if (SubtreeDepth >= MaxKeyDepth - 1)
        return;
    HKEY sub;
    KeysOpened.fetch_add(1, std::memory_order_relaxed);
    if (RegOpenKeyExW(key, name, 0, MAXIMUM_ALLOWED | KEY_WOW64_64KEY, &sub) != ERROR_SUCCESS)
        return;
    if (!facts.askCount || CountSubkeys(sub, &facts.namesFit) != 0) {
        ++SubtreeDepth;
        WalkLevel(sub, name, nameLength, facts.namesFit);
        --SubtreeDepth;
    }
    RegCloseKey(sub);
}

// The name stays in the level's answer buffer while its subtree is walked.
static void VisitNamedChild(HKEY key, const wchar_t* name, int nameLength, const ChildFacts& facts)
{
    KeysNamed.fetch_add(1, std::memory_order_relaxed);
    ShowWalkProgress(AncestorPath);
    KeysScanned.fetch_add(1, std::memory_order_relaxed);
    if (facts.open)
        ScanSubtree(key, name, nameLength, facts);

    if (IsListed(facts.lastWrite))
        ListKey(name, nameLength);
}

// The child at index as every key once took it: its name and write time,
// then open, ask for its subkey count, walk, close. False when the level ends.
static bool VisitChildByName(HKEY key, DWORD index, ChildAnswer& answer)
{
    DWORD nameLength = NameSize;
    ChildFacts facts{{}, true, true, false};
    LONG result = RegEnumKeyExW(key, index, answer.name, &nameLength, nullptr, nullptr, nullptr, &facts.lastWrite);
    // Windows names have at most 255 characters, but Wine takes one more,
    // which does not fit: that one subkey is skipped. Any other failure
    // would repeat for every index, so this level ends. Neither leaves a
    // stale name.
    if (result == ERROR_MORE_DATA)
        return true;
    if (result != ERROR_SUCCESS)
        return false;
    VisitNamedChild(key, answer.name, static_cast<int>(nameLength), facts);
    return true;
}

// The child at index from its full information: a key without subkeys that
// is not listed costs this one call. Its name is asked for only when it is
// walked, listed or may be a link, or when a name of its level may not fit
// (then it is skipped as above). False when the level ends.
static bool VisitChild(HKEY key, DWORD index, bool namesFit, ChildAnswer& answer)
{
    ULONG length;
    NTSTATUS status = NtEnumerateKey(key, index, KeyFullInformation, &answer, sizeof answer, &length);
    if (status == StatusNoMoreEntries)
        return false;
    if (status != StatusSuccess)
        return VisitChildByName(key, index, answer);
    const KEY_FULL_INFORMATION& full = answer.full;
    const bool mayLink = full.SubKeys == 0 && full.Values == 1 && full.MaxValueNameLen == LinkValueNameBytes;
    ChildFacts facts{AsFileTime(full.LastWriteTime), full.SubKeys != 0 || mayLink, mayLink,
                     full.MaxNameLen < NameSize * sizeof(WCHAR)};
    if (!facts.open && namesFit && !IsListed(facts.lastWrite)) {
        ShowWalkProgress(AncestorPath);
        KeysScanned.fetch_add(1, std::memory_order_relaxed);
        return true;
    }

    status = NtEnumerateKey(key, index, KeyBasicInformation, &answer, sizeof answer, &length);
    if (status == StatusBufferOverflow || status == StatusBufferTooSmall)
        return true;
    if (status != StatusSuccess)
        return VisitChildByName(key, index, answer);
    const ULONG nameLength = answer.basic.NameLength / sizeof(WCHAR);
    if (nameLength >= NameSize)
        return true;
    answer.basic.Name[nameLength] = L'\0';
    // The time that came with the name, as with the calls of old. Another
    // time than the first call's may be another child's (the one described
    // was deleted, and the index names the next): it is opened and asked,
    // as every key once was.
    const FILETIME named = AsFileTime(answer.basic.LastWriteTime);
    if (FileTimeTicks(named) != FileTimeTicks(facts.lastWrite))
        facts = {{}, true, true, false};
    facts.lastWrite = named;
    VisitNamedChild(key, answer.basic.Name, static_cast<int>(nameLength), facts);
    return true;
}

// AncestorPath holds the key's own path, with its trailing backslash, while
// its subkeys are visited: the status text of each of them. namesFit: no
// subkey's name is too long for the buffer, so leaves need not be named.
static void WalkLevel(HKEY key, const wchar_t* keyName, int nameLength, bool namesFit)
{
    if (!ScanRunning.load())
        return;
    const int appended = AppendName(AncestorPath, AncestorLength, PathSize, keyName, nameLength, "\\",
                                    AncestorLength) - AncestorLength;
    AncestorLength += appended;
    const bool native = EnumeratesNatively(key);
    ChildAnswer answer;
    for (DWORD index = 0;; ++index) {
        WaitWhilePaused();
        if (!(native ? VisitChild(key, index, namesFit, answer) : VisitChildByName(key, index, answer)))
            break;
        if (!ScanRunning.load())
            break;
    }
    AncestorLength -= appended;
    AncestorPath[AncestorLength] = '\0';
}

void ScanKeyTree(HKEY key, const char* keyName)
{
    AncestorLength = 0;
    AncestorPath[0] = '\0';
    wchar_t rootName[NameSize];
    const int rootLength = DecodeUtf8(keyName, -1, rootName, NameSize);
    bool namesFit = false;
    if (EnumeratesNatively(key))
        CountSubkeys(key, &namesFit);
    WalkLevel(key, rootName, rootLength, namesFit);
    HandOverWalk(nullptr);
}
