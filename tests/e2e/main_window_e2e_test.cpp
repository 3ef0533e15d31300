// The real Quillmere.exe, driven by keyboard and mouse from another process.
#include "program_case.h"
#include "resources/resource.h"
#include <cstdio>

namespace {

const std::string FixtureKey = "Software\\QuillmereTest\\E2E";
const std::string FixturePath = "HKEY_CURRENT_USER\\" + FixtureKey;

int64_t Ticks(const SYSTEMTIME& st)
{
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return static_cast<int64_t>((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

bool SameDate(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

bool IsMidnight(const SYSTEMTIME& st)
{
    return st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
}

bool Checked(HWND button)
{
    return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

struct MainWindowByHand : ProgramCase {
    void SetUp() override
    {
        OwnKeys({FixtureKey});
        CreateKeyPath(HKEY_CURRENT_USER, FixtureKey + "\\A\\B");
        CreateKeyPath(HKEY_CURRENT_USER, FixtureKey + "\\C");
        LaunchProgram();
    }
};

// The other process's selection: its one selected row (-1: none) and how
// many are selected.
int SelectedRowOf(HWND list)
{
    DWORD_PTR row = DWORD_PTR(-1);
    SendMessageTimeoutA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED, SMTO_ABORTIFHUNG, 5000, &row);
    return static_cast<int>(row);
}

int SelectedCount(HWND list)
{
    DWORD_PTR count = 0;
    SendMessageTimeoutA(list, LVM_GETSELECTEDCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
    return static_cast<int>(count);
}

}  // namespace

TEST_F(MainWindowByHand, ScanFindsTheKeysWrittenSinceYesterday)
{
    HWND hkcu = Control(app, IDC_HIVE_HKCU);
    Click(hkcu);
    EXPECT_TRUE(WaitFor([&] { return Checked(hkcu); }, 3000));

    ASSERT_TRUE(MoveFromBackOneDay(app));

    Click(Control(app, IDC_START));
    ASSERT_TRUE(WaitScanned(app));
    std::vector<std::string> fixtureRows;
    HWND list = Control(app, IDC_RESULTS);
    std::vector<std::string> rows = RowPaths(app, list);
    for (const std::string& path : rows)
        if (path.rfind(FixturePath + "\\", 0) == 0)
            fixtureRows.push_back(path);
    EXPECT_EQ(fixtureRows, (std::vector<std::string>{FixturePath + "\\A\\B", FixturePath + "\\A", FixturePath + "\\C"}));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        EXPECT_EQ(RowText(app, list, row, 0), std::to_string(row + 1));
        EXPECT_EQ(rows[row].rfind("HKEY_CURRENT_USER\\", 0), 0u) << rows[row];
        int d, m, y, h, mi, s;
        EXPECT_EQ(sscanf(RowText(app, list, row, 2).c_str(), "%d.%d.%d %d:%d:%d", &d, &m, &y, &h, &mi, &s), 6);
    }
    PressKey(VK_F4, false, true);
    EXPECT_EQ(WaitExit(app, 5000), 0u);
}

TEST_F(MainWindowByHand, TimeCommandsWorkOnAPickerAndOnTheList)
{
    HWND fromDate = Control(app, IDC_FROM_DATE), fromTime = Control(app, IDC_FROM_TIME);
    HWND beforeDate = Control(app, IDC_BEFORE_DATE), beforeTime = Control(app, IDC_BEFORE_TIME);
    const SYSTEMTIME beforeAtStart = PickerTime(app, beforeTime);
    const SYSTEMTIME dateAtStart = PickerTime(app, fromDate);

    ASSERT_TRUE(TabTo(app, IDC_FROM_TIME));
    PressKey('Z', true);
    EXPECT_TRUE(IsMidnight(PickerTime(app, fromTime)));
    EXPECT_TRUE(SameDate(PickerTime(app, fromDate), dateAtStart));
    EXPECT_EQ(Ticks(PickerTime(app, beforeTime)), Ticks(beforeAtStart));

    PressKey(VK_RIGHT, true);                    // Before takes From's date and time
    EXPECT_TRUE(IsMidnight(PickerTime(app, beforeTime)));
    EXPECT_TRUE(SameDate(PickerTime(app, beforeDate), dateAtStart));

    PressKey(VK_LEFT, true);                     // From back to now
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_LT(_abs64(Ticks(PickerTime(app, fromTime)) - Ticks(now)), 120LL * 10000000);

    // The same keys with the focus on the result list.
    Click(Control(app, IDC_RESULTS));
    EXPECT_TRUE(WaitFor([&] { return FocusedWindow(app) == Control(app, IDC_RESULTS); }, 3000));
    PressKey('Z', true);
    EXPECT_TRUE(IsMidnight(PickerTime(app, fromTime)));
    PressKey(VK_LEFT, true);
    GetLocalTime(&now);
    EXPECT_LT(_abs64(Ticks(PickerTime(app, fromTime)) - Ticks(now)), 120LL * 10000000);
    PressKey(VK_RIGHT, true);
    EXPECT_LT(_abs64(Ticks(PickerTime(app, beforeTime)) - Ticks(now)), 120LL * 10000000);
}

TEST_F(MainWindowByHand, TabVisitsTheControlsInTemplateOrder)
{
    const std::vector<int> order = {IDC_HIVE_HKCR, IDC_HIVE_HKCU, IDC_HIVE_HKLM, IDC_HIVE_HKCC, IDC_HIVE_HKU,
                                    IDC_FROM_DATE, IDC_FROM_TIME, IDC_BEFORE_DATE, IDC_BEFORE_TIME,
                                    IDC_START, IDC_PAUSE, IDC_RESULTS, IDC_CLEAR, IDC_HIVE_HKCR};
    std::vector<int> visited;
    for (size_t i = 0; i < order.size(); ++i) {
        PressKey(VK_TAB);
        visited.push_back(GetDlgCtrlID(FocusedWindow(app)));
    }
    EXPECT_EQ(visited, order);
    PressKey(VK_TAB, false, false, true);
    EXPECT_EQ(GetDlgCtrlID(FocusedWindow(app)), IDC_CLEAR);
}

TEST_F(MainWindowByHand, EnterAndEscapeLeaveItOpenTheCloseBoxEndsIt)
{
    LONG style = GetWindowLongA(app.window, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);

    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(TabTo(app, IDC_FROM_DATE));
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    EXPECT_EQ(WaitExit(app, 500), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(IsWindowVisible(app.window));
    EXPECT_TRUE(Responsive(app.window));

    ClickCloseBox(app.window);
    EXPECT_EQ(WaitExit(app, 5000), 0u);
}

TEST_F(MainWindowByHand, ClosingDuringARunningScanExitsWithZero)
{
    Click(Control(app, IDC_HIVE_HKCR));
    Click(Control(app, IDC_HIVE_HKLM));
    ASSERT_TRUE(StartPaused(app));
    ResumeScan(app);
    ClickCloseBox(app.window);
    EXPECT_EQ(WaitExit(app, 2000), 0u);
}

TEST_F(MainWindowByHand, ClosingDuringAPausedScanExitsWithZero)
{
    Click(Control(app, IDC_HIVE_HKCR));
    ASSERT_TRUE(StartPaused(app));
    Activate(app.window);
    PressKey(VK_F4, false, true);
    EXPECT_EQ(WaitExit(app, 2000), 0u);
}

// While rows stream in, another process reads them back and moves the
// selection by mouse and keyboard: the last row it counts reads whole with
// its number, one row is selected, where the click or key put it, and it
// stays selected once the rows stop.
TEST_F(MainWindowByHand, RowsReadBackAndSelectedWhileTheyStreamIn)
{
    for (int i = 0; i < 3000; ++i)
        CreateKeyPath(HKEY_CURRENT_USER, FixtureKey + "\\Stream\\k" + std::to_string(i));
    Click(Control(app, IDC_HIVE_HKCU));
    Click(Control(app, IDC_HIVE_HKLM));
    ASSERT_TRUE(MoveFromBackOneDay(app));
    HWND list = Control(app, IDC_RESULTS), start = Control(app, IDC_START);
    Click(start);
    ASSERT_TRUE(WaitFor([&] { return RowCount(list) > 40; }));   // more than a page: a click hits a row
    int counted = 0, step = 0;
    bool grewBetweenReads = false;
    while (Text(start) == "Stop") {
        const int count = RowCount(list);
        ASSERT_GE(count, counted);
        grewBetweenReads |= step > 0 && count > counted;
        counted = count;
        ASSERT_EQ(RowText(app, list, count - 1, 0), std::to_string(count));
        ASSERT_EQ(RowText(app, list, count - 1, 1).rfind("HKEY_", 0), 0u);
        switch (step++ % 4) {
        case 0:
            Click(list);
            ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) >= 0; }, 3000));
            break;
        case 1:
            PressKey(VK_HOME);
            ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) == 0; }, 3000));
            break;
        case 2:
            PressKey(VK_DOWN);
            ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) == 1; }, 3000));
            break;
        case 3:
            PressKey(VK_END);
            ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) >= count - 1; }, 3000));
            break;
        }
        ASSERT_EQ(SelectedCount(list), 1);
    }
    EXPECT_TRUE(grewBetweenReads);
    const int selected = SelectedRowOf(list);
    ASSERT_TRUE(WaitScanned(app));
    EXPECT_EQ(SelectedRowOf(list), selected);
    EXPECT_EQ(SelectedCount(list), 1);
    const std::vector<std::string> numbers = ColumnTexts(app, list, 0);
    ASSERT_GE(numbers.size(), 3000u);
    for (size_t row = 0; row < numbers.size(); ++row)
        ASSERT_EQ(numbers[row], std::to_string(row + 1));
}

