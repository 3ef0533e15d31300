// The key tree walk against Wine's real registry.
#include "test_host.h"
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include <gtest/gtest.h>
#include <sddl.h>
#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <utility>

namespace {

// Runs before the walk's next call that asks a child's name, then is gone.
std::function<void()> BeforeNextNaming;

}  // namespace

// The walk's enumeration comes here, not to ntdll, so that a case can act
// between the two calls it makes for one child; otherwise it is ntdll's.
extern "C" LONG NTAPI NtEnumerateKey(HANDLE key, ULONG index, ULONG informationClass, void* information,
                                     ULONG length, ULONG* resultLength)
{
    using Enumerate = LONG(NTAPI*)(HANDLE, ULONG, ULONG, void*, ULONG, ULONG*);
    static const auto system = reinterpret_cast<Enumerate>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtEnumerateKey")));
    constexpr ULONG KeyBasicInformation = 0;
    if (informationClass == KeyBasicInformation && BeforeNextNaming)
        std::exchange(BeforeNextNaming, nullptr)();
    return system(key, index, informationClass, information, length, resultLength);
}

namespace {

std::vector<std::string> Rows()
{
    std::vector<std::string> rows;
    for (int i = 0; i < ListRowCount(); ++i)
        rows.push_back(RowText(i, 1));
    return rows;
}

// Subkey names of a key in the order the registry enumerates them.
std::vector<std::string> Enumerate(HKEY key)
{
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

std::vector<std::wstring> EnumerateW(HKEY key)
{
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

// Keys below key as a walk by UTF-16 names finds them, each counted once;
// one that cannot be opened is counted, not walked.
int CountKeysW(HKEY key)
{
    int count = 0;
    for (const std::wstring& name : EnumerateW(key)) {
        ++count;
        HKEY sub;
        if (RegOpenKeyExW(key, name.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &sub) == ERROR_SUCCESS) {
            count += CountKeysW(sub);
            RegCloseKey(sub);
        }
    }
    return count;
}

bool SetKeyDacl(HKEY key, const char* dacl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(dacl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    return set;
}

// A key as a walk of four registry calls a key finds it.
struct FoundKey {
    std::string path;
    int64_t localTime;
    bool operator==(const FoundKey&) const = default;
};

// The reference the walk is held to: every key enumerated, opened, asked
// for its subkey count and closed, in post-order, on the native view.
void WalkByFourCalls(HKEY key, const std::string& path, std::vector<FoundKey>& found)
{
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        FILETIME utc, local;
        LONG result = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, &utc);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            return;
        const std::string childPath = path + "\\" + Utf8Of(std::wstring(name, length));
        HKEY sub;
        if (RegOpenKeyExW(key, name, 0, MAXIMUM_ALLOWED | KEY_WOW64_64KEY, &sub) == ERROR_SUCCESS) {
            DWORD subkeys = 0;
            if (RegQueryInfoKeyW(sub, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr) == ERROR_SUCCESS && subkeys)
                WalkByFourCalls(sub, childPath, found);
            RegCloseKey(sub);
        }
        ConvertToLocalTime(utc, local);
        found.push_back({childPath, FileTimeTicks(local)});
    }
}

std::vector<std::string> Paths(const std::vector<FoundKey>& keys)
{
    std::vector<std::string> paths;
    for (const FoundKey& key : keys)
        paths.push_back(key.path);
    return paths;
}

// Where two long lists part, readably; empty when they do not.
std::string FirstDifference(const std::vector<std::string>& actual, const std::vector<std::string>& expected)
{
    for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const std::string a = i < actual.size() ? actual[i] : "(none)";
        const std::string e = i < expected.size() ? expected[i] : "(none)";
        if (a != e)
            return "at " + std::to_string(i) + ": " + a + " instead of " + e;
    }
    return "";
}

struct Walk : ::testing::Test {
    // Every key's status text, so the texts can be checked path by path.
    void SetUp() override
    {
        ResetScanState();
        OpenTimeWindowWide();
        WalkStatusInterval = 0;
    }
    void TearDown() override
    {
        BeforeNextNaming = nullptr;
        RecordStatusTexts(nullptr);
        WalkStatusInterval = StatusPaintMs;
    }
    // Walks the fixture as the root "ROOT".
    void WalkFixture(const RegistryFixture& fixture)
    {
        HKEY key = fixture.Open();
        ASSERT_NE(key, nullptr);
        KeysScanned = 0;
        WalkKey(key, "ROOT");
        RegCloseKey(key);
    }
};

}  // namespace

