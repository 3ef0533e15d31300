// Find (Ctrl+F), Find Next and Previous (F3, Shift+F3) over the listed
// rows, and the window up to now (Ctrl+Up), by hand on the real program.
#include "program_case.h"
#include "resources/resource.h"
#include <algorithm>

namespace {

const std::string FindKey = "Software\\QuillmereTest\\Find";
const std::wstring FindKeyW = L"Software\\QuillmereTest\\Find";

int64_t Ticks(const SYSTEMTIME& st)
{
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return static_cast<int64_t>((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

int SelectedRowOf(HWND list)
{
    DWORD_PTR row = DWORD_PTR(-1);
    SendMessageTimeoutA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED, SMTO_ABORTIFHUNG, 5000, &row);
    return static_cast<int>(row);
}

// The visible window of the program that owner owns (a dialog, a message box).
HWND OwnedBy(const RunningApp& app, HWND owner)
{
    for (HWND window : ProcessWindows(app.process.dwProcessId))
        if (GetWindow(window, GW_OWNER) == owner)
            return window;
    return nullptr;
}

// The keys of a case are written between Ctrl+Left and Ctrl+Up, so the
// scan lists them and hardly anything else.
struct FindByHand : ProgramCase {
    void ListKeysWrittenNow(std::initializer_list<std::wstring> keys)
    {
        OwnKeys({FindKey});
        LaunchProgram();
        list = Control(app, IDC_RESULTS);
        Click(Control(app, IDC_HIVE_HKCU));
        Sleep(1100);                     // the pickers' next second: now is not the start's time
        HWND fromTime = Control(app, IDC_FROM_TIME), beforeTime = Control(app, IDC_BEFORE_TIME);
        const int64_t fromAtStart = Ticks(PickerTime(app, fromTime));
        const int64_t beforeAtStart = Ticks(PickerTime(app, beforeTime));
        PressKey(VK_LEFT, true);
        ASSERT_TRUE(WaitFor([&] { return Ticks(PickerTime(app, fromTime)) != fromAtStart; }, 3000));
        Sleep(30);
        for (const std::wstring& key : keys)
            ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, FindKeyW + L"\\" + key));
        Sleep(30);
        PressKey(VK_UP, true);
        ASSERT_TRUE(WaitFor([&] { return Ticks(PickerTime(app, beforeTime)) != beforeAtStart; }, 3000));
        Click(Control(app, IDC_START));
        ASSERT_TRUE(WaitScanned(app));
        paths = RowPaths(app, list);
    }
    // The row listing the key, or -1.
    int RowOf(const std::wstring& key) const
    {
        const std::string path = Utf8Of(L"HKEY_CURRENT_USER\\" + FindKeyW + L"\\" + key);
        const auto at = std::find(paths.begin(), paths.end(), path);
        return at == paths.end() ? -1 : int(at - paths.begin());
    }
    void ClickRow(int row)
    {
        const RECT rect = RowRect(app, list, row);
        ClickAt({rect.left + 60, (rect.top + rect.bottom) / 2});
        ASSERT_TRUE(WaitFor([&] { return SelectedRowOf(list) == row; }, 3000));
    }
    // Ctrl+F, then the text typed over the last one.
    HWND OpenFindAndType(const std::wstring& text)
    {
        PressKey('F', true);
        HWND dialog = nullptr;
        WaitFor([&] { return (dialog = OwnedBy(app, app.window)) != nullptr; }, 3000);
        if (!dialog)
            return nullptr;
        HWND edit = GetDlgItem(dialog, IDC_FIND_TEXT);
        WaitFor([&] { return FocusedWindow(app) == edit; }, 3000);
        TypeText(text);
        return dialog;
    }
    bool SelectionBecomes(int row) const
    {
        return WaitFor([&] { return SelectedRowOf(list) == row; }, 5000);
    }
    HWND list = nullptr;
    std::vector<std::string> paths;
};

}  // namespace

