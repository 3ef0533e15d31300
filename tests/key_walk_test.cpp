// The key tree walk against Wine's real registry.
#include "test_host.h"
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include <gtest/gtest.h>
#include <cctype>
#include <cstdio>

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

struct Walk : ::testing::Test {
    void SetUp() override
    {
        ResetScanState();
        OpenTimeWindowWide();
    }
    void TearDown() override { RecordStatusTexts(nullptr); }
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

// A name outside the ANSI code page comes back with substitutes, so the
// key cannot be opened by that name: it is counted and listed, its subtree
// is not walked, and the walk goes on with its siblings.
TEST_F(Walk, AKeyThatCannotBeOpenedIsCountedAndListedButNotWalked)
{
    RegistryFixture fixture("Unopenable");
    fixture.AddW(L"\x4E2D\x6587\\Hidden");
    fixture.Add("zzz\\Seen");
    WalkFixture(fixture);
    std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(KeysScanned.load(), 3);
    EXPECT_EQ(rows[0], "ROOT\\zzz\\Seen");
    EXPECT_EQ(rows[1], "ROOT\\zzz");
    EXPECT_EQ(rows[2].substr(0, 5), "ROOT\\");
    EXPECT_EQ(rows[2].find("Hidden"), std::string::npos);
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
    SetTimeWindowTicks(static_cast<int64_t>((uint64_t(local.dwHighDateTime) << 32) | local.dwLowDateTime) - 1, LLONG_MAX);
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

// Wine nests keys deeper than the 512 levels of Windows; the walk stops
// there instead of running the worker out of stack.
TEST_F(Walk, KeysBelowTheDeepestLevelWindowsAllowsAreNotWalked)
{
    RegistryFixture fixture("TooDeep");
    std::string path = "d";
    for (int level = 1; level < 530; ++level)
        path += "\\d";
    fixture.Add(path);
    WalkFixture(fixture);
    EXPECT_EQ(KeysScanned.load(), 512);
    std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 512u);
    EXPECT_EQ(rows.front().size(), 4 + 512 * 2u);    // ROOT then 512 times "\d"
    EXPECT_EQ(rows.back(), "ROOT\\d");
}