TEST_F(Walk, ListsDescendantsBeforeTheirKeyInEnumerationOrder)
{
    RegistryFixture fixture("PostOrder");
    for (const char* path : {"Beta\\Two", "Beta\\One", "Alpha\\Three\\Four", "Gamma"})
        fixture.Add(path);
    std::vector<std::string> status;
    RecordStatusTexts(&status);
    WalkFixture(fixture);

    // The expected order, built from the registry's own enumeration.
    HKEY root = fixture.Open();
    std::vector<std::string> expected, expectedStatus;
    std::function<void(HKEY, const std::string&)> visit = [&](HKEY key, const std::string& path) {
        for (const std::string& name : Enumerate(key)) {
            expectedStatus.push_back(path + "\\");
            HKEY sub;
            RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &sub);
            visit(sub, path + "\\" + name);
            RegCloseKey(sub);
            expected.push_back(path + "\\" + name);
        }
    };
    visit(root, "ROOT");
    RegCloseKey(root);

    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(status, expectedStatus);
    EXPECT_EQ(KeysScanned.load(), 7);
    ASSERT_EQ(ListRowCount(), 7);
    EXPECT_EQ(RowText(0, 0), "1");
    EXPECT_EQ(RowText(6, 0), "7");
}

TEST_F(Walk, TwoLevelExampleShowsTheParentPathsInTheStatusLine)
{
    RegistryFixture fixture("TwoLevels");
    fixture.Add("A\\B");
    std::vector<std::string> status;
    RecordStatusTexts(&status);
    WalkFixture(fixture);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"ROOT\\A\\B", "ROOT\\A"}));
    EXPECT_EQ(status, (std::vector<std::string>{"ROOT\\", "ROOT\\A\\"}));
    EXPECT_EQ(KeysScanned.load(), 2);
}

TEST_F(Walk, ARootWithoutSubkeysChangesNothing)
{
    RegistryFixture fixture("Empty");
    SetWindowTextA(StatusLine, "before");
    WalkFixture(fixture);
    EXPECT_EQ(KeysScanned.load(), 0);
    EXPECT_EQ(ListRowCount(), 0);
    EXPECT_EQ(WindowText(StatusLine), "before");
}

TEST_F(Walk, BothBoundsAreInclusiveToTheTick)
{
    RegistryFixture fixture("Bounds");
    fixture.Add("Key");
    const int64_t t = fixture.LocalWriteTime("Key");
    ASSERT_NE(t, 0);

    SetTimeWindowTicks(t, t);
    WalkFixture(fixture);
    EXPECT_EQ(Rows(), std::vector<std::string>{"ROOT\\Key"});

    ClearResults();
    SetTimeWindowTicks(t + 1, t + 1000000000LL);
    WalkFixture(fixture);
    EXPECT_EQ(ListRowCount(), 0);

    SetTimeWindowTicks(t - 1000000000LL, t - 1);
    WalkFixture(fixture);
    EXPECT_EQ(ListRowCount(), 0);

    // From later than Before: nothing listed, every key still counted.
    SetTimeWindowTicks(t + 1, t - 1);
    WalkFixture(fixture);
    EXPECT_EQ(ListRowCount(), 0);
    EXPECT_EQ(KeysScanned.load(), 1);
}

TEST_F(Walk, TimeTextIsLocalTimeWithoutLeadingZeros)
{
    RegistryFixture fixture("TimeText");
    fixture.Add("Key");
    WalkFixture(fixture);
    ASSERT_EQ(ListRowCount(), 1);
    const std::string text = RowText(0, 2);

    int64_t t = fixture.LocalWriteTime("Key");
    FILETIME local{DWORD(t), DWORD(uint64_t(t) >> 32)};
    SYSTEMTIME st;
    FileTimeToSystemTime(&local, &st);
    int day, month, year, hour, minute, second;
    char rest;
    ASSERT_EQ(sscanf(text.c_str(), "%d.%d.%d %d:%d:%d%c", &day, &month, &year, &hour, &minute, &second, &rest), 6) << text;
    EXPECT_EQ(day, st.wDay);
    EXPECT_EQ(month, st.wMonth);
    EXPECT_EQ(year, st.wYear);
    EXPECT_EQ(hour, st.wHour);
    EXPECT_EQ(minute, st.wMinute);
    EXPECT_EQ(second, st.wSecond);
    // No field starts with a zero unless it is zero.
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        bool fieldStart = i == 0 || !isdigit(static_cast<unsigned char>(text[i - 1]));
        EXPECT_FALSE(fieldStart && text[i] == '0' && isdigit(static_cast<unsigned char>(text[i + 1]))) << text;
    }
}

