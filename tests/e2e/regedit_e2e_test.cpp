// Opening a found key in the registry editor, and the list's copies, driven by hand.
#include "program_case.h"
#include "resources/resource.h"
#include <cstring>

namespace {

const std::string FixtureKey = "Software\\QuillmereTest\\Editor";
const std::string FixturePath = "HKEY_CURRENT_USER\\" + FixtureKey;
const std::string Settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
const std::string LongName(250, 'q');

struct EditorWindow {
    HWND window = nullptr;
    DWORD pid = 0;
};

struct EditorSearch {
    std::vector<DWORD> known;
    EditorWindow found;
};

BOOL CALLBACK MatchEditor(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<EditorSearch*>(lParam);
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (!lstrcmpA(name, "RegEdit_RegEdit") && IsWindowVisible(hwnd)
        && std::find(search->known.begin(), search->known.end(), pid) == search->known.end()) {
        search->found = {hwnd, pid};
        return FALSE;
    }
    return TRUE;
}

// A registry editor window of a process not in `known`.
EditorWindow NewEditor(const std::vector<DWORD>& known, DWORD timeoutMs)
{
    EditorSearch search{known, {}};
    WaitFor([&] {
        EnumWindows(MatchEditor, reinterpret_cast<LPARAM>(&search));
        return search.found.window != nullptr;
    }, timeoutMs);
    return search.found;
}

void CloseEditor(const EditorWindow& editor)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, editor.pid);
    if (process) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

std::string EditorStatus(const EditorWindow& editor)
{
    HWND bar = FindWindowExA(editor.window, nullptr, "msctls_statusbar32", nullptr);
    return bar ? Text(bar) : std::string();
}

int ListState(HWND list, UINT flag)
{
    DWORD_PTR item = 0;
    SendMessageTimeoutA(list, LVM_GETNEXTITEM, WPARAM(-1), flag, SMTO_ABORTIFHUNG, 5000, &item);
    return static_cast<int>(item);
}

struct OpenInEditor : ProgramCase {
    void SetUp() override
    {
        hadSettings = KeyExists(HKEY_CURRENT_USER, Settings);
        savedLastKey = ReadString(HKEY_CURRENT_USER, Settings, "LastKey");
        OwnKeys({FixtureKey});
        CreateKeyPath(HKEY_CURRENT_USER, FixtureKey + "\\A\\B");
        std::string deep = FixtureKey;
        for (int level = 0; level < 5; ++level)
            deep += "\\" + LongName;
        CreateKeyPath(HKEY_CURRENT_USER, deep);
        CreateKeyPath(HKEY_CURRENT_USER, Settings);
    }
    void TearDown() override
    {
        ProgramCase::TearDown();
        if (!hadSettings)
            DeleteKeyTree(HKEY_CURRENT_USER, Settings);
        else if (savedLastKey.empty())
            RegDeleteKeyValueA(HKEY_CURRENT_USER, Settings.c_str(), "LastKey");
        else
            SetString(HKEY_CURRENT_USER, Settings, "LastKey", savedLastKey);
    }
    // Starts Quillmere and scans HKCU for keys written since yesterday.
    void ScanFixture()
    {
        LaunchProgram();
        Click(Control(app, IDC_HIVE_HKCU));
        ASSERT_TRUE(MoveFromBackOneDay(app));
        Click(Control(app, IDC_START));
        ASSERT_TRUE(WaitScanned(app));
        list = Control(app, IDC_RESULTS);
        paths = RowPaths(app, list);
    }
    int RowOf(const std::string& path)
    {
        auto found = std::find(paths.begin(), paths.end(), path);
        return found == paths.end() ? -1 : static_cast<int>(found - paths.begin());
    }
    void ClickRow(int row, bool twice = false)
    {
        SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
        Sleep(100);
        RECT rect = RowRect(app, list, row);
        ClickAt({rect.left + 60, (rect.top + rect.bottom) / 2}, twice);
    }
    void DoubleClickRow(int row) { ClickRow(row, true); }
    // Clicks the path's row and waits until it is selected; -1 if it is not.
    int SelectRowOf(const std::string& path)
    {
        const int row = RowOf(path);
        if (row < 0)
            return -1;
        ClickRow(row);
        return WaitFor([&] { return ListState(list, LVNI_SELECTED) == row; }, 3000) ? row : -1;
    }
    bool hadSettings = false;
    std::string savedLastKey;
    HWND list = nullptr;
    std::vector<std::string> paths;
};

}  // namespace