// The About box, opened from the system menu and closed with Alt+F4, gives
// the focus back to the list the user was in, on the row they clicked and
// in the same view: arrows act on the rows again at once.
TEST_F(MainWindowByHand, TheListHasTheFocusAgainAfterTheAboutBox)
{
    Click(Control(app, IDC_HIVE_HKCU));
    ASSERT_TRUE(MoveFromBackOneDay(app));
    Click(Control(app, IDC_START));
    ASSERT_TRUE(WaitScanned(app));
    HWND list = Control(app, IDC_RESULTS);
    // The second row in view: the list has followed the newest rows.
    auto topRow = [&] {
        DWORD_PTR top = 0;
        SendMessageTimeoutA(list, LVM_GETTOPINDEX, 0, 0, SMTO_ABORTIFHUNG, 5000, &top);
        return int(top);
    };
    const int top = topRow(), clicked = top + 1;
    ASSERT_GT(RowCount(list), clicked + 1);
    const RECT row = RowRect(app, list, clicked);
    ClickAt({(row.left + row.right) / 2, (row.top + row.bottom) / 2});
    ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) == clicked && FocusedWindow(app) == list; }, 3000));

    HWND about = OpenAboutFromSystemMenu(app);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == about; }, 3000));
    PressKey(VK_F4, false, true);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return FocusedWindow(app) == list; }, 3000)) << "focus on " << FocusedWindow(app);
    EXPECT_EQ(SelectedRowOf(list), clicked);
    EXPECT_EQ(topRow(), top);
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitFor([&] { return SelectedRowOf(list) == clicked + 1; }, 3000));
}