TEST_F(Walk, KeyNamesAreNeverFormatStrings)
{
    RegistryFixture fixture("Format");
    fixture.Add("%s%n%x\\%d%p");
    WalkFixture(fixture);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"ROOT\\%s%n%x\\%d%p", "ROOT\\%s%n%x"}));
}

// A key whose ACL denies the user is counted and listed, its subtree is
// not walked, and the walk goes on with its siblings.
TEST_F(Walk, AKeyThatCannotBeOpenedIsCountedAndListedButNotWalked)
{
    RegistryFixture fixture("Unopenable");
    fixture.Add("Locked\\Hidden");
    fixture.Add("zzz\\Seen");
    const std::string locked = fixture.path + "\\Locked";
    HKEY key;
    // The owner may always rewrite the DACL, even one that denies it all else.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, locked.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
    ASSERT_TRUE(SetKeyDacl(key, "D:(D;;KA;;;WD)"));
    HKEY probe;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, locked.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &probe), ERROR_ACCESS_DENIED);
    WalkFixture(fixture);
    SetKeyDacl(key, "D:(A;;KA;;;WD)");
    RegCloseKey(key);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"ROOT\\Locked", "ROOT\\zzz\\Seen", "ROOT\\zzz"}));
    EXPECT_EQ(KeysScanned.load(), 3);
}

// Names in any script are walked and shown exactly, whatever the ANSI code
// page: a key literally named "??" is one key and a Chinese one another; a
// name that is not valid UTF-16 (a lone surrogate) names its key too.
TEST_F(Walk, KeysInAnyScriptAreWalkedAndShownExactly)
{
    const std::wstring chinese = L"\x4E2D\x6587", emoji = L"e\xD83D\xDE00x", lone = L"b\xD800" L"c";
    RegistryFixture fixture("WideNames");
    const std::wstring paths[] = {L"a-before", L"??\\literal", chinese + L"\\inner\\leaf", chinese + L"\\second",
                                  emoji + L"\\inner\\leaf", lone + L"\\inner", L"z-after\\deep"};
    for (const std::wstring& path : paths)
        fixture.AddW(path);
    std::vector<std::string> status;
    RecordStatusTexts(&status);
    WalkFixture(fixture);

    HKEY root = fixture.Open();
    std::vector<std::string> expected, expectedStatus;
    std::function<void(HKEY, const std::string&)> visit = [&](HKEY key, const std::string& path) {
        for (const std::wstring& name : EnumerateW(key)) {
            expectedStatus.push_back(path + "\\");
            HKEY sub;
            ASSERT_EQ(RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &sub), ERROR_SUCCESS);
            visit(sub, path + "\\" + Utf8Of(name));
            RegCloseKey(sub);
            expected.push_back(path + "\\" + Utf8Of(name));
        }
    };
    visit(root, "ROOT");
    const int independent = CountKeysW(root);
    RegCloseKey(root);

    EXPECT_EQ(independent, 14);
    EXPECT_EQ(KeysScanned.load(), independent);
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(status, expectedStatus);
    std::vector<std::string> rows = Rows();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "ROOT\\??\\literal"), 1);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "ROOT\\" + Utf8Of(chinese) + "\\second"), 1);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "ROOT\\" + Utf8Of(lone) + "\\inner"), 1);
    EXPECT_EQ(AncestorLength, 0);
}

// The count of a whole root, on a tree mixing such names with plain ones,
// is what a walk by UTF-16 names counts.
TEST_F(Walk, AWholeRootCountsWhatAWalkByUtf16NamesCounts)
{
    RegistryFixture fixture("WholeRoot");
    for (const wchar_t* path : {L"??\\one", L"\x4E2D\x6587\\one\\two", L"\x4E2D\x6587\\three",
                                L"\x0416\xD83D\xDE00\\x", L"plain\\child"})
        fixture.AddW(path);
    const int before = CountKeysW(HKEY_CURRENT_USER);
    // Nothing listed: the count is the point.
    SetTimeWindowTicks(LLONG_MAX - 1, LLONG_MAX);
    KeysScanned = 0;
    WalkKey(HKEY_CURRENT_USER, "HKEY_CURRENT_USER");
    EXPECT_EQ(KeysScanned.load(), before);
    EXPECT_EQ(CountKeysW(HKEY_CURRENT_USER), before);
    EXPECT_EQ(ListRowCount(), 0);
}