TEST_F(OpenInEditor, DoubleClickStoresThePathAndStartsTheEditorThereEveryTime)
{
    ScanFixture();
    const std::string path = FixturePath + "\\A";
    const int row = RowOf(path);
    ASSERT_GE(row, 0);

    DoubleClickRow(row);
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == path; }, 5000));
    EditorWindow first = NewEditor({}, 20000);
    ASSERT_NE(first.window, nullptr);
    EXPECT_TRUE(WaitFor([&] {
        std::string status = EditorStatus(first);
        return status.size() >= path.size() && status.compare(status.size() - path.size(), path.size(), path) == 0;
    }, 10000)) << EditorStatus(first);

    // Again, with an editor already open: written again, started again.
    // The editor stays open, minimised: Wine keeps it above the list even
    // once Quillmere is the foreground window again.
    SetString(HKEY_CURRENT_USER, Settings, "LastKey", "sentinel");
    ShowWindow(first.window, SW_MINIMIZE);
    Activate(app.window);
    DoubleClickRow(row);
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == path; }, 5000));
    EditorWindow second = NewEditor({first.pid}, 20000);
    EXPECT_NE(second.window, nullptr);
    CloseEditor(first);
    CloseEditor(second);
}

namespace {

// A message box of a registry editor's process, such as one refusing its
// command line.
bool EditorMessageShown()
{
    const std::vector<DWORD> editors = ProcessesNamed("regedit.exe");
    for (DWORD pid : editors)
        if (FindProcessWindow(pid, "#32770"))
            return true;
    return false;
}

bool IsWow64(DWORD pid)
{
    BOOL wow64 = FALSE;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process) {
        IsWow64Process(process, &wow64);
        CloseHandle(process);
    }
    return wow64;
}

}  // namespace

// Windows' editor runs once unless told otherwise; Wine's refuses what
// tells Windows' so. Either way the next row opens an editor of its own.
TEST_F(OpenInEditor, WithAnEditorOpenTheNextRowOpensAnotherEditorAtItsKey)
{
    ScanFixture();
    const std::string first = FixturePath + "\\A", second = FixturePath + "\\A\\B";
    ASSERT_GE(RowOf(first), 0);
    ASSERT_GE(RowOf(second), 0);
    DoubleClickRow(RowOf(first));
    EditorWindow open = NewEditor({}, 20000);
    ASSERT_NE(open.window, nullptr);

    ShowWindow(open.window, SW_MINIMIZE);
    Activate(app.window);
    DoubleClickRow(RowOf(second));
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == second; }, 5000));
    EditorWindow next = NewEditor({open.pid}, 20000);
    EXPECT_NE(next.window, nullptr);
    EXPECT_TRUE(WaitFor([&] {
        std::string status = EditorStatus(next);
        return status.size() >= second.size() && status.compare(status.size() - second.size(), second.size(), second) == 0;
    }, 10000)) << EditorStatus(next);
    EXPECT_FALSE(EditorMessageShown());
    CloseEditor(open);
    CloseEditor(next);
}

// The 32-bit editor shows the 32-bit view of the registry; the program
// must start the native one, the one whose view it walked.
TEST_F(OpenInEditor, TheThirtyTwoBitProgramStartsNoThirtyTwoBitEditor)
{
    BOOL onWow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &onWow64);
    if (sizeof(void*) == 8 || !onWow64)
        GTEST_SKIP() << "only the 32-bit program on a 64-bit system is redirected";
    ScanFixture();
    const int row = RowOf(FixturePath + "\\A");
    ASSERT_GE(row, 0);
    const std::vector<DWORD> before = ProcessesNamed("regedit.exe");
    DoubleClickRow(row);
    // Every editor process seen for a few seconds, however briefly it lives.
    std::vector<DWORD> started, wow64;
    const DWORD since = GetTickCount();
    while (GetTickCount() - since < 5000) {
        for (DWORD pid : ProcessesNamed("regedit.exe")) {
            if (std::find(before.begin(), before.end(), pid) != before.end()
                || std::find(started.begin(), started.end(), pid) != started.end())
                continue;
            if (IsWow64(pid))
                wow64.push_back(pid);
            started.push_back(pid);
        }
        Sleep(10);
    }
    EXPECT_FALSE(started.empty());
    EXPECT_TRUE(wow64.empty()) << wow64.size() << " of " << started.size();
    for (DWORD pid : started)
        TerminateById(pid);
}