TEST_F(FindByHand, EnterFindsTheNextMatchBelowTheSelectionF3TheOneAfterShiftF3TheOneBefore)
{
    ListKeysWrittenNow({L"Needle1", L"Needle2", L"Needle3"});
    const int first = RowOf(L"Needle1"), second = RowOf(L"Needle2"), third = RowOf(L"Needle3");
    ASSERT_TRUE(first >= 0 && second > first && third > second);
    ClickRow(first);

    ASSERT_NE(OpenFindAndType(L"needle"), nullptr);
    PressKey(VK_RETURN);
    EXPECT_TRUE(SelectionBecomes(second));
    PressKey(VK_F3);
    EXPECT_TRUE(SelectionBecomes(third));
    PressKey(VK_F3, false, false, true);
    EXPECT_TRUE(SelectionBecomes(second));
}

TEST_F(FindByHand, MatchCaseTellsFontsFromfonts)
{
    ListKeysWrittenNow({L"Fonts", L"Kit\\fonts"});
    const int upper = RowOf(L"Fonts"), lower = RowOf(L"Kit\\fonts");
    ASSERT_TRUE(upper >= 0 && lower > upper);
    ASSERT_EQ(SelectedRowOf(list), -1);

    HWND dialog = OpenFindAndType(L"fonts");
    ASSERT_NE(dialog, nullptr);
    HWND matchCase = GetDlgItem(dialog, IDC_FIND_MATCH_CASE);
    Click(matchCase);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(matchCase, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 3000));
    PressKey(VK_RETURN);
    EXPECT_TRUE(SelectionBecomes(lower));
}

TEST_F(FindByHand, ATextInAnotherScriptIsFoundWhateverItsCase)
{
    ListKeysWrittenNow({L"Za\u017C\u00F3\u0142\u0107", L"\u042F\u043D\u0434\u0435\u043A\u0441"});
    const int polish = RowOf(L"Za\u017C\u00F3\u0142\u0107"), russian = RowOf(L"\u042F\u043D\u0434\u0435\u043A\u0441");
    ASSERT_TRUE(polish >= 0 && russian > polish);

    ASSERT_NE(OpenFindAndType(L"ZA\u017B\u00D3\u0141\u0106"), nullptr);     // ZAŻÓŁĆ
    PressKey(VK_RETURN);
    EXPECT_TRUE(SelectionBecomes(polish));
    ASSERT_NE(OpenFindAndType(L"\u044F\u043D\u0434\u0435\u043A\u0441"), nullptr);   // яндекс, over the last text
    PressKey(VK_RETURN);
    EXPECT_TRUE(SelectionBecomes(russian));
}

TEST_F(FindByHand, NoMatchLeavesTheSelectionAndSaysCannotFind)
{
    ListKeysWrittenNow({L"Hay"});
    const int hay = RowOf(L"Hay");
    ASSERT_GE(hay, 0);
    ClickRow(hay);

    HWND dialog = OpenFindAndType(L"no such key");
    ASSERT_NE(dialog, nullptr);
    PressKey(VK_RETURN);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = OwnedBy(app, dialog)) != nullptr; }, 5000));
    EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)), "Cannot find \"no such key\"");
    EXPECT_EQ(SelectedRowOf(list), hay);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(box); }, 3000));
    EXPECT_EQ(SelectedRowOf(list), hay);
}

TEST_F(FindByHand, EscapeClosesTheDialogAndTheListHasTheFocus)
{
    ListKeysWrittenNow({L"Hay"});
    HWND dialog = OpenFindAndType(L"hay");
    ASSERT_NE(dialog, nullptr);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }, 3000));
    EXPECT_TRUE(WaitFor([&] { return FocusedWindow(app) == list; }, 3000));
}

TEST_F(FindByHand, CtrlUpAfterCtrlLeftListsAKeyWrittenBetweenThem)
{
    ListKeysWrittenNow({L"Written"});
    EXPECT_GE(RowOf(L"Written"), 0);
}