// A name of 255 UTF-16 units takes up to 765 bytes and is shown whole; a
// path past the row's 4,095 bytes is cut after a whole character and ends
// in "...", and the key is still walked. Its own ctest entry also runs this
// under a Japanese code page, where nothing may change.
TEST_F(Walk, ANameOfManyBytesIsWholeAndAPathPastItsBufferIsCutAfterAWholeCharacter)
{
    RegistryFixture fixture("LongInBytes");
    const std::wstring longest = L"a" + std::wstring(254, L'\x4E2D'), level(200, L'\x6587');
    fixture.AddW(longest);
    // Seven levels of 601 bytes: a cut by bytes alone would fall inside a character.
    std::wstring deep;
    for (int i = 0; i < 7; ++i)
        deep += (i ? L"\\" : L"") + level;
    fixture.AddW(deep);
    WalkFixture(fixture);

    const std::string full = "ROOT\\" + Utf8Of(deep);
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0], "ROOT\\" + Utf8Of(longest));
    EXPECT_LE(rows[1].size(), 4095u);
    EXPECT_GE(rows[1].size(), 4093u);
    EXPECT_EQ(rows[1].substr(rows[1].size() - 3), "...");
    const std::string kept = rows[1].substr(0, rows[1].size() - 3);
    EXPECT_EQ(full.compare(0, kept.size(), kept), 0);
    EXPECT_NE(full[kept.size()] & 0xC0, 0x80) << "cut inside a character";
    EXPECT_EQ(rows[7], "ROOT\\" + Utf8Of(level));
    EXPECT_EQ(KeysScanned.load(), 8);
}

// A path cut inside a character ends in "..." with bytes to spare: nothing
// may follow the dots, or a key below would read as a sibling named "...a".
TEST_F(Walk, EveryKeyBelowACutPathReadsAsThatSameCutText)
{
    RegistryFixture fixture("CutBelow");
    std::wstring deep;
    for (int i = 0; i < 7; ++i)
        deep += (i ? L"\\" : L"") + std::wstring(200, L'\x6587');
    fixture.AddW(deep + L"\\a\\b");
    WalkFixture(fixture);

    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[2].substr(rows[2].size() - 3), "...");
    EXPECT_LT(rows[2].size(), 4095u) << "the cut falls inside a character";
    EXPECT_EQ(rows[1], rows[2]);
    EXPECT_EQ(rows[0], rows[2]);
}

// Wine takes a name of 256 characters, one more than Windows and than the
// name buffer holds: that key alone is skipped, with no stale name.
TEST_F(Walk, ANameLongerThanWindowsAllowsSkipsThatKeyOnly)
{
    RegistryFixture fixture("TooLongName");
    fixture.Add("a");
    fixture.AddW(std::wstring(256, L'x') + L"\\child");
    fixture.Add("z");
    HKEY root = fixture.Open();
    DWORD subkeys = 0;
    RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(root);
    ASSERT_EQ(subkeys, 3u) << "Wine refused the 256-character name";
    WalkFixture(fixture);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"ROOT\\a", "ROOT\\z"}));
    EXPECT_EQ(KeysScanned.load(), 2);
}

// Wine's Perflib\009 opens but refuses enumeration (ERROR_INVALID_HANDLE):
// that level ends, with no stale name, and the walk carries on.
TEST_F(Walk, AnEnumerationFailureEndsThatLevelOnly)
{
    HKEY perflib;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib",
                            0, KEY_READ | KEY_WOW64_64KEY, &perflib), ERROR_SUCCESS);
    std::vector<std::string> names = Enumerate(perflib);
    KeysScanned = 0;
    WalkKey(perflib, "Perflib");
    RegCloseKey(perflib);
    std::vector<std::string> rows = Rows();
    EXPECT_EQ(KeysScanned.load(), static_cast<int>(rows.size()));
    std::vector<std::string> expected;
    for (const std::string& name : names)
        expected.push_back("Perflib\\" + name);
    EXPECT_EQ(rows, expected);
}