TEST_F(OpenInEditor, APathLongerThan1023CharactersIsStoredCut)
{
    ScanFixture();
    std::string path = FixturePath;
    for (int level = 0; level < 5; ++level)
        path += "\\" + LongName;
    const int row = RowOf(path);
    ASSERT_GE(row, 0);
    DoubleClickRow(row);
    // Its first 1,023 characters, back to the end of the last whole name.
    const std::string parent = path.substr(0, path.rfind('\\', 1023));
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == parent; }, 5000))
        << ReadString(HKEY_CURRENT_USER, Settings, "LastKey").size();
    EditorWindow editor = NewEditor({}, 20000);
    EXPECT_NE(editor.window, nullptr);
    CloseEditor(editor);
}

TEST_F(OpenInEditor, APathCutForTheEditorNamesItsParentNotASiblingSpelledByTheCut)
{
    std::string parent = FixtureKey;
    for (int level = 0; level < 3; ++level)
        parent += "\\" + LongName;
    const std::string path = FixturePath + parent.substr(FixtureKey.size()) + "\\" + LongName;
    const std::string parentPath = FixturePath + parent.substr(FixtureKey.size());
    ASSERT_GT(path.size(), 1023u);
    // Named by the part of the last name that 1,023 characters take in.
    CreateKeyPath(HKEY_CURRENT_USER, parent + "\\" + LongName.substr(0, 1023 - parentPath.size() - 1));
    ScanFixture();
    const int row = RowOf(path);
    ASSERT_GE(row, 0);
    DoubleClickRow(row);
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == parentPath; }, 5000))
        << ReadString(HKEY_CURRENT_USER, Settings, "LastKey").size();
    EditorWindow editor = NewEditor({}, 20000);
    ASSERT_NE(editor.window, nullptr);
    EXPECT_TRUE(WaitFor([&] {
        std::string status = EditorStatus(editor);
        return status.size() >= parentPath.size()
            && status.compare(status.size() - parentPath.size(), parentPath.size(), parentPath) == 0;
    }, 10000)) << EditorStatus(editor).size();
    CloseEditor(editor);
}

// A user who never ran the editor has no settings key for it: it is made,
// with LastKey, and the editor opens there.
TEST_F(OpenInEditor, WithoutTheEditorsSettingsTheyAreMadeOutsideARowNothingHappens)
{
    ScanFixture();
    const std::string path = FixturePath + "\\A\\B";
    const int row = RowOf(path);
    ASSERT_GE(row, 0);

    DeleteKeyTree(HKEY_CURRENT_USER, Settings);
    DoubleClickRow(row);
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == path; }, 5000));
    EditorWindow editor = NewEditor({}, 20000);
    EXPECT_NE(editor.window, nullptr);
    CloseEditor(editor);

    // Outside any row: the blank area below the last row, after a Clear.
    CreateKeyPath(HKEY_CURRENT_USER, Settings);
    SetString(HKEY_CURRENT_USER, Settings, "LastKey", "sentinel");
    Click(Control(app, IDC_CLEAR));
    RECT rect;
    GetWindowRect(list, &rect);
    ClickAt({(rect.left + rect.right) / 2, rect.bottom - 20}, true);
    EXPECT_EQ(NewEditor({}, 2000).window, nullptr);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Settings, "LastKey"), "sentinel");
}