namespace {

const std::string FollowKey = "Software\\QuillmereTest\\Follow";

int ListAsk(HWND list, UINT message)
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(list, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    return static_cast<int>(answer);
}

void PressLeftButton(bool down)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
    Sleep(50);
}

// A scan listing many rows, paused with more than two pages listed and
// thousands still ahead (the case's keys are walked under HKEY_CURRENT_USER and
// again under HKEY_USERS), the focus on the list.
struct ListDuringAScan : ProgramCase {
    void SetUp() override
    {
        OwnKeys({FollowKey});
        for (int i = 0; i < 6000; ++i)
            CreateKeyPath(HKEY_CURRENT_USER, FollowKey + "\\k" + std::to_string(i));
        LaunchProgram();
        list = Control(app, IDC_RESULTS);
        page = ListAsk(list, LVM_GETCOUNTPERPAGE);
        Click(Control(app, IDC_HIVE_HKCU));
        Click(Control(app, IDC_HIVE_HKU));
        ASSERT_TRUE(MoveFromBackOneDay(app));
        ASSERT_TRUE(StartPaused(app));
        // Run for a moment at a time, so that thousands of rows stay ahead
        // however fast the walk; the list learns of rows at its next paint.
        HWND pause = Control(app, IDC_PAUSE);
        while (!WaitFor([&] { return RowCount(list) > 2 * page; }, 500)) {
            ResumeScan(app);
            Sleep(20);
            PostCommand(app, IDC_PAUSE);
            ASSERT_TRUE(WaitForText(pause, "Resume"));
        }
        ASSERT_TRUE(TabTo(app, IDC_RESULTS));
    }
    // Resumed until the list has more than a page more rows and then
    // grows again (or the scan ends): the paint before that last one has
    // scrolled, if it would.
    int ResumeForTwoPaints()
    {
        const int listed = RowCount(list);
        ResumeScan(app);
        EXPECT_TRUE(WaitFor([&] { return RowCount(list) > listed + page; }));
        const int more = RowCount(list);
        EXPECT_TRUE(WaitFor([&] { return RowCount(list) > more || ScannedCount(app) >= 0; }));
        return more;
    }
    bool InView(int row) const
    {
        const int top = ListAsk(list, LVM_GETTOPINDEX);
        return row >= top && row < top + page;
    }
    HWND list = nullptr;
    int page = 0;
};

}  // namespace