TEST_F(Walk, PathsBeyondTheBufferAreCutAndMarkedNeverOverrun)
{
    RegistryFixture fixture("Deep");
    std::string path, expectedLast;
    for (int level = 0; level < 20; ++level) {
        std::string name(250, char('a' + level));
        path += (level ? "\\" : "") + name;
    }
    fixture.Add(path);
    std::vector<std::string> status;
    RecordStatusTexts(&status);
    WalkFixture(fixture);
    EXPECT_EQ(KeysScanned.load(), 20);
    std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 20u);
    // ROOT + 16 levels of 251 characters still fit in 4095; deeper ones are cut.
    std::string full = "ROOT\\" + path;
    for (int i = 0; i < 20; ++i) {
        int depth = 20 - i;      // post-order: deepest first
        size_t length = 4 + size_t(depth) * 251;
        const std::string& row = rows[i];
        if (length <= 4095) {
            EXPECT_EQ(row, full.substr(0, length));
        } else {
            EXPECT_EQ(row.size(), 4095u);
            EXPECT_EQ(row.substr(4092), "...");
            EXPECT_EQ(row.substr(0, 4092), full.substr(0, 4092));
        }
    }
    for (const std::string& text : status)
        EXPECT_LE(text.size(), 4095u);
    EXPECT_EQ(AncestorLength, 0);
}