namespace {

// The clipboard's text, or "(none)"; another process may hold it a moment.
std::string ClipboardText()
{
    if (!WaitFor([] { return OpenClipboard(nullptr) != 0; }, 3000))
        return "(unopened)";
    std::string text = "(none)";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// The clipboard's Unicode text in UTF-8, or "(none)".
std::string ClipboardUnicode()
{
    if (!WaitFor([] { return OpenClipboard(nullptr) != 0; }, 3000))
        return "(unopened)";
    std::string text = "(none)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = Utf8Of(static_cast<const wchar_t*>(GlobalLock(data)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text)
{
    if (!WaitFor([] { return OpenClipboard(nullptr) != 0; }, 3000))
        return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

// No editor started, "LastKey" and the clipboard still "sentinel", the
// program still open.
void ExpectNothingChanged(RunningApp& app)
{
    EXPECT_EQ(NewEditor({}, 2000).window, nullptr);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Settings, "LastKey"), "sentinel");
    EXPECT_EQ(ClipboardText(), "sentinel");
    EXPECT_EQ(WaitExit(app, 0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(IsWindowVisible(app.window));
}

}  // namespace

TEST_F(OpenInEditor, WithNoRowSelectedEnterAndCtrlCDoNothingAndTheWindowStaysOpen)
{
    ScanFixture();
    ASSERT_GT(RowCount(list), 0);
    // A row with the focus but not selected: the list reports Enter for it.
    ASSERT_TRUE(TabTo(app, IDC_RESULTS));
    SetRowState(app, list, 0, LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED);
    ASSERT_EQ(ListState(list, LVNI_FOCUSED), 0);
    ASSERT_EQ(ListState(list, LVNI_SELECTED), -1);
    SetString(HKEY_CURRENT_USER, Settings, "LastKey", "sentinel");
    SetClipboardText("sentinel");
    PressKey(VK_RETURN);
    PressKey('C', true);
    PressKey(VK_ESCAPE);
    ExpectNothingChanged(app);
}

TEST_F(OpenInEditor, EnterOpensAndCtrlCCopiesTheSelectedRow)
{
    ScanFixture();
    const std::string path = FixturePath + "\\A";
    ASSERT_GE(SelectRowOf(path), 0);

    SetClipboardText("sentinel");
    PressKey('C', true);
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == path; }, 3000)) << ClipboardText();

    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == path; }, 5000));
    EditorWindow editor = NewEditor({}, 20000);
    EXPECT_NE(editor.window, nullptr);
    CloseEditor(editor);
    EXPECT_EQ(WaitExit(app, 0), static_cast<DWORD>(STILL_ACTIVE));
}

namespace {

// The list's context menu, open on the screen.
bool MenuShown(const RunningApp& app)
{
    return FindProcessWindow(app.process.dwProcessId, "#32768") != nullptr;
}

// Every row as Copy All Rows should put it on the clipboard, read from the list.
std::string AllRowsText(const RunningApp& app, HWND list, const std::vector<std::string>& paths)
{
    std::string text = "#\tKey\tLastWriteTime\r\n";
    const std::vector<std::string> numbers = ColumnTexts(app, list, 0), times = ColumnTexts(app, list, 2);
    if (numbers.size() != paths.size() || times.size() != paths.size())
        return "(rows changed)";
    for (size_t i = 0; i < paths.size(); ++i)
        text += numbers[i] + "\t" + paths[i] + "\t" + times[i] + "\r\n";
    return text;
}

// The Menu key, then A: Copy All Rows, over a "sentinel" on the clipboard.
bool CopyAllRowsByKeyboard(const RunningApp& app)
{
    if (!TabTo(app, IDC_RESULTS))
        return false;
    SetClipboardText("sentinel");
    PressKey(VK_APPS);
    if (!WaitFor([&] { return MenuShown(app); }, 3000))
        return false;
    PressKey('A');
    return true;
}

}  // namespace

TEST_F(OpenInEditor, ShiftF10ThenCCopiesTheSelectedRowsPath)
{
    ScanFixture();
    const std::string path = FixturePath + "\\A";
    ASSERT_GE(SelectRowOf(path), 0);
    SetClipboardText("sentinel");
    PressKey(VK_F10, false, false, true);
    ASSERT_TRUE(WaitFor([&] { return MenuShown(app); }, 3000));
    PressKey('C');
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == path; }, 3000)) << ClipboardText();
    EXPECT_FALSE(MenuShown(app));
}

TEST_F(OpenInEditor, TheMenuKeyThenACopiesEveryRowAsTabSeparatedLines)
{
    ScanFixture();
    ASSERT_GT(RowCount(list), 0);
    const std::string expected = AllRowsText(app, list, paths);
    ASSERT_TRUE(CopyAllRowsByKeyboard(app));
    EXPECT_TRUE(WaitFor([&] { return ClipboardUnicode() == expected; }, 5000)) << ClipboardUnicode().substr(0, 300);
}

TEST_F(OpenInEditor, ShiftF10ThenOOpensTheRowInTheEditor)
{
    ScanFixture();
    const std::string path = FixturePath + "\\A\\B";
    ASSERT_GE(SelectRowOf(path), 0);
    SetString(HKEY_CURRENT_USER, Settings, "LastKey", "sentinel");
    PressKey(VK_F10, false, false, true);
    ASSERT_TRUE(WaitFor([&] { return MenuShown(app); }, 3000));
    PressKey('O');
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == path; }, 5000));
    EditorWindow editor = NewEditor({}, 20000);
    EXPECT_NE(editor.window, nullptr);
    CloseEditor(editor);
}