TEST_F(ListDuringAScan, HomeKeepsTheFirstRowOnTopAndSelectedWhileRowsAreAdded)
{
    PressKey(VK_HOME);
    ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) == 0; }, 3000));
    ResumeForTwoPaints();
    EXPECT_EQ(ListAsk(list, LVM_GETTOPINDEX), 0);
    EXPECT_EQ(SelectedRowOf(list), 0);
}

TEST_F(ListDuringAScan, EndFollowsTheNewestRowAgain)
{
    PressKey(VK_HOME);
    ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) == 0; }, 3000));
    PressKey(VK_END);
    int last = -1;
    ASSERT_TRUE(WaitFor([&] { return (last = SelectedRowOf(list)) > 2 * page; }, 3000));
    const int painted = ResumeForTwoPaints();
    // Its newest row in view, whole or in part.
    EXPECT_TRUE(WaitFor([&] { return ListAsk(list, LVM_GETTOPINDEX) + page >= painted - 1; }, 3000));
    EXPECT_EQ(SelectedRowOf(list), last);
}

// Clicked in its time column: a double-click's second click lands on it too.
TEST_F(ListDuringAScan, AClickedRowStaysUnderThePointerWhileRowsAreAdded)
{
    const int row = ListAsk(list, LVM_GETTOPINDEX) + page / 2;
    const RECT rect = RowRect(app, list, row);
    ClickAt({rect.right - 20, (rect.top + rect.bottom) / 2});
    ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) == row; }, 3000));
    ResumeForTwoPaints();
    const RECT now = RowRect(app, list, row);
    EXPECT_EQ(now.top, rect.top);
    EXPECT_EQ(SelectedRowOf(list), row);
}