// A 32-bit program on 64-bit Windows is redirected to Wow6432Node unless it
// asks for the native view; every row must name the key that changed.
TEST_F(Walk, HklmIsWalkedOnTheNativeViewWithWow6432NodeAsItIs)
{
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    RegistryFixture native("Native", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    RegistryFixture redirected("Redirected", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
    native.Add("Child");
    redirected.Add("Child");
    // Only what this test wrote: listing all of HKLM would be slow and beside the point.
    SetTimeWindowTicks(FileTimeTicks(local) - 1, LLONG_MAX);
    KeysScanned = 0;
    WalkKey(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE");
    std::vector<std::string> rows = Rows();
    auto listed = [&](const std::string& path) {
        return std::find(rows.begin(), rows.end(), path) != rows.end();
    };
    EXPECT_TRUE(listed("HKEY_LOCAL_MACHINE\\Software\\QuillmereTest\\Native\\Child"));
    EXPECT_TRUE(listed("HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\QuillmereTest\\Redirected\\Child"));
    EXPECT_FALSE(listed("HKEY_LOCAL_MACHINE\\Software\\QuillmereTest\\Redirected\\Child"));
    EXPECT_FALSE(listed("HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\QuillmereTest\\Native\\Child"));
}

static DWORD WINAPI WalkOnThread(void* key)
{
    WalkKey(static_cast<HKEY>(key), "ROOT");
    return 0;
}

// Wine nests keys deeper than the 512 levels of Windows; the walk stops
// there instead of running the worker out of stack. It walks on a thread
// with the 1 MiB stack the worker gets from a Visual Studio build (MinGW's
// default is 2 MiB).
TEST_F(Walk, KeysBelowTheDeepestLevelWindowsAllowsAreNotWalked)
{
    RegistryFixture fixture("TooDeep");
    std::string path = "d";
    for (int level = 1; level < 530; ++level)
        path += "\\d";
    fixture.Add(path);
    HKEY key = fixture.Open();
    ASSERT_NE(key, nullptr);
    KeysScanned = 0;
    HANDLE walker = CreateThread(nullptr, 1 << 20, WalkOnThread, key, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(walker, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(walker, 0) == WAIT_OBJECT_0; }, 120000));
    CloseHandle(walker);
    RegCloseKey(key);
    EXPECT_EQ(KeysScanned.load(), 512);
    std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 512u);
    EXPECT_EQ(rows.front().size(), 4 + 512 * 2u);    // ROOT then 512 times "\d"
    EXPECT_EQ(rows.back(), "ROOT\\d");
}

// Over every root of the prefix the walk finds what four calls a key find:
// the same keys in the same order with the same times, the subtrees behind
// symbolic links (HKLM\System\CurrentControlSet) among them, though it
// opens fewer keys. Keys from the median write time on are listed, so keys
// are both listed and passed over unnamed. The registry may change under a
// live prefix: a pass counts only if the reference found the same before
// and after it.
TEST_F(Walk, EveryRootYieldsWhatFourCallsAKeyFind)
{
    auto walkByFourCalls = [] {
        std::vector<FoundKey> found;
        for (const HiveEntry& hive : HiveTable)
            WalkByFourCalls(hive.root, hive.name, found);
        return found;
    };
    std::vector<FoundKey> before, after;
    int64_t from = 0;
    for (int attempt = 0; attempt < 3 && (attempt == 0 || !(after == before)); ++attempt) {
        before = walkByFourCalls();
        std::vector<int64_t> times;
        for (const FoundKey& key : before)
            times.push_back(key.localTime);
        std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
        from = times[times.size() / 2];
        SetTimeWindowTicks(from, LLONG_MAX);
        ClearResults();
        KeysScanned = 0;
        KeysOpened = 0;
        for (const HiveEntry& hive : HiveTable)
            WalkKey(hive.root, hive.name);
        after = walkByFourCalls();
    }
    ASSERT_TRUE(after == before) << "the registry changed during every pass";

    std::vector<std::string> expectedRows, expectedTimes, times;
    for (const FoundKey& key : before) {
        if (key.localTime < from)
            continue;
        expectedRows.push_back(key.path);
        expectedTimes.push_back(TimeTextOf(key.localTime));
    }
    for (int i = 0; i < ListRowCount(); ++i)
        times.push_back(RowText(i, 2));
    EXPECT_EQ(KeysScanned.load(), static_cast<int>(before.size()));
    EXPECT_EQ(FirstDifference(Rows(), expectedRows), "");
    EXPECT_EQ(FirstDifference(times, expectedTimes), "");
    EXPECT_LT(expectedRows.size(), before.size());
    EXPECT_LT(KeysOpened.load(), KeysScanned.load());
    const std::string linked = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\";
    EXPECT_TRUE(std::any_of(before.begin(), before.end(), [&](const FoundKey& key) {
        return _strnicmp(key.path.c_str(), linked.c_str(), linked.size()) == 0;
    }));
}

// A child whose full information does not fit the answer buffer (a long
// class name) is taken by the calls every key once took: opened, though a
// leaf, and found as four calls a key find it.
TEST_F(Walk, AChildWhoseFullInformationDoesNotFitIsTakenByTheOldCalls)
{
    RegistryFixture fixture("LongClass");
    fixture.Add("a\\inner");
    fixture.Add("z");
    const std::string longClass(300, 'c');
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(fixture.hive, (fixture.path + "\\classy").c_str(), 0, const_cast<char*>(longClass.c_str()),
                              0, KEY_ALL_ACCESS | fixture.view, nullptr, &key, nullptr), ERROR_SUCCESS);
    DWORD classLength = 0;
    RegQueryInfoKeyA(key, nullptr, &classLength, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    ASSERT_EQ(classLength, longClass.size());
    HKEY root = fixture.Open();
    std::vector<FoundKey> expected;
    WalkByFourCalls(root, "ROOT", expected);
    RegCloseKey(root);
    KeysOpened = 0;
    WalkFixture(fixture);
    EXPECT_EQ(Rows(), Paths(expected));
    EXPECT_EQ(KeysScanned.load(), 4);
    EXPECT_EQ(KeysOpened.load(), 2);     // a, which has a subkey, and classy
}

// Below the root it is the parent's enumeration that tells whether a
// level's names fit: Wine's 256-character name is skipped there too, not
// counted unnamed while nothing is listed.
TEST_F(Walk, ANameLongerThanWindowsAllowsIsSkippedBelowTheRootToo)
{
    RegistryFixture fixture("TooLongNameBelow");
    fixture.Add("level\\a");
    fixture.AddW(L"level\\" + std::wstring(256, L'x'));
    fixture.Add("level\\z");
    SetTimeWindowTicks(LLONG_MAX - 1, LLONG_MAX);
    WalkFixture(fixture);
    EXPECT_EQ(KeysScanned.load(), 3);
}

// A child deleted between the walk's two calls for it: the index then
// names its next sibling, which has a subtree of its own. That sibling is
// walked as four calls a key find it, not on the deleted leaf's facts.
TEST_F(Walk, AChildDeletedBetweenItsTwoCallsLeavesItsSiblingWalkedWhole)
{
    RegistryFixture fixture("ChildGone");
    fixture.Add("A");
    Sleep(20);          // another write time for B than for A
    fixture.Add("B\\B1\\B2");
    ASSERT_NE(fixture.LocalWriteTime("A"), fixture.LocalWriteTime("B"));
    BeforeNextNaming = [&] { RegDeleteKeyExA(fixture.hive, (fixture.path + "\\A").c_str(), fixture.view, 0); };
    WalkFixture(fixture);
    ASSERT_FALSE(BeforeNextNaming) << "the walk asked for no name";
    HKEY root = fixture.Open();
    std::vector<FoundKey> expected;
    WalkByFourCalls(root, "ROOT", expected);
    RegCloseKey(root);
    EXPECT_EQ(Rows(), Paths(expected));
    EXPECT_EQ(expected.size(), 3u);
}