TEST_F(OpenInEditor, EscapeClosesTheMenuAndChangesNothing)
{
    ScanFixture();
    const int row = SelectRowOf(FixturePath + "\\A");
    ASSERT_GE(row, 0);
    SetString(HKEY_CURRENT_USER, Settings, "LastKey", "sentinel");
    SetClipboardText("sentinel");
    const int rows = RowCount(list);
    PressKey(VK_F10, false, false, true);
    ASSERT_TRUE(WaitFor([&] { return MenuShown(app); }, 3000));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !MenuShown(app); }, 3000));
    ExpectNothingChanged(app);
    EXPECT_EQ(RowCount(list), rows);
    EXPECT_EQ(ListState(list, LVNI_SELECTED), row);
}

// The row under the mouse is selected first; outside the rows, with the
// list empty, the one item there is greyed.
TEST_F(OpenInEditor, ARightClickActsOnItsRowAndAnEmptyListHasNothingToCopy)
{
    ScanFixture();
    const std::string path = FixturePath + "\\A";
    const int row = RowOf(path);
    ASSERT_GE(row, 0);
    SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
    Sleep(100);
    RECT rect = RowRect(app, list, row);
    SetClipboardText("sentinel");
    RightClickAt({rect.left + 200, (rect.top + rect.bottom) / 2});
    ASSERT_TRUE(WaitFor([&] { return MenuShown(app); }, 3000));
    EXPECT_EQ(ListState(list, LVNI_SELECTED), row);
    PressKey('C');
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == path; }, 3000)) << ClipboardText();

    Click(Control(app, IDC_CLEAR));
    ASSERT_TRUE(WaitFor([&] { return RowCount(list) == 0; }, 3000));
    SetClipboardText("sentinel");
    GetWindowRect(list, &rect);
    RightClickAt({(rect.left + rect.right) / 2, rect.bottom - 20});
    ASSERT_TRUE(WaitFor([&] { return MenuShown(app); }, 3000));
    PressKey('A');
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !MenuShown(app); }, 3000));
    EXPECT_EQ(ClipboardText(), "sentinel");
    EXPECT_TRUE(IsWindowVisible(app.window));
}

namespace {

// Keys named in scripts an English system's code page cannot hold, among
// them two siblings it would spell alike ("????"), and a Polish name it
// would turn into a look-alike naming another key ("Zazólc"). Their own
// ctest entry runs them with an English system and user.
const std::wstring Cyrillic = L"\x042F\x043D\x0434\x0435\x043A\x0441";         // Яндекс
const std::wstring Hedgehog = L"\x0401\x0436\x0438\x043A", Hare = L"\x0417\x0430\x044F\x0446";   // Ёжик, Заяц
const std::wstring Chinese = L"\x4E2D\x6587", Emoji = L"e\xD83D\xDE00x";
const std::wstring Polish = L"Za\x017C\x00F3\x0142\x0107";                        // Zażółć

struct KeyNames : OpenInEditor {
    void SetUp() override
    {
        OpenInEditor::SetUp();
        const std::wstring names = WideOf(FixtureKey) + L"\\Names\\";
        for (const std::wstring& path : {Cyrillic + L"\\" + Hedgehog, Cyrillic + L"\\" + Hare,
                                         Chinese + L"\\" + Emoji, Polish})
            ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, names + path));
    }
    static std::string PathOf(const std::wstring& relative)
    {
        return FixturePath + "\\Names\\" + Utf8Of(relative);
    }
};

}  // namespace

TEST_F(KeyNames, EachRowReadsItsKeysTruePathAndSiblingsReadApart)
{
    ASSERT_NE(GetACP(), 1251u) << "needs a code page without Cyrillic";
    ScanFixture();
    for (const std::wstring& path : {Cyrillic, Cyrillic + L"\\" + Hedgehog, Cyrillic + L"\\" + Hare, Chinese,
                                     Chinese + L"\\" + Emoji, Polish})
        EXPECT_GE(RowOf(PathOf(path)), 0) << PathOf(path);
    EXPECT_NE(RowOf(PathOf(Cyrillic + L"\\" + Hedgehog)), RowOf(PathOf(Cyrillic + L"\\" + Hare)));
}