// Its thumb, at the top after Home, dragged to the bottom of its track.
TEST_F(ListDuringAScan, TheScrollBarDraggedToItsEndFollowsTheNewestRowAgain)
{
    PressKey(VK_HOME);
    ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) == 0 && ListAsk(list, LVM_GETTOPINDEX) == 0; }, 3000));
    RECT client;
    GetClientRect(list, &client);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int x = client.right + GetSystemMetrics(SM_CXVSCROLL) / 2;
    MoveMouseTo({x, client.top + GetSystemMetrics(SM_CYVSCROLL) + 4});
    PressLeftButton(true);
    MoveMouseTo({x, client.bottom - 1});
    PressLeftButton(false);
    const int painted = ResumeForTwoPaints();
    EXPECT_TRUE(WaitFor([&] { return ListAsk(list, LVM_GETTOPINDEX) + page >= painted - 1; }, 3000));
    EXPECT_EQ(SelectedRowOf(list), 0);
}

// The text of a row halfway up the list: found there or at a row above it.
TEST_F(ListDuringAScan, ARowFoundWithF3StaysInViewWhileRowsAreAdded)
{
    const int listed = RowCount(list);
    const std::string text = RowText(app, list, listed / 2, 1);
    PressKey('F', true);
    ASSERT_TRUE(WaitFor([&] { return GetDlgCtrlID(FocusedWindow(app)) == IDC_FIND_TEXT; }, 3000));
    TypeText(WideOf(text));
    PressKey(VK_F3);
    int found = -1;
    ASSERT_TRUE(WaitFor([&] { return (found = SelectedRowOf(list)) >= 0; }, 5000));
    ASSERT_LE(found, listed / 2);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return FocusedWindow(app) == list; }, 3000));
    EXPECT_TRUE(InView(found));
    ResumeForTwoPaints();
    EXPECT_TRUE(InView(found));
    EXPECT_EQ(SelectedRowOf(list), found);
}

using Startup = ProgramCase;

TEST_F(Startup, WithoutCommonControlsItSaysSoAndExitsWithZero)
{
    // A build of the program whose common-controls check always fails.
    LaunchProgram("QuillmereNoComctl.exe", "#32770");
    EXPECT_EQ(Text(app.window), "Quillmere ERROR");
    std::string message;
    for (HWND child = GetWindow(app.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        message += Text(child) + "|";
    EXPECT_NE(message.find("For working the program needs library comctl32.dll ver. > 4.70"), std::string::npos) << message;
    Activate(app.window);
    PressKey(VK_RETURN);
    EXPECT_EQ(WaitExit(app, 5000), 0u);
}

TEST_F(Startup, TheExecutableCarriesItsResources)
{
    const std::string exe = ExeDirectory() + "Quillmere.exe";
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceA(module, "MAINWINDOW", MAKEINTRESOURCEA(5)), nullptr);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(IDD_ABOUT), MAKEINTRESOURCEA(5)), nullptr);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(IDR_ACCELERATORS), MAKEINTRESOURCEA(9)), nullptr);
    EXPECT_NE(FindResourceA(module, "FRAMEICON", MAKEINTRESOURCEA(14)), nullptr);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(IDI_WEB), MAKEINTRESOURCEA(14)), nullptr);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(IDI_MAIL), MAKEINTRESOURCEA(14)), nullptr);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)), nullptr);
    FreeLibrary(module);

    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));
    auto value = [&](const char* name) {
        char* text = nullptr;
        UINT length = 0;
        std::string path = std::string("\\\\StringFileInfo\\\\040904b0\\\\") + name;
        return VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) ? std::string(text) : std::string();
    };
    EXPECT_EQ(value("FileVersion"), "1, 0, 0, 1");
    EXPECT_EQ(value("ProductVersion"), "1, 0, 0, 1");
    EXPECT_EQ(value("FileDescription"), "Quillmere");
    EXPECT_EQ(value("InternalName"), "Quillmere");
    EXPECT_EQ(value("CompanyName"), "Orvane");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
}