// The Unicode text is the path; the ANSI one has the code page's "?" where
// it lacks a letter, never a look-alike.
TEST_F(KeyNames, CtrlCCopiesAndEnterOpensTheExactPath)
{
    ScanFixture();
    const std::string polish = PathOf(Polish);
    ASSERT_GE(SelectRowOf(polish), 0);
    SetClipboardText("sentinel");
    PressKey('C', true);
    EXPECT_TRUE(WaitFor([&] { return ClipboardUnicode() == polish; }, 3000)) << ClipboardUnicode();
    const std::wstring wide = WideOf(polish);
    char ansi[512] = "";
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
    EXPECT_EQ(ClipboardText(), ansi);

    const std::string emoji = PathOf(Chinese + L"\\" + Emoji);
    ASSERT_GE(SelectRowOf(emoji), 0);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == emoji; }, 5000))
        << ReadString(HKEY_CURRENT_USER, Settings, "LastKey");
    EditorWindow editor = NewEditor({}, 20000);
    EXPECT_NE(editor.window, nullptr);
    CloseEditor(editor);
}

TEST_F(KeyNames, CopyAllRowsCarriesEveryNameExactly)
{
    ScanFixture();
    const std::string expected = AllRowsText(app, list, paths);
    ASSERT_NE(expected.find(PathOf(Chinese + L"\\" + Emoji)), std::string::npos);
    ASSERT_TRUE(CopyAllRowsByKeyboard(app));
    EXPECT_TRUE(WaitFor([&] { return ClipboardUnicode() == expected; }, 5000)) << ClipboardUnicode().substr(0, 300);
}

// The editor takes 1,023 UTF-16 units: a path of Chinese names whose pair
// of surrogates straddles that mark opens at its parent, the last whole
// name that fits; counted in bytes, the cut would fall far earlier.
TEST_F(KeyNames, TheEditorsCutCountsUnitsAndOpensTheParentOfAPairAtTheMark)
{
    const std::wstring level(250, L'\x4E2D');
    std::wstring parent = WideOf(FixtureKey) + L"\\Long";
    for (int i = 0; i < 3; ++i)
        parent += L"\\" + level;
    const std::wstring shownParent = WideOf("HKEY_CURRENT_USER\\") + parent;
    // The pair is the path's 1,023rd and 1,024th units.
    const std::wstring last = std::wstring(1022 - shownParent.size() - 1, L'\x6587') + L"\xD83D\xDE00z";
    ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, parent + L"\\" + last));
    ScanFixture();
    const std::string path = Utf8Of(shownParent + L"\\" + last);
    ASSERT_GE(SelectRowOf(path), 0);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, Settings, "LastKey") == Utf8Of(shownParent); }, 5000))
        << WideOf(ReadString(HKEY_CURRENT_USER, Settings, "LastKey")).size();
    EditorWindow editor = NewEditor({}, 20000);
    EXPECT_NE(editor.window, nullptr);
    CloseEditor(editor);
}

namespace {

// A regedit.exe left in the program's folder, which is made the current
// folder too; both undone afterwards. It leaves a marker file if it runs.
struct PlantedEditor {
    PlantedEditor()
    {
        GetCurrentDirectoryA(sizeof savedFolder, savedFolder);
        DeleteFileA(marker.c_str());
        planted = CopyFileA((ExeDirectory() + "planted_regedit.exe").c_str(), path.c_str(), FALSE);
        SetCurrentDirectoryA(ExeDirectory().c_str());
    }
    ~PlantedEditor()
    {
        SetCurrentDirectoryA(savedFolder);
        DeleteFileA(path.c_str());
        DeleteFileA(marker.c_str());
    }
    bool Ran() const { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }
    const std::string path = ExeDirectory() + "regedit.exe";
    const std::string marker = ExeDirectory() + "planted-regedit.ran";
    char savedFolder[MAX_PATH] = "";
    bool planted = false;
};

}  // namespace

TEST_F(OpenInEditor, ARegeditBesideTheProgramDoesNotRunTheSystemsEditorDoes)
{
    PlantedEditor planted;
    ASSERT_TRUE(planted.planted);
    ScanFixture();
    const int row = RowOf(FixturePath + "\\A");
    ASSERT_GE(row, 0);
    DoubleClickRow(row);
    EditorWindow editor = NewEditor({}, 20000);
    EXPECT_NE(editor.window, nullptr);
    EXPECT_FALSE(planted.Ran());
    CloseEditor(editor);
}
